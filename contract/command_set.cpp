#include "contract/command_set.h"

namespace fp::contract {

const std::array<const CommandSpec*, kCommandCount>& commandTable() {
  static const std::array<const CommandSpec*, kCommandCount> table = {
      &kTicketOpen,   &kTicketItemAdd, &kTicketItemReturn, &kTicketPayment,     &kTicketClose,
      &kTicketCancel, &kInvoiceOpen,   &kInvoiceItemAdd,   &kInvoiceItemReturn, &kInvoicePayment,
      &kInvoiceClose, &kInvoiceCancel, &kNonFiscalOpen,    &kNonFiscalText,     &kNonFiscalClose,
      &kClosingZ,     &kClosingX,      &kJournalTotal,     &kDrawerOpen,
  };
  return table;
}

const CommandSpec* findCommand(std::uint16_t command, std::uint16_t extension) {
  for (const CommandSpec* spec : commandTable()) {
    if (spec->command.value == command && spec->extension.value == extension) return spec;
  }
  return nullptr;
}

const CommandSpec* findCommand(std::string_view name) {
  for (const CommandSpec* spec : commandTable()) {
    if (spec->name == name) return spec;
  }
  return nullptr;
}

}  // namespace fp::contract
