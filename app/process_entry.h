// Start-up and shutdown of the console process, independent of the toolkit.
#pragma once

#include <cstdint>

#include "app/program_runtime.h"

namespace console {

// The process-level steps of the forms runtime.
class FormsRuntime {
 public:
  virtual ~FormsRuntime() = default;
  // Marks the process as the main program of a forms application.
  virtual void markMainProgram() = 0;
  // Runs the form module: builds the window, delivers its events to the event
  // entry and returns when the window has closed. The command line is handed on
  // unchanged. Returns the exit code.
  virtual std::int32_t run(int argc, char** argv) = 0;
};

// Marks the main program, registers a user of the program runtime, runs the
// form module, unregisters the user, releases the runtime when it may be
// released, and returns the forms runtime's result as the exit code.
std::int32_t processEntry(ProgramRuntime& runtime, FormsRuntime& forms, int argc, char** argv);

}  // namespace console
