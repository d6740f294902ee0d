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

// The lines of a day's totals by rate, then its total.
void printRates(PaperRoll& paper, const DayTotals& day) {
  for (const auto& [rate, totals] : day.byRate) {
    paper.print(layout::leftRight("Neto " + formatRate(rate), formatCents(totals.net)));
    paper.print(layout::leftRight("IVA " + formatRate(rate), formatCents(totals.tax)));
    paper.print(layout::leftRight("Total " + formatRate(rate), formatCents(totals.gross)));
  }
  paper.print(layout::leftRight("TOTAL", formatCents(day.total)));
}

std::string zRange(std::int64_t first, std::int64_t last) {
  return "Z " + zeroPadded(first, 4) + " a " + zeroPadded(last, 4);
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

// Per Z of the range its number, date and totals by tax rate, then the
// range's sums, from the Z closings the printer finds again (its memory).
Outcome FiscalPrinter::printMemoryReport(const Command& command, DocumentKind) {
  if (document_.kind != DocumentKind::kNone) return {ReturnCode::kOutOfOrder, {}};
  const std::optional<std::int64_t> first = parseDigits(fieldAt(command, 1), 4);
  const std::optional<std::int64_t> last = parseDigits(fieldAt(command, 2), 4);
  if (!fitsFieldCount(command, 2) || !first || !last || *first == 0 || *first > *last) {
    return {ReturnCode::kMalformedField, {}};
  }
  const std::optional<std::vector<ClosingRecord>> closings =
      closingsBetween(static_cast<std::uint32_t>(*first), static_cast<std::uint32_t>(*last));
  if (!closings) return {ReturnCode::kMemoryWriteFailed, {}};
  if (closings->empty()) return {ReturnCode::kMalformedField, {}};  // a range with no Z
  DayTotals sums;
  paper_.print(layout::rule('='));
  paper_.print(layout::centred("INFORME MEMORIA FISCAL"));
  paper_.print(layout::centred(zRange(*first, *last)));
  for (const ClosingRecord& z : *closings) {
    paper_.print(layout::rule('-'));
    paper_.print(layout::leftRight("Z " + zeroPadded(z.number, 4), z.closedAt));
    printRates(paper_, z.day);
    for (const auto& [rate, totals] : z.day.byRate) {
      RateTotals& sum = sums.byRate[rate];
      sum.gross += totals.gross;
      sum.net += totals.net;
      sum.tax += totals.tax;
    }
    sums.total += z.day.total;
  }
  paper_.print(layout::rule('-'));
  paper_.print("SUMA " + zRange(closings->front().number, closings->back().number));
  printRates(paper_, sums);
  paper_.print(layout::rule('='));
  return {ReturnCode::kOk,
          {zeroPadded(static_cast<std::int64_t>(closings->size()), 4), zeroPadded(sums.total, 11)}};
}

}  // namespace sim
