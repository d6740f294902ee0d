#include "protocol/frame.h"

#include "protocol/crc16.h"

namespace fp::protocol {
namespace {

void putEscaped(Bytes& out, std::uint8_t byte) {
  if (isControlByte(byte)) {
    out.push_back(kEscape);
    out.push_back(static_cast<std::uint8_t>(byte ^ kEscapeXor));
  } else {
    out.push_back(byte);
  }
}

}  // namespace

Bytes encodeFrame(std::span<const std::uint8_t> body) {
  Bytes out;
  out.reserve(body.size() * 2 + 6);
  out.push_back(kFrameStart);
  for (std::uint8_t byte : body) putEscaped(out, byte);
  const std::uint16_t crc = crc16(body);
  putEscaped(out, static_cast<std::uint8_t>(crc >> 8));
  putEscaped(out, static_cast<std::uint8_t>(crc & 0xFF));
  out.push_back(kFrameEnd);
  return out;
}

std::string_view frameErrorText(FrameError error) {
  switch (error) {
    case FrameError::None:
      return "no error";
    case FrameError::BadChecksum:
      return "bad checksum";
    case FrameError::TooLong:
      return "frame too long";
    case FrameError::TooShort:
      return "frame too short";
    case FrameError::BadEscape:
      return "bad escape";
    case FrameError::Interrupted:
      return "frame interrupted";
    case FrameError::StrayByte:
      return "stray byte";
  }
  return "unknown frame error";
}

void FrameDecoder::reset() {
  state_ = State::Idle;
  buffer_.clear();
}

void FrameDecoder::feed(std::span<const std::uint8_t> bytes, std::vector<DecodedEvent>& events) {
  for (std::uint8_t byte : bytes) take(byte, events);
}

void FrameDecoder::fail(FrameError error, std::vector<DecodedEvent>& events) {
  events.push_back({DecodedEvent::Kind::Error, {}, error});
  buffer_.clear();
}

void FrameDecoder::take(std::uint8_t byte, std::vector<DecodedEvent>& events) {
  if (byte == kFrameStart) {
    if (state_ == State::InFrame || state_ == State::AfterEscape) {
      fail(FrameError::Interrupted, events);
    }
    buffer_.clear();
    state_ = State::InFrame;
    return;
  }
  switch (state_) {
    case State::Idle:
      if (byte == kAck)
        events.push_back({DecodedEvent::Kind::Ack, {}});
      else if (byte == kNak)
        events.push_back({DecodedEvent::Kind::Nak, {}});
      else if (byte == kWorking)
        events.push_back({DecodedEvent::Kind::Working, {}});
      else
        fail(FrameError::StrayByte, events);
      return;
    case State::Discarding:
      // An over-long or damaged frame: skip to its end, then resume.
      if (byte == kFrameEnd) state_ = State::Idle;
      return;
    case State::AfterEscape: {
      const auto plain = static_cast<std::uint8_t>(byte ^ kEscapeXor);
      if (!isControlByte(plain)) {
        fail(FrameError::BadEscape, events);
        state_ = byte == kFrameEnd ? State::Idle : State::Discarding;
        return;
      }
      buffer_.push_back(plain);
      state_ = State::InFrame;
      break;
    }
    case State::InFrame:
      if (byte == kFrameEnd) {
        finish(events);
        return;
      }
      if (byte == kEscape) {
        state_ = State::AfterEscape;
        return;
      }
      if (isControlByte(byte)) {
        // ACK, NAK or DC2 cannot stand unescaped inside a frame.
        fail(FrameError::BadEscape, events);
        state_ = State::Discarding;
        return;
      }
      buffer_.push_back(byte);
      break;
  }
  if (buffer_.size() > kMaxBody) {  // body and CRC together
    fail(FrameError::TooLong, events);
    state_ = State::Discarding;
  }
}

void FrameDecoder::finish(std::vector<DecodedEvent>& events) {
  state_ = State::Idle;
  if (buffer_.size() < 2) {
    fail(FrameError::TooShort, events);
    return;
  }
  const std::size_t bodySize = buffer_.size() - 2;
  const std::uint16_t sent =
      static_cast<std::uint16_t>((buffer_[bodySize] << 8) | buffer_[bodySize + 1]);
  buffer_.resize(bodySize);
  if (crc16(buffer_) != sent) {
    fail(FrameError::BadChecksum, events);
    return;
  }
  events.push_back({DecodedEvent::Kind::Frame, std::move(buffer_)});
  buffer_ = Bytes{};
}

}  // namespace fp::protocol
