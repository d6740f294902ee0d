#include "libfiscalprinter/src/error_code.h"

namespace fp::lib {

const char* errorText(int code) {
  switch (code) {
    case toInt(ErrorCode::kOk):
      return "no error";
    case toInt(ErrorCode::kPortBusy):
      return "port busy";
    case toInt(ErrorCode::kPortInvalid):
      return "port invalid";
    case toInt(ErrorCode::kNotOpen):
      return "port not open";
    case toInt(ErrorCode::kBadBaudRate):
      return "unsupported baud rate";
    case toInt(ErrorCode::kBadProtocolType):
      return "unsupported protocol type";
    case toInt(ErrorCode::kBadArgument):
      return "invalid argument";
    case toInt(ErrorCode::kFieldListTooLong):
      return "field list too long";
    case toInt(ErrorCode::kMalformedCommand):
      return "malformed command";
    case toInt(ErrorCode::kMalformedPackedText):
      return "malformed packed command text";
    case toInt(ErrorCode::kNoPrinter):
      return "no printer answered";
    case toInt(ErrorCode::kTimeout):
      return "printer timeout";
    case toInt(ErrorCode::kBadFrames):
      return "bad frames after retries";
    case toInt(ErrorCode::kLineLost):
      return "line lost";
    case toInt(ErrorCode::kInternal):
      return "internal error";
    case toInt(ErrorCode::kForked):
      return "no port since fork: the parent keeps its port";
    default:
      break;
  }
  if (code > kRefusedBase && code <= kRefusedBase + 0xFFFF) return "printer refused the command";
  return "unknown error code";
}

}  // namespace fp::lib
