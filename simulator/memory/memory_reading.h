// Reading the fiscal memory back as values: the printer's identity, the Z
// closings, the open day and the journal of a day. How they are shown is the
// reports' (simulator/report/) and the paper's (the model's) business.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/memory/fiscal_memory.h"
#include "simulator/model/fiscal_state.h"

namespace sim {

struct PrinterIdentity {
  std::string model, firmware, serial, createdAt;
  std::int64_t powerOns = 0;
};

// Z closings whose date (YYYY-MM-DD) lies between `from` and `to`, both
// included; either may be left open.
struct ReportRange {
  std::optional<std::string> from;
  std::optional<std::string> to;
};

// The open day's running totals (tables day and day_rates); false when they
// cannot be read.
bool readDay(sql::Database& db, DayTotals& day);

// What the memory report shows, read in one transaction.
struct MemoryContents {
  PrinterIdentity identity;
  std::vector<ClosingRecord> closings;  // in the range, by number
  DayTotals openDay;
  std::uint32_t nextZ = 0;  // the number the open day's Z will have
};

// Nothing, with `error` set, when the memory cannot be read.
std::optional<MemoryContents> readMemoryContents(FiscalMemory& memory, const ReportRange& range,
                                                 std::string& error);

// The Z closings numbered `first` to `last` that the memory holds, by number.
std::optional<std::vector<ClosingRecord>> readClosings(FiscalMemory& memory, std::uint32_t first,
                                                       std::uint32_t last, std::string& error);

// The day of a journal: the documents of Z closing `z`, or of those closed on
// `date`; with neither, the open day.
struct JournalDay {
  std::optional<std::uint32_t> z;
  std::optional<std::string> date;
};

struct JournalEntryLine {
  std::string kind, text;
  std::int64_t quantity = 0, unitPrice = 0, rate = 0, amount = 0;
};

// A document of the journal with its lines.
struct JournalEntry {
  std::string kind;  // "ticket", "invoice", "non_fiscal"
  std::int64_t number = 0;
  std::string state, openedAt, closedAt;  // closedAt empty while open
  std::int64_t total = 0, net = 0, tax = 0, returns = 0, paid = 0;
  std::int64_t day = 0;  // the number of the Z that closes its day
  std::vector<JournalEntryLine> lines;
};

std::optional<std::vector<JournalEntry>> readJournal(FiscalMemory& memory, const JournalDay& day,
                                                     std::string& error);

}  // namespace sim
