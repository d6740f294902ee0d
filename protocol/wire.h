// Bytes and limits of the printer link, shared by the library and the printer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fp::protocol {

using Bytes = std::vector<std::uint8_t>;

// Control bytes. Inside a frame each of them is sent as kEscape, byte ^ 0x20.
inline constexpr std::uint8_t kFrameStart = 0x02;  // STX
inline constexpr std::uint8_t kFrameEnd = 0x03;    // ETX
inline constexpr std::uint8_t kAck = 0x06;         // printer: command frame received intact
inline constexpr std::uint8_t kWorking = 0x12;     // printer: still working, keep waiting
inline constexpr std::uint8_t kNak = 0x15;         // printer: command frame damaged, resend
inline constexpr std::uint8_t kEscape = 0x1B;
inline constexpr std::uint8_t kEscapeXor = 0x20;

constexpr bool isControlByte(std::uint8_t b) {
  return b == kFrameStart || b == kFrameEnd || b == kAck || b == kWorking || b == kNak ||
         b == kEscape;
}

// Limits, on the unescaped body (everything between the frame bytes, checksum included).
inline constexpr std::size_t kMaxBody = 1024;
inline constexpr std::size_t kMaxFields = 64;  // further fields after the two words
inline constexpr std::size_t kMaxFieldLength = 512;

// Message kinds, the second byte of every body.
inline constexpr std::uint8_t kCommandKind = 'C';
inline constexpr std::uint8_t kReplyKind = 'R';

// The command that opens a session: no fields; the printer forgets the sequence
// number of its last command and answers with its identification.
inline constexpr std::uint16_t kHelloCommand = 0x0000;

// Timing of the link, seen from the host. No byte from the printer extends a wait
// beyond what is said here: only "still working" extends the wait for a reply, and
// only up to kMaxWorkingTime per command.
inline constexpr std::chrono::milliseconds kAckTimeout{300};        // frame sent -> first answer
inline constexpr std::chrono::milliseconds kResponseTimeout{1000};  // ACK or DC2 -> next DC2 or STX
inline constexpr std::chrono::milliseconds kInterByteTimeout{100};  // gap inside one frame
// A whole frame, STX to ETX, beyond the time its bytes take on the line.
inline constexpr std::chrono::milliseconds kFrameTimeout{2000};
inline constexpr std::chrono::milliseconds kWorkingInterval{250};  // printer sends DC2 this often
inline constexpr int kMaxTransmissions = 3;                        // one send and two retries
// The whole opening handshake; a printer may need well over a second to wake up.
inline constexpr std::chrono::milliseconds kHandshakeLimit{3000};
// A printer finishes every command within this, "still working" included; a host
// gives up waiting this long after the command's first DC2 even while DC2 keeps coming.
inline constexpr std::chrono::milliseconds kMaxWorkingTime{120000};
// Every command, all transmissions included, beyond the time its frames take on
// the line: the host's overall deadline, whatever the printer sends.
inline constexpr std::chrono::milliseconds kCommandLimit{130000};

}  // namespace fp::protocol
