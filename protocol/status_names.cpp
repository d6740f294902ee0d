#include "protocol/status_names.h"

#include <array>

#include "protocol/status_words.h"

namespace fp::protocol {
namespace {

// A bit's mask or a return code, and its name.
struct Named {
  std::uint16_t value;
  const char* name;
};

constexpr std::array kPrinterBits = {
    Named{printer_status::kPaperLow, "paper low"},
    Named{printer_status::kPaperOut, "paper out"},
    Named{printer_status::kDrawerOpen, "drawer open"},
    Named{printer_status::kCoverOpen, "cover open"},
    Named{printer_status::kMemoryError, "fiscal memory error"},
};

constexpr std::array kFiscalBits = {
    Named{fiscal_status::kTicketOpen, "ticket open"},
    Named{fiscal_status::kInvoiceOpen, "\"A\" invoice open"},
    Named{fiscal_status::kNonFiscalOpen, "non-fiscal document open"},
    Named{fiscal_status::kPaymentStarted, "payment started"},
    Named{fiscal_status::kDayTotalsPending, "day totals pending"},
    Named{fiscal_status::kCommandRefused, "last command refused"},
    Named{fiscal_status::kMemoryFull, "fiscal memory full"},
    Named{fiscal_status::kDocumentRecovered, "document recovered after a restart"},
};

constexpr std::array kReturnCodes = {
    Named{return_code::kExecuted, "executed"},
    Named{return_code::kUnknownCommand, "unknown command"},
    Named{return_code::kOutOfOrder, "out of order"},
    Named{return_code::kMalformedField, "malformed field"},
    Named{return_code::kBadTaxNumber, "bad tax number"},
    Named{return_code::kReturnExceedsSale, "return exceeds sale"},
    Named{return_code::kPaymentMissing, "payment missing"},
    Named{return_code::kPaperOut, "paper out"},
    Named{return_code::kAmountTooLarge, "amount too large"},
    Named{return_code::kCoverOpen, "cover open"},
    Named{return_code::kMemoryFull, "fiscal memory full"},
    Named{return_code::kMemoryWriteFailed, "fiscal memory write failed"},
};

template <std::size_t N>
const char* find(const std::array<Named, N>& names, std::uint16_t value) {
  for (const Named& named : names) {
    if (named.value == value) return named.name;
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
  return find(kReturnCodes, code);
}

}  // namespace fp::protocol
