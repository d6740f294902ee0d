// The printer's three words that travel in every reply: the printer status word,
// the fiscal status word and the return code. Each is 16 bits on the wire, high
// byte first. Bits not listed here are sent as 0 and ignored by the host. This
// is the one definition: the virtual printer sets these bits, the library's
// documentation describes them, and the tests check them.
#pragma once

#include <cstdint>

namespace fp::protocol {

// Printer status word: the mechanism.
namespace printer_status {
inline constexpr std::uint16_t kPaperLow = 0x0001;     // bit 0: few lines left on the roll
inline constexpr std::uint16_t kPaperOut = 0x0002;     // bit 1: roll finished, printing refused
inline constexpr std::uint16_t kDrawerOpen = 0x0004;   // bit 2: cash drawer open
inline constexpr std::uint16_t kCoverOpen = 0x0008;    // bit 3: cover open, printing refused
inline constexpr std::uint16_t kMemoryError = 0x0010;  // bit 4: the last fiscal memory write failed
}  // namespace printer_status

// Fiscal status word: documents and the day.
namespace fiscal_status {
inline constexpr std::uint16_t kTicketOpen = 0x0001;        // bit 0: consumer ticket open
inline constexpr std::uint16_t kInvoiceOpen = 0x0002;       // bit 1: "A" invoice open
inline constexpr std::uint16_t kNonFiscalOpen = 0x0004;     // bit 2: non-fiscal document open
inline constexpr std::uint16_t kPaymentStarted = 0x0008;    // bit 3: open document has a payment
inline constexpr std::uint16_t kDayTotalsPending = 0x0010;  // bit 4: documents since the last Z
inline constexpr std::uint16_t kCommandRefused = 0x0020;    // bit 5: last command was refused
inline constexpr std::uint16_t kMemoryFull = 0x0040;        // bit 6: no room for another Z
inline constexpr std::uint16_t kDocumentRecovered =
    0x0080;  // bit 7: open document kept over a restart
}  // namespace fiscal_status

// Return code: 0 means the printer executed the command; any other value means
// it refused it and changed nothing. The values the printer uses:
namespace return_code {
inline constexpr std::uint16_t kExecuted = 0;
inline constexpr std::uint16_t kUnknownCommand = 1;      // command/extension pair not known
inline constexpr std::uint16_t kOutOfOrder = 2;          // not allowed in the document state
inline constexpr std::uint16_t kMalformedField = 3;      // missing, extra or badly formed field
inline constexpr std::uint16_t kBadTaxNumber = 4;        // tax number check digit wrong
inline constexpr std::uint16_t kReturnExceedsSale = 5;   // a return beyond the document total
inline constexpr std::uint16_t kPaymentMissing = 6;      // close before the total is paid
inline constexpr std::uint16_t kPaperOut = 7;            // the roll is finished
inline constexpr std::uint16_t kAmountTooLarge = 8;      // beyond 999 999 999.99
inline constexpr std::uint16_t kCoverOpen = 9;           // the cover is open
inline constexpr std::uint16_t kMemoryFull = 10;         // no room for another Z closing
inline constexpr std::uint16_t kMemoryWriteFailed = 11;  // the fiscal memory could not keep it
}  // namespace return_code

}  // namespace fp::protocol
