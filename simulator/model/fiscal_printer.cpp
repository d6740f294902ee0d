#include "simulator/model/fiscal_printer.h"

#include <algorithm>
#include <array>
#include <string>
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
      {"ticket-item-return", true, false, &P::addItem, K::kTicket},
      {"ticket-payment", true, false, &P::addPayment, K::kTicket},
      {"ticket-close", true, false, &P::closeSalesDocument, K::kTicket},
      {"ticket-cancel", true, false, &P::cancelSalesDocument, K::kTicket},
      {"invoice-open", true, false, &P::openSalesDocument, K::kInvoice},
      {"invoice-item", true, false, &P::addItem, K::kInvoice},
      {"invoice-item-return", true, false, &P::addItem, K::kInvoice},
      {"invoice-payment", true, false, &P::addPayment, K::kInvoice},
      {"invoice-close", true, false, &P::closeSalesDocument, K::kInvoice},
      {"invoice-cancel", true, false, &P::cancelSalesDocument, K::kInvoice},
      {"non-fiscal-open", true, false, &P::openNonFiscal, K::kNonFiscal},
      {"non-fiscal-text", true, false, &P::printNonFiscalText, K::kNonFiscal},
      {"non-fiscal-close", true, false, &P::closeNonFiscal, K::kNonFiscal},
      {"closing-z", true, true, &P::closingZ, K::kNone},
      {"closing-x", true, false, &P::closingX, K::kNone},
      {"journal-total", true, false, &P::journalTotal, K::kNone},
      {"drawer-open", false, false, &P::openDrawer, K::kNone},
  };
  // One entry per row of the command set, in its order; the statistics key is the
  // command's name with '_' between its words ("ticket_item").
  static const auto kTable = [] {
    const auto& commands = fp::contract::commandTable();
    static std::vector<std::string> keys(commands.size());
    std::vector<CommandInfo> table;
    for (std::size_t i = 0; i < commands.size(); ++i) {
      const fp::contract::CommandSpec& spec = *commands[i];
      keys[i] = std::string(spec.name);
      std::replace(keys[i].begin(), keys[i].end(), '-', '_');
      for (const Behaviour& behaviour : kBehaviours) {
        if (behaviour.name != spec.name) continue;
        table.push_back({spec.command.value, spec.extension.value, keys[i], behaviour.prints,
                         behaviour.takesLong, behaviour.run, behaviour.kind});
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
  const CommandInfo* info = find(command.word, command.extension);
  if (info == nullptr) {
    outcome.code = ReturnCode::kUnknownCommand;
  } else if (info->prints && paper_.isOut()) {
    outcome.code = ReturnCode::kPaperOut;
  } else {
    outcome = (this->*info->run)(command, info->kind);
  }
  lastRefused_ = outcome.code != ReturnCode::kOk;
  return Reply{printerStatus(), fiscalStatus(), std::move(outcome)};
}

std::uint16_t FiscalPrinter::printerStatus() const {
  namespace printer_status = fp::protocol::printer_status;
  std::uint16_t word = 0;
  if (paper_.isLow()) word |= printer_status::kPaperLow;
  if (paper_.isOut()) word |= printer_status::kPaperOut;
  if (drawerOpen_) word |= printer_status::kDrawerOpen;
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
  if (lastRefused_) word |= fiscal_status::kCommandRefused;
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
