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

// Timing of the link, seen from the host.
inline constexpr std::chrono::milliseconds kAckTimeout{300};        // frame sent -> ACK/NAK
inline constexpr std::chrono::milliseconds kResponseTimeout{1000};  // ACK or DC2 -> next byte
inline constexpr std::chrono::milliseconds kInterByteTimeout{100};  // inside one frame
inline constexpr std::chrono::milliseconds kWorkingInterval{250};   // printer sends DC2 this often
inline constexpr int kMaxTransmissions = 3;                         // one send and two retries
// The whole opening handshake is bounded by this.
inline constexpr std::chrono::milliseconds kHandshakeLimit{2000};
// A printer finishes every command within this, "still working" included; a host
// gives up waiting after it even while DC2 keeps arriving.
inline constexpr std::chrono::milliseconds kMaxWorkingTime{120000};

}  // namespace fp::protocol
