// The reports of the fiscal memory for people and scripts: its Z closings
// and open day, and the journal of a day, as text or JSON. Printer texts are
// UTF-8 in both (protocol/printer_text.h). What they show is read by
// simulator/memory/memory_reading.h; a column is added here.
#pragma once

#include <ostream>
#include <string>

#include "simulator/memory/memory_reading.h"

namespace sim {

// Writes the report: the printer's identity, every Z closing in the range
// with its totals by tax rate, and the open day. False with `error` set when
// the memory cannot be read.
bool writeMemoryReport(FiscalMemory& memory, const ReportRange& range, bool json, std::ostream& out,
                       std::string& error);

// Writes every document of the day with its lines.
bool writeJournal(FiscalMemory& memory, const JournalDay& day, bool json, std::ostream& out,
                  std::string& error);

// True for a day of the calendar written YYYY-MM-DD.
bool isDate(const std::string& text);

}  // namespace sim
