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

// A fiscal day never runs backwards: the clock is set only between days (no
// document open, no totals since the last Z), and never to a date before the
// last Z's. The printer keeps the difference to the system's clock.
Outcome FiscalPrinter::setClock(const Command& command, DocumentKind) {
  if (document_.kind != DocumentKind::kNone || !day_.isEmpty()) {
    return {ReturnCode::kOutOfOrder, {}};
  }
  const std::optional<std::int64_t> wall =
      fitsFieldCount(command, 2) ? wallSeconds(fieldAt(command, 1), fieldAt(command, 2))
                                 : std::nullopt;
  if (!wall) return {ReturnCode::kMalformedField, {}};
  const std::size_t kDate = 10;  // "YYYY-MM-DD"
  if (!lastZAt_.empty() && wallText(*wall).substr(0, kDate) < lastZAt_.substr(0, kDate)) {
    return {ReturnCode::kOutOfOrder, {}};
  }
  clockOffset_ = *wall - wallClock_();
  return {ReturnCode::kOk, clockFields(now())};
}

}  // namespace sim
