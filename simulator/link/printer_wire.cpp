#include "simulator/link/printer_wire.h"

#include <deque>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/wire.h"

namespace sim {
namespace proto = fp::protocol;

namespace {

// A damaged frame is answered with NAK; a stray byte or a frame cut short by a
// new start is not (the host is already sending again).
bool deservesNak(proto::FrameError error) {
  return error != proto::FrameError::StrayByte && error != proto::FrameError::Interrupted;
}

WireEvent fromFrame(const proto::Bytes& body) {
  proto::CommandMessage message;
  if (proto::parseCommand(body, message) != proto::MessageError::None) {
    const auto kind = proto::messageKind(body);
    if (kind == proto::kCommandKind) return WireEvent{WireEvent::Kind::kMalformed, body[0], {}};
    return WireEvent{WireEvent::Kind::kRejected, 0, {}};
  }
  const auto kind = message.command == proto::kHelloCommand ? WireEvent::Kind::kHandshake
                                                            : WireEvent::Kind::kCommand;
  return WireEvent{kind, message.sequence,
                   Command{message.command, message.extension, std::move(message.fields)}};
}

Bytes frameOf(const proto::ReplyMessage& message) {
  proto::Bytes body;
  proto::encodeReply(message, body);  // the printer's replies stay far within the limits
  return proto::encodeFrame(body);
}

}  // namespace

struct WireDecoder::State {
  proto::FrameDecoder frames;
  std::deque<WireEvent> ready;
};

WireDecoder::WireDecoder() : state_(new State) {}

WireDecoder::~WireDecoder() {
  delete state_;
}

void WireDecoder::feed(std::span<const std::uint8_t> bytes) {
  std::vector<proto::DecodedEvent> events;
  state_->frames.feed(bytes, events);
  for (const proto::DecodedEvent& event : events) {
    if (event.kind == proto::DecodedEvent::Kind::Frame) {
      state_->ready.push_back(fromFrame(event.body));
    } else if (event.kind == proto::DecodedEvent::Kind::Error && deservesNak(event.error)) {
      state_->ready.push_back(WireEvent{WireEvent::Kind::kRejected, 0, {}});
    }
    // ACK, NAK and DC2 are the printer's own bytes: a host never sends them.
  }
}

std::optional<WireEvent> WireDecoder::next() {
  if (state_->ready.empty()) return std::nullopt;
  WireEvent event = std::move(state_->ready.front());
  state_->ready.pop_front();
  return event;
}

std::vector<std::string> handshakeFields() {
  return {"IMPRESOR FISCAL VIRTUAL", "1.0"};
}

Bytes encodeHandshakeReply(const WireEvent& handshake, std::uint16_t printerStatus,
                           std::uint16_t fiscalStatus) {
  return frameOf(proto::ReplyMessage{static_cast<std::uint8_t>(handshake.sequence), printerStatus,
                                     fiscalStatus, 0, handshakeFields()});
}

Bytes encodeReply(std::uint32_t sequence, const Reply& reply) {
  return frameOf(proto::ReplyMessage{
      static_cast<std::uint8_t>(sequence), reply.printerStatus, reply.fiscalStatus,
      static_cast<std::uint16_t>(reply.outcome.code), reply.outcome.fields});
}

Bytes encodeStillWorking() {
  return {proto::kWorking};
}

Bytes immediateAnswer(const WireEvent& event) {
  if (event.kind == WireEvent::Kind::kRejected) return {proto::kNak};
  return {proto::kAck};
}

bool isFramingByte(std::uint8_t byte) {
  return proto::isControlByte(byte);
}

std::uint32_t stillWorkingIntervalMs() {
  return static_cast<std::uint32_t>(proto::kWorkingInterval.count());
}

}  // namespace sim
