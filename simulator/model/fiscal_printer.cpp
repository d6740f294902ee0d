#include "simulator/model/fiscal_printer.h"

#include <array>
#include <vector>

#include "contract/command_set.h"
#include "protocol/status_words.h"
#include "simulator/model/amounts.h"
#include "simulator/model/layout.h"

namespace sim {

namespace {

// How the printer carries out each command of the shared command set.
struct Behaviour {
  std::string_view name;  // the row of the command set
  bool prints;
  bool takesLong;
  Outcome (FiscalPrinter::*run)(const Command&, DocumentKind);
  DocumentKind kind;
};

}  // namespace

const CommandInfo* FiscalPrinter::find(std::uint16_t word, std::uint16_t extension) {
  using P = FiscalPrinter;
  using K = DocumentKind;
  static const Behaviour kBehaviours[] = {
      {"ticket-open", true, false, &P::openSalesDocument, K::kTicket},
      {"ticket-item", true, false, &P::addItem, K::kTicket},
      {"ticket-return", true, false, &P::addItem, K::kTicket},
      {"ticket-pay", true, false, &P::addPayment, K::kTicket},
      {"ticket-close", true, false, &P::closeSalesDocument, K::kTicket},
      {"ticket-cancel", true, false, &P::cancelSalesDocument, K::kTicket},
      {"invoice-open", true, false, &P::openSalesDocument, K::kInvoice},
      {"invoice-item", true, false, &P::addItem, K::kInvoice},
      {"invoice-return", true, false, &P::addItem, K::kInvoice},
      {"invoice-pay", true, false, &P::addPayment, K::kInvoice},
      {"invoice-close", true, false, &P::closeSalesDocument, K::kInvoice},
      {"invoice-cancel", true, false, &P::cancelSalesDocument, K::kInvoice},
      {"nonfiscal-open", true, false, &P::openNonFiscal, K::kNonFiscal},
      {"nonfiscal-text", true, false, &P::printNonFiscalText, K::kNonFiscal},
      {"nonfiscal-close", true, false, &P::closeNonFiscal, K::kNonFiscal},
      {"closing-z", true, true, &P::closingZ, K::kNone},
      {"closing-x", true, false, &P::closingX, K::kNone},
      {"journal-total", true, false, &P::journalTotal, K::kNone},
      {"drawer-open", false, false, &P::openDrawer, K::kNone},
      {"clock-read", false, false, &P::readClock, K::kNone},
      {"clock-set", false, false, &P::setClock, K::kNone},
      {"memory-report", true, false, &P::printMemoryReport, K::kNone},
  };
  // One entry per row of the command set that this printer carries out; a
  // row without a behaviour is answered "unknown command", which the command
  // set's test (tests/contract) names.
  static const auto kTable = [] {
    std::vector<CommandInfo> table;
    for (const fp::contract::CommandRow* row : fp::contract::commandTable()) {
      for (const Behaviour& behaviour : kBehaviours) {
        if (behaviour.name != row->name) continue;
        table.push_back({row->command.value, row->extension.value, fp::contract::statisticKey(*row),
                         behaviour.prints, behaviour.takesLong, behaviour.run, behaviour.kind});
      }
    }
    return table;
  }();
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
  if (outcome.code != ReturnCode::kOk) fiscal |= fp::protocol::fiscal_status::kCommandRefused;
  return Reply{printerStatus(), fiscal, std::move(outcome)};
}

// Runs a known command; when any of its lines was lost, the command did not
// happen: the state goes back to what it was and the answer is paper out.
Outcome FiscalPrinter::runKeepingPaper(const CommandInfo& info, const Command& command) {
  const Document document = document_;
  const DayTotals day = day_;
  const FiscalState before = state();
  const bool drawerOpen = drawerOpen_;
  const std::size_t closingsBefore = madeClosings_.size();
  const std::size_t lostBefore = paper_.lostLines();
  Outcome outcome = (this->*info.run)(command, info.kind);
  if (paper_.lostLines() == lostBefore) return outcome;
  restore(before, false);
  drawerOpen_ = drawerOpen;
  madeClosings_.resize(closingsBefore);
  lastLine_.reset();
  return Outcome{ReturnCode::kPaperOut, {}};
}

Reply FiscalPrinter::refusal(ReturnCode code) {
  std::uint16_t fiscal = fiscalStatus();
  if (code != ReturnCode::kOk) fiscal |= fp::protocol::fiscal_status::kCommandRefused;
  return Reply{printerStatus(), fiscal, Outcome{code, {}}};
}

void FiscalPrinter::restore(const FiscalState& state, bool afterRestart) {
  document_ = state.document;
  day_ = state.day;
  numbering_ = state.numbering;
  clockOffset_ = state.clockOffset;
  lastZAt_ = state.lastZAt;
  lastLine_.reset();
  if (afterRestart) {
    madeClosings_.clear();  // what a restart knows of them is in the archive
    recovered_.reset();
    if (document_.kind != DocumentKind::kNone) recovered_ = document_;
  }
}

std::uint16_t FiscalPrinter::printerStatus() const {
  namespace printer_status = fp::protocol::printer_status;
  std::uint16_t word = 0;
  if (paper_.isLow()) word |= printer_status::kPaperLow;
  if (paper_.isOut()) word |= printer_status::kPaperOut;
  if (drawerOpen_) word |= printer_status::kDrawerOpen;
  if (coverOpen_) word |= printer_status::kCoverOpen;
  if (memoryError_) word |= printer_status::kMemoryError;
  return word;
}

std::uint16_t FiscalPrinter::fiscalStatus() const {
  namespace fiscal_status = fp::protocol::fiscal_status;
  std::uint16_t word = 0;
  switch (document_.kind) {
    case DocumentKind::kTicket:
      word |= fiscal_status::kTicketOpen;
      break;
    case DocumentKind::kInvoice:
      word |= fiscal_status::kInvoiceOpen;
      break;
    case DocumentKind::kNonFiscal:
      word |= fiscal_status::kNonFiscalOpen;
      break;
    case DocumentKind::kNone:
      break;
  }
  if (document_.payments > 0) word |= fiscal_status::kPaymentStarted;
  if (!day_.isEmpty()) word |= fiscal_status::kDayTotalsPending;
  if (memoryFull()) word |= fiscal_status::kMemoryFull;
  if (recovered_ && recovered_->kind == document_.kind && recovered_->number == document_.number) {
    word |= fiscal_status::kDocumentRecovered;
  }
  return word;
}

void FiscalPrinter::printDocumentHeader(std::string_view title, std::uint32_t number) {
  paper_.print(layout::rule('='));
  paper_.print(layout::centred("IMPRESOR FISCAL VIRTUAL"));
  paper_.print(layout::leftRight(title, "Nro " + zeroPadded(number, 8)));
  paper_.print(layout::rule('-'));
}

std::optional<std::vector<ClosingRecord>> FiscalPrinter::closingsBetween(std::uint32_t first,
                                                                         std::uint32_t last) {
  if (archive_ != nullptr) return archive_->closings(first, last);
  std::vector<ClosingRecord> found;
  for (const ClosingRecord& z : madeClosings_) {
    if (z.number >= first && z.number <= last) found.push_back(z);
  }
  return found;
}

void FiscalPrinter::feed(std::int64_t lines) {
  for (std::int64_t i = 0; i < lines; ++i) paper_.print("");
}

}  // namespace sim
