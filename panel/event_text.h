// The panel's words for what the stream reports: amounts, the fiscal state
// and the line monitor's rows. No Qt: texts in UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "simulator/control/watch_event.h"

namespace panel {

// "1.21", "-0.50": cents as the paper shows them.
std::string amountText(std::int64_t cents);
// "21.00 %": a rate in hundredths of a percent.
std::string rateText(std::int64_t rate);

// One row of the line monitor, as the trace decoder writes a line: `>` a
// frame in, `<` out, `=` a command's verdict.
struct MonitorRow {
  std::string direction;
  std::string frame;    // "#5 ticket-item", "ACK", "#5 reply"
  std::string details;  // words and fields, or the reply's code and status words
  std::string verdict;  // "OK (0 executed)", "REFUSED (7 paper out)", "!! ..." for trouble
};
MonitorRow frameRow(const sim::watch::Frame& frame);
MonitorRow commandRow(const sim::watch::Command& command);

// "Ticket 00000012 open: 12.10 in 3 items, paid 20.00" or "No document open".
std::string documentText(const sim::watch::Fiscal::Document& document);
// "2 tickets, 1 invoice, 0 non-fiscal, 0 cancelled; total 24.20, tax 4.20, returns 0.00".
std::string dayText(const sim::watch::Fiscal::Day& day);
// "0003 on 2026-12-10 03:15:00", "0003", or "none yet".
std::string lastZText(const sim::watch::Fiscal& fiscal);

}  // namespace panel
