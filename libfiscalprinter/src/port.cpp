#include "libfiscalprinter/src/port.h"

#include "libfiscalprinter/src/baud_rate.h"
#include "libfiscalprinter/src/rfc2217_port.h"
#include "libfiscalprinter/src/tcp_port.h"
#include "protocol/trace_notes.h"

namespace fp::lib {

OpenResult Port::open(const line::Target& target, int bitsPerSecond,
                      std::chrono::steady_clock::time_point deadline) {
  close();
  failure_.clear();
  networked_ = target.kind != line::TargetKind::kDevice;
  lossTraced_ = false;
  const std::string where = target.host + " port " + std::to_string(target.port);
  switch (target.kind) {
    case line::TargetKind::kDevice: {
      auto serial = std::make_unique<SerialPort>();
      const OpenResult opened = serial->open(target.device, *termiosSpeed(bitsPerSecond));
      if (opened != OpenResult::kOpened) {
        failure_ = serial->openFailure();
        return opened;
      }
      open_ = std::move(serial);
      return OpenResult::kOpened;
    }
    case line::TargetKind::kTcp: {
      auto tcp = std::make_unique<TcpPort>();
      if (!tcp->open(target.host, target.port, deadline)) {
        failure_ = "connecting to " + where + ": " + tcp->failure();
        return OpenResult::kInvalid;
      }
      trace_.note(protocol::note::connected(tcp->address()));
      open_ = std::move(tcp);
      return OpenResult::kOpened;
    }
    case line::TargetKind::kRfc2217: {
      auto rfc2217 = std::make_unique<Rfc2217Port>();
      const auto opened = rfc2217->open(target.host, target.port,
                                        static_cast<std::uint32_t>(bitsPerSecond), deadline);
      if (opened != Rfc2217Port::Opened::kReady) {
        failure_ = "connecting to " + where + ": " + rfc2217->text();
        return opened == Rfc2217Port::Opened::kBusy ? OpenResult::kBusy : OpenResult::kInvalid;
      }
      trace_.note(protocol::note::connected(rfc2217->address()));
      trace_.note(protocol::note::rfc2217Settings(rfc2217->text()));
      open_ = std::move(rfc2217);
      return OpenResult::kOpened;
    }
  }
  return OpenResult::kInvalid;
}

void Port::close() {
  open_.reset();
}

// A lost line (a device or a connection) is traced once, with its reason,
// before the link's own note.
IoStatus Port::traced(IoStatus status) {
  if (status == IoStatus::kLost && !lossTraced_ && open_) {
    lossTraced_ = true;
    if (const std::string reason = open_->lossReason(); !reason.empty()) trace_.note(reason);
  }
  return status;
}

IoStatus Port::writeAll(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) {
  return open_ ? traced(open_->writeAll(bytes, timeout)) : IoStatus::kLost;
}

IoStatus Port::readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) {
  return open_ ? traced(open_->readSome(out, timeout)) : IoStatus::kLost;
}

void Port::discardInput() {
  if (open_) open_->discardInput();
}

std::string Port::lossReason() const {
  return open_ ? open_->lossReason() : std::string{};
}

}  // namespace fp::lib
