#include "simulator/model/return_code.h"

namespace sim {

std::string_view returnCodeText(ReturnCode code) {
  switch (code) {
    case ReturnCode::kOk:
      return "ok";
    case ReturnCode::kUnknownCommand:
      return "unknown command";
    case ReturnCode::kOutOfOrder:
      return "out of order";
    case ReturnCode::kMalformedField:
      return "malformed field";
    case ReturnCode::kBadTaxNumber:
      return "bad tax number";
    case ReturnCode::kReturnExceedsSale:
      return "return exceeds sale";
    case ReturnCode::kPaymentMissing:
      return "payment missing";
    case ReturnCode::kPaperOut:
      return "paper out";
    case ReturnCode::kAmountTooLarge:
      return "amount too large";
    case ReturnCode::kCoverOpen:
      return "cover open";
    case ReturnCode::kMemoryFull:
      return "fiscal memory full";
    case ReturnCode::kMemoryWriteFailed:
      return "fiscal memory write failed";
  }
  return "unknown";
}

}  // namespace sim
