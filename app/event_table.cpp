#include "app/event_table.h"

#include "fiscal/commands.h"
#include "printer/port_connection.h"

namespace console {

const std::array<EventBinding, kBindingCount>& eventTable() {
  static const std::array<EventBinding, kBindingCount> table = {{
      {kMainFormId, kFormOpened, PortConnect, "PortConnect"},
      {kMainFormId, kFormClosed, PortDisconnect, "PortDisconnect"},
      {0x07000009, kClick, TicketOpen, "TicketOpen"},
      {0x0700000B, kClick, TicketItemAdd, "TicketItemAdd"},
      {0x0700000B, kSecondaryEvent, EmptyProcedure, "empty"},
      {0x0700000C, kClick, TicketCancel, "TicketCancel"},
      {0x0700000D, kClick, TicketClose, "TicketClose"},
      {0x0700000E, kClick, NonFiscalOpen, "NonFiscalOpen"},
      {0x0700000F, kClick, NonFiscalText, "NonFiscalText"},
      {0x07000010, kClick, NonFiscalClose, "NonFiscalClose"},
      {0x07000011, kClick, TicketItemReturn, "TicketItemReturn"},
      {0x07000012, kClick, TicketPayment, "TicketPayment"},
      {0x07000014, kClick, DrawerOpen, "DrawerOpen"},
      {0x07000015, kClick, StatusQuery, "StatusQuery"},
      {0x07000015, kSecondaryEvent, EmptyProcedure, "empty"},
      {0x07000017, kClick, ClosingZ, "ClosingZ"},
      {0x07000018, kClick, ClosingX, "ClosingX"},
      {0x07000019, kClick, JournalTotal, "JournalTotal"},
      {0x0700001A, kClick, InvoiceOpen, "InvoiceOpen"},
      {0x0700001A, kSecondaryEvent, EmptyProcedure, "empty"},
      {0x0700001B, kClick, InvoiceCancel, "InvoiceCancel"},
      {0x0700001C, kClick, InvoiceItemAdd, "InvoiceItemAdd"},
      {0x0700001D, kClick, InvoiceClose, "InvoiceClose"},
      {0x0700001E, kClick, InvoicePayment, "InvoicePayment"},
      {0x07000030, kClick, InvoiceItemReturn, "InvoiceItemReturn"},
  }};
  return table;
}

const EventBinding* findBinding(ControlId control, EventId event) {
  for (const EventBinding& binding : eventTable()) {
    if (binding.control == control && binding.event == event) return &binding;
  }
  return nullptr;
}

}  // namespace console
