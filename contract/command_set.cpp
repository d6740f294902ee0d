#include "fiscal/commands.h"

namespace console {

const std::array<const CommandSpec*, kCommandCount>& commandTable() {
  static const std::array<const CommandSpec*, kCommandCount> table = {
      &kTicketOpen,   &kTicketItemAdd, &kTicketItemReturn, &kTicketPayment,     &kTicketClose,
      &kTicketCancel, &kInvoiceOpen,   &kInvoiceItemAdd,   &kInvoiceItemReturn, &kInvoicePayment,
      &kInvoiceClose, &kInvoiceCancel, &kNonFiscalOpen,    &kNonFiscalText,     &kNonFiscalClose,
      &kClosingZ,     &kClosingX,      &kJournalTotal,     &kDrawerOpen,
  };
  return table;
}

}  // namespace console
