// Reading the fiscal memory back: the report of its Z closings and the
// journal of a day, as text for people or JSON for scripts; printer texts in
// both are UTF-8 (protocol/printer_text.h).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "simulator/memory/fiscal_memory.h"

namespace sim {

// Z closings whose date (YYYY-MM-DD) lies between `from` and `to`, both
// included; either may be left open.
struct ReportRange {
  std::optional<std::string> from;
  std::optional<std::string> to;
};

// Writes the report: the printer's identity, every Z closing in the range
// with its totals by tax rate, and the open day. False with `error` set when
// the memory cannot be read.
bool writeMemoryReport(FiscalMemory& memory, const ReportRange& range, bool json, std::ostream& out,
                       std::string& error);

// The day of a journal: the documents of Z closing `z`, or of those closed on
// `date`; with neither, the open day.
struct JournalDay {
  std::optional<std::uint32_t> z;
  std::optional<std::string> date;
};

// Writes every document of the day with its lines.
bool writeJournal(FiscalMemory& memory, const JournalDay& day, bool json, std::ostream& out,
                  std::string& error);

// True for a date written YYYY-MM-DD.
bool isDate(const std::string& text);

}  // namespace sim
