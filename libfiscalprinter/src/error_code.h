// The codes getLastError() reports, as a type for the library's own use. The
// values and their meanings are the public header's (FP_*), the one list of them.
#pragma once

#include "fiscalprinter/fiscalprinter.h"

namespace fp::lib {

enum class ErrorCode : int {
  kOk = FP_OK,
  kPortBusy = FP_PORT_BUSY,
  kPortInvalid = FP_PORT_INVALID,
  kNotOpen = FP_NOT_OPEN,
  kBadBaudRate = FP_BAD_BAUD_RATE,
  kBadProtocolType = FP_BAD_PROTOCOL_TYPE,
  kBadArgument = FP_BAD_ARGUMENT,
  kFieldListTooLong = FP_FIELD_LIST_TOO_LONG,
  kMalformedCommand = FP_MALFORMED_COMMAND,
  kMalformedPackedText = FP_MALFORMED_PACKED,
  kNoPrinter = FP_NO_PRINTER,
  kTimeout = FP_TIMEOUT,
  kBadFrames = FP_BAD_FRAMES,
  kLineLost = FP_LINE_LOST,
  kInternal = FP_INTERNAL_ERROR,
  kForked = FP_FORKED,
};

// Code of a command the printer refused with `returnCode` (1..65535).
inline constexpr int kRefusedBase = FP_REFUSED_BASE;

constexpr int toInt(ErrorCode code) {
  return static_cast<int>(code);
}

// A short, static English text for any code.
const char* errorText(int code);

}  // namespace fp::lib
