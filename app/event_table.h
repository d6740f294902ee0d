// The fixed bindings of (control, event) to the procedure that handles it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "app/module_storage.h"
#include "printer/printer_library.h"
#include "shell/control_table.h"
#include "shell/event_context.h"

namespace console {

// What the event entry hands a bound procedure; the binding passes each
// procedure only its own part of the storage.
struct EventBinding;
struct ModuleEvent {
  PrinterLibrary& library;
  EventContext& context;
  ModuleStorage& storage;
  const EventBinding& binding;
};

using Procedure = std::int32_t (*)(ModuleEvent&);

struct EventBinding {
  ControlId control;
  EventId event;
  Procedure procedure;
  std::string_view procedureName;
  const fp::contract::CommandRow* command = nullptr;  // for a command's Click
};

// Every binding, in ascending order of control identifier: the port procedures
// on the form, the status query, one Click per row of the command table, and the
// empty procedure on three buttons' SecondaryEvent.
std::span<const EventBinding> eventTable();

// The binding of the pair, or nullptr when the pair is not bound. Both
// identifiers are compared over their full 32 bits.
const EventBinding* findBinding(ControlId control, EventId event);

}  // namespace console
