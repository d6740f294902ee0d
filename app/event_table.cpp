#include "app/event_table.h"

#include <algorithm>
#include <vector>

#include "fiscal/command_transaction.h"
#include "fiscal/status.h"
#include "printer/port_connection.h"

namespace console {
namespace {

using fp::contract::commandTable;
using fp::contract::findCommand;

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
// The command of the binding's row, with the row's own command area.
std::int32_t command(ModuleEvent& e) {
  const CommandRow& row = *e.binding.command;
  return runCommand(e.library, e.context, row, e.storage.commandAreas[&row]);
}
// The form binds a second event on three buttons to a procedure with no steps.
std::int32_t emptyProcedure(ModuleEvent& /*event*/) {
  return 0;
}

std::vector<EventBinding> makeTable() {
  std::vector<EventBinding> table = {
      {kMainFormId, kFormOpened, portConnect, "PortConnect"},
      {kMainFormId, kFormClosed, portDisconnect, "PortDisconnect"},
  };
  for (const CommandRow* row : commandTable()) {
    if (row->hasButton()) table.push_back({row->button, kClick, command, row->procedure, row});
  }
  table.push_back({kStatusButton, kClick, statusQuery, "StatusQuery"});
  for (std::string_view name : {"ticket-item", "invoice-open"}) {
    table.push_back({findCommand(name)->button, kSecondaryEvent, emptyProcedure, "empty"});
  }
  table.push_back({kStatusButton, kSecondaryEvent, emptyProcedure, "empty"});
  std::stable_sort(table.begin(), table.end(), [](const EventBinding& a, const EventBinding& b) {
    return a.control < b.control;
  });
  return table;
}

}  // namespace

std::span<const EventBinding> eventTable() {
  static const std::vector<EventBinding> table = makeTable();
  return table;
}

const EventBinding* findBinding(ControlId control, EventId event) {
  for (const EventBinding& binding : eventTable()) {
    if (binding.control == control && binding.event == event) return &binding;
  }
  return nullptr;
}

}  // namespace console
