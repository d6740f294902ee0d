#include "app/console_module.h"

#include "app/event_table.h"

namespace console {

ConsoleModule::ConsoleModule(ProgramRuntime& runtime, std::string libraryPath)
    : runtime_(runtime), library_(runtime, std::move(libraryPath)) {}

// An error condition raised during a call is reported by the facade right after
// that call, so the event ends with no condition pending.
std::int32_t ConsoleModule::MAINFORM(const ControlTable& controls, const ControlId& controlId,
                                     const EventId& eventId, std::uint32_t /*word4*/,
                                     std::uint32_t /*word5*/) {
  scratch_.fill(0);
  runtime_.activate();
  std::int32_t result = 0;
  if (const EventBinding* binding = findBinding(controlId, eventId)) {
    EventContext context{controls, scratch_};
    ModuleEvent event{library_, context, storage_, *binding};
    result = binding->procedure(event);
  }
  runtime_.exitStep(result);
  return result;
}

EventEntry eventEntryOf(ConsoleModule& module) {
  return [&module](const ControlTable& controls, const ControlId& controlId, const EventId& eventId,
                   std::uint32_t word4, std::uint32_t word5) {
    return module.MAINFORM(controls, controlId, eventId, word4, word5);
  };
}

}  // namespace console
