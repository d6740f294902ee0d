// What the virtual printer remembers: the open document and the day's totals.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace sim {

enum class DocumentKind { kNone, kTicket, kInvoice, kNonFiscal };

// Amounts at one tax rate, in cents: gross (tax included) = net + tax.
struct RateTotals {
  std::int64_t gross = 0;
  std::int64_t net = 0;
  std::int64_t tax = 0;
  bool operator==(const RateTotals&) const = default;
};

// Keyed by the rate in hundredths of a percent (2100 = 21.00 %).
using RateTable = std::map<std::int64_t, RateTotals>;

// The document being printed. Amounts are in cents, tax included.
struct Document {
  DocumentKind kind = DocumentKind::kNone;
  std::uint32_t number = 0;
  std::uint32_t itemLines = 0;  // sales and returns accepted
  std::int64_t total = 0;       // sales minus returns, tax included
  std::int64_t net = 0;         // total without tax
  std::int64_t tax = 0;         // tax contained in the total
  std::int64_t returns = 0;     // returned items, tax included
  std::int64_t paid = 0;        // sum of the payments
  std::uint32_t payments = 0;   // payments accepted
  std::uint32_t textLines = 0;  // lines of a non-fiscal document
  // Sales minus returns at each rate, as priced: tax included on a ticket,
  // net on an invoice. Never negative; the tax is worked out on these sums.
  std::map<std::int64_t, std::int64_t> bases;
  bool operator==(const Document&) const = default;
};

// Totals since the last Z closing. Only closed documents add amounts.
struct DayTotals {
  std::uint32_t tickets = 0;
  std::uint32_t invoices = 0;
  std::uint32_t nonFiscal = 0;
  std::uint32_t cancelled = 0;
  std::int64_t total = 0;  // closed tickets and invoices, tax included
  std::int64_t tax = 0;
  std::int64_t returns = 0;  // returned items, tax included (already out of total)
  RateTable byRate;          // closed tickets and invoices by tax rate

  bool isEmpty() const { return tickets + invoices + nonFiscal + cancelled == 0; }
  bool operator==(const DayTotals&) const = default;
};

// Numbers that run across days: last number given to each kind of document and report.
// Each has a fixed number of digits on paper and in replies; after the largest
// (9999 for Z and X, 99999999 for documents) numbering starts again at 1.
struct Numbering {
  std::uint32_t ticket = 0;
  std::uint32_t invoice = 0;
  std::uint32_t nonFiscal = 0;
  std::uint32_t zClosing = 0;
  std::uint32_t xReport = 0;
  bool operator==(const Numbering&) const = default;
};

// Everything fiscal the printer keeps between commands (what its memory holds).
struct FiscalState {
  Document document;
  DayTotals day;
  Numbering numbering;
  std::int64_t clockOffset = 0;  // the printer's clock less the system's, in seconds
  std::string lastZAt;           // when the last Z was made ("YYYY-MM-DD HH:MM:SS"), or ""
  bool operator==(const FiscalState&) const = default;
};

// A Z closing as the fiscal memory keeps it: its number, when it was made,
// the totals of the day it closed, and the first and last number of each kind
// of document in that day (none when the day had none of that kind).
struct ClosingRecord {
  std::uint32_t number = 0;
  std::string closedAt;  // "YYYY-MM-DD HH:MM:SS"
  DayTotals day;
  std::optional<std::int64_t> firstTicket, lastTicket, firstInvoice, lastInvoice, firstNonFiscal,
      lastNonFiscal;
};

// A line a command added to the open document, for the journal: an item
// ("item" or "return"), a payment, or a text line of a non-fiscal document.
struct JournalLine {
  std::string kind;            // "item", "return", "payment", "text"
  std::string text;            // description, payment label, or the text line
  std::int64_t quantity = 0;   // items: 4 implied decimals
  std::int64_t unitPrice = 0;  // items: cents
  std::int64_t rate = 0;       // items: hundredths of a percent
  std::int64_t amount = 0;     // items: the line amount as priced, negative for a return;
                               // payments: the amount paid
};

// Largest numbers before they start again from 1: document numbers have eight
// digits, X report numbers four.
inline constexpr std::uint32_t kLastDocumentNumber = 99'999'999;
inline constexpr std::uint32_t kLastReportNumber = 9'999;

// The number after `last` in a series of `digits` digits: 1 again after the largest.
inline std::uint32_t nextSerial(std::uint32_t last, int digits) {
  std::uint64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  return last + 1 < limit ? last + 1 : 1;
}

}  // namespace sim
