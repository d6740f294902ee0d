// Return codes the virtual printer puts in every reply, and their short texts.
#pragma once

#include <cstdint>
#include <string_view>

namespace sim {

// The printer's verdict on one command. 0 means executed; every other value
// means refused, with nothing changed in the fiscal state.
enum class ReturnCode : std::uint16_t {
  kOk = 0,
  kUnknownCommand = 1,      // command word / extension word pair not known
  kOutOfOrder = 2,          // not allowed in the current document state
  kMalformedField = 3,      // missing, extra, wrongly sized or wrongly formed field
  kBadTaxNumber = 4,        // invoice customer's tax number fails its check digit
  kReturnExceedsSale = 5,   // an item return would make the document total negative
  kPaymentMissing = 6,      // close while the payments do not cover the total
  kPaperOut = 7,            // the paper roll is finished
  kAmountTooLarge = 8,      // an amount or total beyond eleven digits
  kCoverOpen = 9,           // the cover is open: printing commands refused
  kMemoryFull = 10,         // the fiscal memory has no room for another Z closing
  kMemoryWriteFailed = 11,  // the fiscal memory could not keep the command: not executed
};

// A short English text for a code ("out of order"); "unknown" for others.
std::string_view returnCodeText(ReturnCode code);

}  // namespace sim
