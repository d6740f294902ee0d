#include "fiscalctl/session.h"

#include <algorithm>
#include <cstring>

#include "fiscalctl/port_diagnosis.h"
#include "line/net_target.h"

namespace fiscalctl {
namespace {

// A scratch area as long as the console's event hands its procedures.
constexpr std::size_t kPackedScratch = 64;

std::string areaText(fp::host::ConstAreaRef area) {
  return std::string(area.data(), strnlen(area.data(), area.size()));
}

}  // namespace

bool isLinkFailure(int code) {
  // The opening codes (busy, invalid, bad settings), port not open, no
  // printer, timeout, damaged frames, line lost.
  return (code >= FP_PORT_BUSY && code <= FP_BAD_PROTOCOL_TYPE) ||
         (code >= FP_NO_PRINTER && code <= FP_LINE_LOST) || code == -1;
}

// Whether the port itself did not open, so that nothing went out. A network
// server gives "busy" only after it took the connection, and perhaps the
// handshake with it.
bool portRefused(int code) {
  if (code == FP_PORT_BUSY) {
    const fp::line::ParsedTarget target = fp::line::parseTarget(port1Device());
    return !target.target || target.target->kind == fp::line::TargetKind::kDevice;
  }
  return code == FP_PORT_INVALID || code == FP_BAD_BAUD_RATE || code == FP_BAD_PROTOCOL_TYPE;
}

Outcome Session::open(const PortSettings& settings) {
  close();
  connectionArea_.fill(0);
  const fp::host::PortOpening opening =
      fp::host::openPort(api_, connectionArea_, settings.baud,
                         [this](fp::host::ConstAreaRef area) { version_ = areaText(area); });
  Outcome outcome;
  outcome.label = "open";
  outcome = finish(std::move(outcome), opening.lastError);
  // The handshake went out only if the port itself opened.
  outcome.sent = !portRefused(outcome.code);
  identification_ = areaText(connectionArea_);
  open_ = true;  // ClosePort follows every OpenPort, as in the console, whatever it gave
  return outcome;
}

void Session::close() {
  if (!open_) return;
  open_ = false;
  fp::host::closePort(api_, closingArea_);
}

Outcome Session::run(const Request& request) {
  Outcome outcome;
  outcome.label = request.label;
  switch (request.kind) {
    case Request::Kind::Console: {
      const fp::contract::CommandRow& spec = *request.spec;
      outcome.words = wordsText(spec.command.value, spec.extension.value);
      std::array<char, kPackedScratch> scratch{};
      fp::host::sendRow(api_, spec, commandArea_, scratch);
      return finish(std::move(outcome), api_.getLastError());
    }
    case Request::Kind::Fields: {
      outcome.words = wordsText(request.command, request.extension);
      std::vector<fp::contract::DataField> fields;
      for (const std::string& field : request.fields) {
        fields.push_back({field.c_str(), static_cast<std::int32_t>(field.size())});
      }
      fp::host::sendFieldList(api_, fp::contract::BinaryWord(request.command),
                              fp::contract::BinaryWord(request.extension), fields, commandArea_);
      return finish(std::move(outcome), api_.getLastError());
    }
    case Request::Kind::Packed:
      outcome.words = request.packed;
      api_.SendCommandComplete(request.packed.c_str());
      return finish(std::move(outcome), api_.getLastError());
    case Request::Kind::Status:
      return finish(std::move(outcome), std::nullopt);
  }
  return outcome;
}

Outcome Session::finish(Outcome outcome, std::optional<int> code) {
  const bool sent = code.has_value();
  outcome.sent = sent;
  outcome.code = code.value_or(0);
  outcome.printerStatus = api_.getPrinterStatus();
  outcome.fiscalStatus = api_.getFiscalStatus();
  if (sent && api_.getReplyFieldCount != nullptr && api_.getReplyField != nullptr) {
    outcome.fieldsKnown = true;
    const int count = std::clamp(api_.getReplyFieldCount(), 0, 256);
    for (int i = 0; i < count; ++i) {
      std::string field(512, '\0');
      const int length = api_.getReplyField(i, field.data(), static_cast<int>(field.size()));
      field.resize(static_cast<std::size_t>(std::clamp(length, 0, 512)));
      outcome.replyFields.push_back(std::move(field));
    }
  }
  return outcome;
}

}  // namespace fiscalctl
