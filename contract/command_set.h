// The nineteen printer commands of the console, and the procedures that send them.
#pragma once

#include <array>
#include <cstdint>

#include "shell/event_context.h"
#include "fiscal/command_transaction.h"

namespace console {

// Consumer ticket (ticket.cpp).
extern const CommandSpec kTicketOpen, kTicketItemAdd, kTicketItemReturn, kTicketPayment,
    kTicketClose, kTicketCancel;
// "A" invoice (invoice.cpp).
extern const CommandSpec kInvoiceOpen, kInvoiceItemAdd, kInvoiceItemReturn, kInvoicePayment,
    kInvoiceClose, kInvoiceCancel;
// Non-fiscal document (non_fiscal.cpp).
extern const CommandSpec kNonFiscalOpen, kNonFiscalText, kNonFiscalClose;
// Daily closings and cash drawer (closings.cpp).
extern const CommandSpec kClosingZ, kClosingX, kJournalTotal, kDrawerOpen;

inline constexpr std::size_t kCommandCount = 19;
// Every command, in the order of the command table.
const std::array<const CommandSpec*, kCommandCount>& commandTable();

std::int32_t TicketOpen(EventContext& event);
std::int32_t TicketItemAdd(EventContext& event);
std::int32_t TicketItemReturn(EventContext& event);
std::int32_t TicketPayment(EventContext& event);
std::int32_t TicketClose(EventContext& event);
std::int32_t TicketCancel(EventContext& event);

std::int32_t InvoiceOpen(EventContext& event);
std::int32_t InvoiceItemAdd(EventContext& event);
std::int32_t InvoiceItemReturn(EventContext& event);
std::int32_t InvoicePayment(EventContext& event);
std::int32_t InvoiceClose(EventContext& event);
std::int32_t InvoiceCancel(EventContext& event);

std::int32_t NonFiscalOpen(EventContext& event);
std::int32_t NonFiscalText(EventContext& event);
std::int32_t NonFiscalClose(EventContext& event);

std::int32_t ClosingZ(EventContext& event);
std::int32_t ClosingX(EventContext& event);
std::int32_t JournalTotal(EventContext& event);
std::int32_t DrawerOpen(EventContext& event);

// Printer status into Cm1, fiscal status into Cm2 (status.cpp).
std::int32_t StatusQuery(EventContext& event);

// Bound where a button has a second event: calls nothing, changes nothing.
std::int32_t EmptyProcedure(EventContext& event);

}  // namespace console
