#include "protocol/status_names.h"

#include <array>

#include "protocol/status_words.h"

namespace fp::protocol {
namespace {

struct NamedBit {
  std::uint16_t mask;
  const char* name;
};

constexpr std::array kPrinterBits = {
    NamedBit{printer_status::kPaperLow, "paper low"},
    NamedBit{printer_status::kPaperOut, "paper out"},
    NamedBit{printer_status::kDrawerOpen, "drawer open"},
    NamedBit{printer_status::kCoverOpen, "cover open"},
    NamedBit{printer_status::kMemoryError, "fiscal memory error"},
};

constexpr std::array kFiscalBits = {
    NamedBit{fiscal_status::kTicketOpen, "ticket open"},
    NamedBit{fiscal_status::kInvoiceOpen, "\"A\" invoice open"},
    NamedBit{fiscal_status::kNonFiscalOpen, "non-fiscal document open"},
    NamedBit{fiscal_status::kPaymentStarted, "payment started"},
    NamedBit{fiscal_status::kDayTotalsPending, "day totals pending"},
    NamedBit{fiscal_status::kCommandRefused, "last command refused"},
    NamedBit{fiscal_status::kMemoryFull, "fiscal memory full"},
    NamedBit{fiscal_status::kDocumentRecovered, "document recovered after a restart"},
};

template <std::size_t N>
const char* find(const std::array<NamedBit, N>& bits, std::uint16_t mask) {
  for (const NamedBit& bit : bits) {
    if (bit.mask == mask) return bit.name;
  }
  return "";
}

}  // namespace

const char* statusBitName(StatusWord word, int bit) {
  if (bit < 0 || bit > 15) return "";
  const auto mask = static_cast<std::uint16_t>(1u << bit);
  return word == StatusWord::Printer ? find(kPrinterBits, mask) : find(kFiscalBits, mask);
}

std::string statusBitNames(StatusWord word, std::uint16_t value) {
  std::string names;
  for (int bit = 0; bit < 16; ++bit) {
    if ((value & (1u << bit)) == 0) continue;
    if (!names.empty()) names += ", ";
    const std::string name = statusBitName(word, bit);
    names += name.empty() ? "bit " + std::to_string(bit) : name;
  }
  return names.empty() ? "-" : names;
}

const char* returnCodeText(std::uint16_t code) {
  switch (code) {
    case return_code::kExecuted:
      return "executed";
    case return_code::kUnknownCommand:
      return "unknown command";
    case return_code::kOutOfOrder:
      return "out of order";
    case return_code::kMalformedField:
      return "malformed field";
    case return_code::kBadTaxNumber:
      return "bad tax number";
    case return_code::kReturnExceedsSale:
      return "return exceeds sale";
    case return_code::kPaymentMissing:
      return "payment missing";
    case return_code::kPaperOut:
      return "paper out";
    case return_code::kAmountTooLarge:
      return "amount too large";
    case return_code::kCoverOpen:
      return "cover open";
    case return_code::kMemoryFull:
      return "fiscal memory full";
    case return_code::kMemoryWriteFailed:
      return "fiscal memory write failed";
    default:
      return "";
  }
}

}  // namespace fp::protocol
