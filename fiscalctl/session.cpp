#include "fiscalctl/session.h"

#include <algorithm>
#include <cstring>

namespace fiscalctl {
namespace {

// The console builds a packed text in a zero-filled scratch area of this size.
constexpr std::size_t kPackedScratch = 64;

std::string areaText(const std::array<char, 256>& area) {
  return std::string(area.data(), strnlen(area.data(), area.size()));
}

}  // namespace

bool isLinkFailure(int code) {
  // Port not open, no printer, timeout, damaged frames, line lost; and the
  // opening codes (busy, invalid, bad settings).
  return (code >= 1 && code <= 5) || (code >= 10 && code <= 13) || code == -1;
}

bool portRefused(int code) {
  return code == FP_PORT_BUSY || code == FP_PORT_INVALID || code == FP_BAD_BAUD_RATE ||
         code == FP_BAD_PROTOCOL_TYPE;
}

Outcome Session::open(const PortSettings& settings) {
  close();
  connectionArea_.fill(0);
  api_.Purge(connectionArea_.data());
  api_.GetAPIVersion(connectionArea_.data());
  version_ = areaText(connectionArea_);
  api_.setComPort(1);
  api_.setBaudRate(settings.baud);
  api_.setProtocolType(1);
  api_.OpenPort(connectionArea_.data());
  Outcome outcome;
  outcome.label = "open";
  outcome = finish(std::move(outcome), true);
  // The handshake went out only if the port itself opened.
  outcome.sent = !portRefused(outcome.code);
  identification_ = areaText(connectionArea_);
  open_ = true;  // ClosePort follows every OpenPort, as in the console, whatever it gave
  return outcome;
}

void Session::close() {
  if (!open_) return;
  open_ = false;
  api_.ClosePort(closingArea_.data());
}

Outcome Session::run(const Request& request) {
  Outcome outcome;
  outcome.label = request.label;
  switch (request.kind) {
    case Request::Kind::Console: {
      const fp::contract::CommandRow& spec = *request.spec;
      outcome.words = wordsText(spec.command.value, spec.extension.value);
      if (spec.sending == fp::contract::Sending::FieldList) {
        // The same calls, bytes and addresses as the console's CommandTransaction.
        api_.AddDataField(spec.command.bytes.data(), 2);
        api_.AddDataField(spec.extension.bytes.data(), 2);
        for (const fp::contract::DataField& field : spec.fields) {
          api_.AddDataField(field.address, field.length);
        }
        api_.SendCommand(commandArea_.data());
      } else {
        std::array<char, kPackedScratch> scratch{};
        std::copy_n(spec.packed.begin(), std::min(spec.packed.size(), fp::contract::kPackedLength),
                    scratch.begin());
        api_.SendCommandComplete(scratch.data());
      }
      return finish(std::move(outcome), true);
    }
    case Request::Kind::Fields: {
      outcome.words = wordsText(request.command, request.extension);
      const fp::contract::BinaryWord command(request.command), extension(request.extension);
      api_.AddDataField(command.bytes.data(), 2);
      api_.AddDataField(extension.bytes.data(), 2);
      for (const std::string& field : request.fields) {
        api_.AddDataField(field.c_str(), static_cast<int>(field.size()));
      }
      api_.SendCommand(commandArea_.data());
      return finish(std::move(outcome), true);
    }
    case Request::Kind::Packed:
      outcome.words = request.packed;
      api_.SendCommandComplete(request.packed.c_str());
      return finish(std::move(outcome), true);
    case Request::Kind::Status:
      return finish(std::move(outcome), false);
  }
  return outcome;
}

Outcome Session::finish(Outcome outcome, bool sent) {
  outcome.sent = sent;
  outcome.code = sent ? api_.getLastError() : 0;
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
