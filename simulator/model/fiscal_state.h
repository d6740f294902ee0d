// What the virtual printer remembers: the open document and the day's totals.
#pragma once

#include <cstdint>

namespace sim {

enum class DocumentKind { kNone, kTicket, kInvoice, kNonFiscal };

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

  bool isEmpty() const { return tickets + invoices + nonFiscal + cancelled == 0; }
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
};

// The number after `last` in a series of `digits` digits: 1 again after the largest.
inline std::uint32_t nextSerial(std::uint32_t last, int digits) {
  std::uint64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  return last + 1 < limit ? last + 1 : 1;
}

}  // namespace sim
