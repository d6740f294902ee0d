#include "simulator/model/fiscal_printer.h"

#include <array>

#include "simulator/model/amounts.h"
#include "simulator/model/layout.h"
#include "simulator/model/status_bits.h"

namespace sim {

const CommandInfo* FiscalPrinter::find(std::uint16_t word, std::uint16_t extension) {
  using P = FiscalPrinter;
  using K = DocumentKind;
  static const std::array<CommandInfo, 19> kTable = {{
      {0x0A01, 0x0000, "ticket_open", true, false, &P::openSalesDocument, K::kTicket},
      {0x0A02, 0x0000, "ticket_item", true, false, &P::addItem, K::kTicket},
      {0x0A02, 0x0001, "ticket_item_return", true, false, &P::addItem, K::kTicket},
      {0x0A05, 0x0000, "ticket_payment", true, false, &P::addPayment, K::kTicket},
      {0x0A06, 0x0013, "ticket_close", true, false, &P::closeSalesDocument, K::kTicket},
      {0x0A07, 0x0000, "ticket_cancel", true, false, &P::cancelSalesDocument, K::kTicket},
      {0x0B01, 0x0000, "invoice_open", true, false, &P::openSalesDocument, K::kInvoice},
      {0x0B02, 0x0000, "invoice_item", true, false, &P::addItem, K::kInvoice},
      {0x0B02, 0x0001, "invoice_item_return", true, false, &P::addItem, K::kInvoice},
      {0x0B05, 0x0000, "invoice_payment", true, false, &P::addPayment, K::kInvoice},
      {0x0B06, 0x0013, "invoice_close", true, false, &P::closeSalesDocument, K::kInvoice},
      {0x0B07, 0x0000, "invoice_cancel", true, false, &P::cancelSalesDocument, K::kInvoice},
      {0x0E01, 0x0000, "non_fiscal_open", true, false, &P::openNonFiscal, K::kNonFiscal},
      {0x0E02, 0x0000, "non_fiscal_text", true, false, &P::printNonFiscalText, K::kNonFiscal},
      {0x0E06, 0x0001, "non_fiscal_close", true, false, &P::closeNonFiscal, K::kNonFiscal},
      {0x0801, 0x0C00, "closing_z", true, true, &P::closingZ, K::kNone},
      {0x0802, 0x0C21, "closing_x", true, false, &P::closingX, K::kNone},
      {0x0803, 0x0C20, "journal_total", true, false, &P::journalTotal, K::kNone},
      {0x0707, 0x0000, "drawer_open", false, false, &P::openDrawer, K::kNone},
  }};
  for (const CommandInfo& info : kTable) {
    if (info.word == word && info.extension == extension) return &info;
  }
  return nullptr;
}

Reply FiscalPrinter::execute(const Command& command) {
  Outcome outcome;
  lastLine_.reset();
  const CommandInfo* info = find(command.word, command.extension);
  if (info == nullptr) {
    outcome.code = ReturnCode::kUnknownCommand;
  } else if (info->prints && paper_.isOut()) {
    outcome.code = ReturnCode::kPaperOut;
  } else if (info->prints && coverOpen_) {
    outcome.code = ReturnCode::kCoverOpen;
  } else {
    outcome = runKeepingPaper(*info, command);
  }
  std::uint16_t fiscal = fiscalStatus();
  if (outcome.code != ReturnCode::kOk) fiscal |= status::kCommandRefused;
  return Reply{printerStatus(), fiscal, std::move(outcome)};
}

// Runs a known command; when any of its lines was lost, the command did not
// happen: the state goes back to what it was and the answer is paper out.
Outcome FiscalPrinter::runKeepingPaper(const CommandInfo& info, const Command& command) {
  const Document document = document_;
  const DayTotals day = day_;
  const Numbering numbering = numbering_;
  const bool drawerOpen = drawerOpen_;
  const std::size_t lostBefore = paper_.lostLines();
  Outcome outcome = (this->*info.run)(command, info.kind);
  if (paper_.lostLines() == lostBefore) return outcome;
  document_ = document;
  day_ = day;
  numbering_ = numbering;
  drawerOpen_ = drawerOpen;
  lastLine_.reset();
  return Outcome{ReturnCode::kPaperOut, {}};
}

Reply FiscalPrinter::refusal(ReturnCode code) {
  std::uint16_t fiscal = fiscalStatus();
  if (code != ReturnCode::kOk) fiscal |= status::kCommandRefused;
  return Reply{printerStatus(), fiscal, Outcome{code, {}}};
}

void FiscalPrinter::restore(const FiscalState& state, bool afterRestart) {
  document_ = state.document;
  day_ = state.day;
  numbering_ = state.numbering;
  lastLine_.reset();
  if (afterRestart) {
    recovered_.reset();
    if (document_.kind != DocumentKind::kNone) recovered_ = document_;
  }
}

std::uint16_t FiscalPrinter::printerStatus() const {
  std::uint16_t word = 0;
  if (paper_.isLow()) word |= status::kPaperLow;
  if (paper_.isOut()) word |= status::kPaperOut;
  if (drawerOpen_) word |= status::kDrawerOpen;
  if (coverOpen_) word |= status::kCoverOpen;
  if (memoryError_) word |= status::kMemoryError;
  return word;
}

std::uint16_t FiscalPrinter::fiscalStatus() const {
  std::uint16_t word = 0;
  switch (document_.kind) {
    case DocumentKind::kTicket:
      word |= status::kTicketOpen;
      break;
    case DocumentKind::kInvoice:
      word |= status::kInvoiceOpen;
      break;
    case DocumentKind::kNonFiscal:
      word |= status::kNonFiscalOpen;
      break;
    case DocumentKind::kNone:
      break;
  }
  if (document_.payments > 0) word |= status::kPaymentStarted;
  if (!day_.isEmpty()) word |= status::kDayTotalsPending;
  if (memoryFull()) word |= status::kMemoryFull;
  if (recovered_ && recovered_->kind == document_.kind && recovered_->number == document_.number) {
    word |= status::kDocumentRecovered;
  }
  return word;
}

void FiscalPrinter::printDocumentHeader(std::string_view title, std::uint32_t number) {
  paper_.print(layout::rule('='));
  paper_.print(layout::centred("IMPRESOR FISCAL VIRTUAL"));
  paper_.print(layout::leftRight(title, "Nro " + zeroPadded(number, 8)));
  paper_.print(layout::rule('-'));
}

void FiscalPrinter::feed(std::int64_t lines) {
  for (std::int64_t i = 0; i < lines; ++i) paper_.print("");
}

}  // namespace sim
