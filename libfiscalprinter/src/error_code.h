// The codes getLastError() reports. 0, 1, 2 and 10 have fixed meanings for the
// console; the others are ours. A printer refusal is kRefusedBase + its return code.
#pragma once

#include <string_view>

namespace fp::lib {

enum class ErrorCode : int {
  kOk = 0,
  kPortBusy = 1,             // another open file holds the device's lock
  kPortInvalid = 2,          // no such device, not a terminal, or a bad port number
  kNotOpen = 3,              // the operation needs an open port
  kBadBaudRate = 4,          // a speed the serial driver cannot set
  kBadProtocolType = 5,      // a protocol type other than 1
  kBadArgument = 6,          // negative length, or no data for a non-empty field
  kFieldListTooLong = 7,     // too many fields, a field or the whole command too long
  kMalformedCommand = 8,     // fewer than two fields, or a word field not two bytes
  kMalformedPackedText = 9,  // not exactly "HHHH|HHHH"
  kNoPrinter = 10,           // the port opened but no printer answered the handshake
  kTimeout = 11,             // the printer stopped answering during a command
  kBadFrames = 12,           // only damaged frames or NAKs, after every retransmission
  kLineLost = 13,            // the device failed or vanished; the port is closed
  kInternal = 14,            // the library itself failed (out of memory); see errorText
};

// Code of a command the printer refused with `returnCode` (1..65535): 1000 + returnCode.
inline constexpr int kRefusedBase = 1000;

constexpr int toInt(ErrorCode code) {
  return static_cast<int>(code);
}

// A short, static English text for any code.
const char* errorText(int code);

}  // namespace fp::lib
