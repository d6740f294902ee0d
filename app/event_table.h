// The fixed bindings of (control, event) to the procedure that handles it.
#pragma once

#include <array>
#include <string_view>

#include "shell/control_table.h"
#include "shell/event_context.h"

namespace console {

struct EventBinding {
  ControlId control;
  EventId event;
  Procedure procedure;
  std::string_view procedureName;
};

inline constexpr std::size_t kBindingCount = 25;

// The 25 bindings, in ascending order of control identifier.
const std::array<EventBinding, kBindingCount>& eventTable();

// The binding of the pair, or nullptr when the pair is not bound. Both
// identifiers are compared over their full 32 bits.
const EventBinding* findBinding(ControlId control, EventId event);

}  // namespace console
