#include "app/console_module.h"

#include "app/event_table.h"

namespace console {

ConsoleModule::ConsoleModule(ProgramRuntime& runtime, std::string libraryPath)
    : runtime_(runtime), library_(runtime, std::move(libraryPath)) {}

std::int32_t ConsoleModule::MAINFORM(const ControlTable& controls, const ControlId& controlId,
                                     const EventId& eventId, std::uint32_t word4,
                                     std::uint32_t word5) {
  scratch_.fill(0);
  runtime_.activate();
  keptWords_[0] = word4;
  keptWords_[1] = word5;
  statusWord_ = 0;

  std::int32_t result = 0;
  if (const EventBinding* binding = findBinding(controlId, eventId)) {
    EventContext event{library_, controls, storage_, scratch_};
    result = binding->procedure(event);
  }
  if (runtime_.errorFlagged()) runtime_.errorStep();
  runtime_.exitStep(statusWord_, result);
  return result;
}

}  // namespace console
