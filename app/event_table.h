// The fixed bindings of (control, event) to the procedure that handles it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "app/module_storage.h"
#include "printer/printer_library.h"
#include "shell/control_table.h"
#include "shell/event_context.h"

namespace console {

// What the event entry hands a bound procedure; the binding passes each
// procedure only its own part of the storage.
struct ModuleEvent {
  PrinterLibrary& library;
  EventContext& context;
  ModuleStorage& storage;
};

using Procedure = std::int32_t (*)(ModuleEvent&);

struct EventBinding {
  ControlId control;
  EventId event;
  Procedure procedure;
  std::string_view procedureName;
};

inline constexpr std::size_t kBindingCount = 25;

// The 25 bindings, in ascending order of control identifier: the port procedures
// on the form, the status query, one Click per row of the command table, and the
// empty procedure on three buttons' SecondaryEvent.
const std::array<EventBinding, kBindingCount>& eventTable();

// The binding of the pair, or nullptr when the pair is not bound. Both
// identifiers are compared over their full 32 bits.
const EventBinding* findBinding(ControlId control, EventId event);

}  // namespace console
