// Return codes the virtual printer puts in every reply.
#pragma once

#include <cstdint>

#include "protocol/status_words.h"

namespace sim {

// The printer's verdict on one command. 0 means executed; every other value
// means refused, with nothing changed in the fiscal state. The values and their
// meanings are those of protocol/status_words.h.
enum class ReturnCode : std::uint16_t {
  kOk = fp::protocol::return_code::kExecuted,
  kUnknownCommand = fp::protocol::return_code::kUnknownCommand,
  kOutOfOrder = fp::protocol::return_code::kOutOfOrder,
  kMalformedField = fp::protocol::return_code::kMalformedField,
  kBadTaxNumber = fp::protocol::return_code::kBadTaxNumber,
  kReturnExceedsSale = fp::protocol::return_code::kReturnExceedsSale,
  kPaymentMissing = fp::protocol::return_code::kPaymentMissing,
  kPaperOut = fp::protocol::return_code::kPaperOut,
  kAmountTooLarge = fp::protocol::return_code::kAmountTooLarge,
  kCoverOpen = fp::protocol::return_code::kCoverOpen,
  kMemoryFull = fp::protocol::return_code::kMemoryFull,
  kMemoryWriteFailed = fp::protocol::return_code::kMemoryWriteFailed,
};

}  // namespace sim
