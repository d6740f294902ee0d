#include "app/event_table.h"

#include <algorithm>
#include <utility>

#include "fiscal/command_transaction.h"
#include "fiscal/status.h"
#include "printer/port_connection.h"

namespace console {
namespace {

using fp::contract::commandTable;
using fp::contract::kCommandCount;

constexpr ControlId kStatusButton = 0x07000015;

std::int32_t portConnect(ModuleEvent& e) {
  return PortConnect(e.library, e.context, e.storage.port);
}
std::int32_t portDisconnect(ModuleEvent& e) {
  return PortDisconnect(e.library, e.storage.port);
}
std::int32_t statusQuery(ModuleEvent& e) {
  return StatusQuery(e.library, e.context);
}
// Row `I` of the command table, with the row's own command area.
template <std::size_t I>
std::int32_t command(ModuleEvent& e) {
  return runCommand(e.library, e.context, *commandTable()[I], e.storage.commandAreas[I]);
}
// The form binds a second event on three buttons to a procedure with no steps.
std::int32_t emptyProcedure(ModuleEvent& /*event*/) {
  return 0;
}

template <std::size_t... I>
std::array<EventBinding, kBindingCount> makeTable(std::index_sequence<I...>) {
  std::array<EventBinding, kBindingCount> table = {{
      {kMainFormId, kFormOpened, portConnect, "PortConnect"},
      {kMainFormId, kFormClosed, portDisconnect, "PortDisconnect"},
      {commandTable()[I]->button, kClick, command<I>, commandTable()[I]->procedure}...,
      {kStatusButton, kClick, statusQuery, "StatusQuery"},
      {fp::contract::kTicketItemAdd.button, kSecondaryEvent, emptyProcedure, "empty"},
      {kStatusButton, kSecondaryEvent, emptyProcedure, "empty"},
      {fp::contract::kInvoiceOpen.button, kSecondaryEvent, emptyProcedure, "empty"},
  }};
  std::stable_sort(table.begin(), table.end(), [](const EventBinding& a, const EventBinding& b) {
    return a.control < b.control;
  });
  return table;
}

}  // namespace

const std::array<EventBinding, kBindingCount>& eventTable() {
  static_assert(kBindingCount == kCommandCount + 6);
  static const std::array<EventBinding, kBindingCount> table =
      makeTable(std::make_index_sequence<kCommandCount>{});
  return table;
}

const EventBinding* findBinding(ControlId control, EventId event) {
  for (const EventBinding& binding : eventTable()) {
    if (binding.control == control && binding.event == event) return &binding;
  }
  return nullptr;
}

}  // namespace console
