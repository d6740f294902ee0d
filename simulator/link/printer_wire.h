// The printer's side of the framed protocol: the only part of the simulator
// that knows the frame format, a thin layer over protocol/.
//
// Every intact command frame is acknowledged at once (ACK), a damaged one
// refused (NAK) so that the host sends it again. The command 0x0000 is the
// opening handshake. While a long command runs, the printer sends DC2 every
// working interval; then the reply frame.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simulator/model/command.h"

namespace sim {

// What arrived on the line, one frame at a time.
struct WireEvent {
  // kRejected: a damaged frame (answered with NAK). kMalformed: an intact
  // command frame whose body cannot be read (acknowledged, then answered with
  // the malformed-field return code and not executed).
  enum class Kind { kHandshake, kCommand, kMalformed, kRejected };
  Kind kind = Kind::kRejected;
  std::uint32_t sequence = 0;
  Command command;  // kCommand only
};

// Turns bytes, however they are split, into events.
class WireDecoder {
 public:
  WireDecoder();
  ~WireDecoder();
  WireDecoder(const WireDecoder&) = delete;
  WireDecoder& operator=(const WireDecoder&) = delete;

  void feed(std::span<const std::uint8_t> bytes);
  std::optional<WireEvent> next();

 private:
  struct State;
  State* state_;
};

using Bytes = std::vector<std::uint8_t>;

// The identification fields of the handshake's answer: model name, firmware version.
std::vector<std::string> handshakeFields();

// The answer to an opening handshake: return code 0, the status words and the
// identification fields.
Bytes encodeHandshakeReply(const WireEvent& handshake, std::uint16_t printerStatus,
                           std::uint16_t fiscalStatus);

// The reply to the command with `sequence`.
Bytes encodeReply(std::uint32_t sequence, const Reply& reply);

// "Still working" on the command in hand (the byte names no command).
Bytes encodeStillWorking();

// What to send at once for an event before it is handled (a link
// acknowledgement or a negative one), empty when nothing.
Bytes immediateAnswer(const WireEvent& event);

// True for a byte with a framing role (start, end, escape, ...).
bool isFramingByte(std::uint8_t byte);

// How often "still working" is repeated during a long command.
std::uint32_t stillWorkingIntervalMs();

}  // namespace sim
