// The printer's clock and its fiscal memory report: commands the console's
// window does not offer.
#include "simulator/model/amounts.h"
#include "simulator/model/fields.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/model/layout.h"

namespace sim {
namespace {

// The clock as reply fields: "YYYYMMDD", "HHMMSS".
std::vector<std::string> clockFields(std::int64_t wall) {
  const std::string text = wallText(wall);  // "YYYY-MM-DD HH:MM:SS"
  return {text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2),
          text.substr(11, 2) + text.substr(14, 2) + text.substr(17, 2)};
}

}  // namespace

// Allowed at any time: reading the clock prints nothing and changes nothing.
Outcome FiscalPrinter::readClock(const Command& command, DocumentKind) {
  if (!fitsFieldCount(command, 0)) return {ReturnCode::kMalformedField, {}};
  return {ReturnCode::kOk, clockFields(now())};
}

}  // namespace sim
