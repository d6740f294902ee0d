// Bits of the two status words that accompany every reply.
#pragma once

#include <cstdint>

namespace sim::status {

// Printer status word: the mechanism.
inline constexpr std::uint16_t kPaperLow = 0x0001;     // few lines left on the roll
inline constexpr std::uint16_t kPaperOut = 0x0002;     // roll finished: printing refused
inline constexpr std::uint16_t kDrawerOpen = 0x0004;   // cash drawer open
inline constexpr std::uint16_t kCoverOpen = 0x0008;    // cover open: printing refused
inline constexpr std::uint16_t kMemoryError = 0x0010;  // the last fiscal memory write failed

// Fiscal status word: documents and the day.
inline constexpr std::uint16_t kTicketOpen = 0x0001;         // consumer ticket open
inline constexpr std::uint16_t kInvoiceOpen = 0x0002;        // "A" invoice open
inline constexpr std::uint16_t kNonFiscalOpen = 0x0004;      // non-fiscal document open
inline constexpr std::uint16_t kPaymentStarted = 0x0008;     // open document has a payment
inline constexpr std::uint16_t kDayTotalsPending = 0x0010;   // documents since the last Z
inline constexpr std::uint16_t kCommandRefused = 0x0020;     // the last command was refused
inline constexpr std::uint16_t kMemoryFull = 0x0040;         // no room for another Z closing
inline constexpr std::uint16_t kDocumentRecovered = 0x0080;  // open document kept over a restart

}  // namespace sim::status
