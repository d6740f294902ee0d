// Day-level commands: Z closing, X report, journal total, cash drawer.
#include "simulator/model/amounts.h"
#include "simulator/model/fields.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/model/layout.h"

namespace sim {
namespace {

std::string count(std::uint32_t value) {
  return std::to_string(value);
}

}  // namespace

// Reports need no document open and carry no fields.
ReturnCode FiscalPrinter::checkIdle(const Command& command) const {
  if (document_.kind != DocumentKind::kNone) return ReturnCode::kOutOfOrder;
  if (!fitsFieldCount(command, 0)) return ReturnCode::kMalformedField;
  return ReturnCode::kOk;
}

Outcome FiscalPrinter::closingZ(const Command& command, DocumentKind) {
  if (const ReturnCode code = checkIdle(command); code != ReturnCode::kOk) return {code, {}};
  // Z numbers never start again: a full fiscal memory takes no more closings.
  if (memoryFull()) return {ReturnCode::kMemoryFull, {}};
  ++numbering_.zClosing;
  lastZAt_ = clockText();
  printDayTotals("CIERRE Z Nro " + zeroPadded(numbering_.zClosing, 4), lastZAt_);
  if (archive_ == nullptr) {
    ClosingRecord made;
    made.number = numbering_.zClosing;
    made.closedAt = lastZAt_;
    made.day = day_;
    madeClosings_.push_back(std::move(made));
  }
  day_ = DayTotals{};
  drawerOpen_ = false;
  return Outcome{ReturnCode::kOk, {zeroPadded(numbering_.zClosing, 4)}};
}

Outcome FiscalPrinter::closingX(const Command& command, DocumentKind) {
  if (const ReturnCode code = checkIdle(command); code != ReturnCode::kOk) return {code, {}};
  numbering_.xReport = nextSerial(numbering_.xReport, 4);
  printDayTotals("INFORME X Nro " + zeroPadded(numbering_.xReport, 4));
  return Outcome{ReturnCode::kOk, {zeroPadded(numbering_.xReport, 4)}};
}

Outcome FiscalPrinter::journalTotal(const Command& command, DocumentKind) {
  if (const ReturnCode code = checkIdle(command); code != ReturnCode::kOk) return {code, {}};
  const std::uint32_t documents = day_.tickets + day_.invoices + day_.nonFiscal + day_.cancelled;
  paper_.print(layout::rule('='));
  paper_.print(layout::centred("TOTAL JORNAL"));
  paper_.print(layout::leftRight("Documentos", count(documents)));
  paper_.print(layout::leftRight("Total", formatCents(day_.total)));
  paper_.print(layout::rule('='));
  return Outcome{ReturnCode::kOk, {zeroPadded(documents, 8), zeroPadded(day_.total, 11)}};
}

// The drawer stays open until the cashier pushes it shut, which the printer
// sees as the next document opening or the next Z closing.
Outcome FiscalPrinter::openDrawer(const Command& command, DocumentKind) {
  if (!fitsFieldCount(command, 0)) return Outcome{ReturnCode::kMalformedField, {}};
  drawerOpen_ = true;
  return Outcome{ReturnCode::kOk, {}};
}

void FiscalPrinter::printDayTotals(std::string_view title, std::string_view time) {
  paper_.print(layout::rule('='));
  paper_.print(layout::centred(title));
  if (!time.empty()) paper_.print(layout::leftRight("Fecha", time));
  paper_.print(layout::rule('-'));
  paper_.print(layout::leftRight("Tiques", count(day_.tickets)));
  paper_.print(layout::leftRight("Facturas A", count(day_.invoices)));
  paper_.print(layout::leftRight("Documentos no fiscales", count(day_.nonFiscal)));
  paper_.print(layout::leftRight("Cancelados", count(day_.cancelled)));
  paper_.print(layout::leftRight("Devoluciones", formatCents(day_.returns)));
  for (const auto& [rate, totals] : day_.byRate) {
    paper_.print(layout::leftRight("Neto " + formatRate(rate), formatCents(totals.net)));
    paper_.print(layout::leftRight("IVA " + formatRate(rate), formatCents(totals.tax)));
  }
  paper_.print(layout::leftRight("IVA", formatCents(day_.tax)));
  paper_.print(layout::leftRight("TOTAL", formatCents(day_.total)));
  paper_.print(layout::leftRight("Ultimo tique", zeroPadded(numbering_.ticket, 8)));
  paper_.print(layout::leftRight("Ultima factura A", zeroPadded(numbering_.invoice, 8)));
  paper_.print(layout::rule('='));
}

}  // namespace sim
