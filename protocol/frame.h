// Framing: a body travels as STX, the escaped body and its CRC, ETX. The decoder
// finds frames and the single link bytes (ACK, NAK, DC2) in a byte stream and gives
// the same result however the stream is split into reads.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "protocol/wire.h"

namespace fp::protocol {

// The frame for `body`: STX, escape(body + CRC-16 of body, high byte first), ETX.
Bytes encodeFrame(std::span<const std::uint8_t> body);

enum class FrameError {
  None,
  BadChecksum,  // the CRC does not match the body
  TooLong,      // more than kMaxBody bytes (body and CRC) before ETX
  TooShort,     // fewer bytes than a CRC
  BadEscape,    // an escape followed by a byte that cannot have been escaped
  Interrupted,  // a new STX arrived before the frame ended
  StrayByte,    // a byte outside any frame that is not a link byte
};

std::string_view frameErrorText(FrameError error);

struct DecodedEvent {
  enum class Kind { Frame, Ack, Nak, Working, Error };
  Kind kind;
  Bytes body;  // Frame: the body, CRC removed
  FrameError error = FrameError::None;
};

class FrameDecoder {
 public:
  // Consumes `bytes` and appends what they complete to `events`.
  void feed(std::span<const std::uint8_t> bytes, std::vector<DecodedEvent>& events);
  // True while a frame has started and not ended.
  bool inFrame() const { return state_ != State::Idle; }
  // Forgets a partly received frame.
  void reset();

 private:
  enum class State { Idle, InFrame, AfterEscape, Discarding };
  void take(std::uint8_t byte, std::vector<DecodedEvent>& events);
  void finish(std::vector<DecodedEvent>& events);
  void fail(FrameError error, std::vector<DecodedEvent>& events);

  State state_ = State::Idle;
  Bytes buffer_;
};

}  // namespace fp::protocol
