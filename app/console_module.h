// The program module: its storage, its printer library, and the event entry
// MAINFORM through which every event of the form arrives.
#pragma once

#include <cstdint>
#include <string>

#include "app/module_storage.h"
#include "printer/printer_library.h"
#include "shell/control_table.h"
#include "shell/event_context.h"
#include "shell/forms_interface.h"
#include "shell/program_runtime.h"

namespace console {

class ConsoleModule {
 public:
  // `libraryPath` is the printer library to load (once, at construction).
  ConsoleModule(ProgramRuntime& runtime, std::string libraryPath);

  // The event entry. Looks (controlId, eventId) up in the event table and runs
  // the bound procedure to its end; an unbound pair runs nothing. The two further
  // words come with every event and mean nothing to this module. Returns the
  // procedure result (0 when nothing ran).
  std::int32_t MAINFORM(const ControlTable& controls, const ControlId& controlId,
                        const EventId& eventId, std::uint32_t word4, std::uint32_t word5);

  PrinterLibrary& library() { return library_; }
  // The scratch area of the last event (for inspection; zeroed at each event).
  const ScratchArea& scratch() const { return scratch_; }

 private:
  ProgramRuntime& runtime_;
  PrinterLibrary library_;
  ModuleStorage storage_{};
  ScratchArea scratch_{};
};

// The event entry of `module`, which must outlive the returned function.
EventEntry eventEntryOf(ConsoleModule& module);

}  // namespace console
