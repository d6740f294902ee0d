// How fiscalctl shows an outcome: a block a person reads, or one JSON object a
// line for scripts. Texts and bit names come from the library when it has them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "fiscalctl/printer_api.h"
#include "fiscalctl/session.h"
#include "protocol/printer_text.h"

namespace fiscalctl {

// "1002 printer refused the command: out of order" style text for a code ("" when
// the library has no getErrorText).
std::string codeText(const PrinterApi& api, int code);

// The names of the bits set in a status word, joined by ", " ("-" when none);
// "" when the library cannot name them.
std::string bitNames(const PrinterApi& api, int word, int value);

void printText(std::ostream& out, const PrinterApi& api, const Outcome& outcome);
void printJson(std::ostream& out, const PrinterApi& api, const Outcome& outcome);
// The object printJson prints, without its line end.
std::string jsonOutcome(const PrinterApi& api, const Outcome& outcome);

// "0x0A02": a status word as the output shows it.
std::string hexWord(int value);

// A field or any text as a quoted, readable string: printable ASCII as it is,
// every other byte as \xHH (and \\, \" escaped).
std::string quoted(std::string_view bytes);

// Printer texts in JSON: one escaper for the whole project (ISO-8859-1 in,
// UTF-8 out).
using fp::protocol::jsonString;
// Texts as a JSON array of strings.
std::string jsonList(const std::vector<std::string>& texts);

}  // namespace fiscalctl
