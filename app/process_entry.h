// Start-up and shutdown of the console process, independent of the toolkit.
#pragma once

#include <cstdint>

#include "shell/forms_interface.h"
#include "shell/program_runtime.h"

namespace console {

// Marks the main program, registers a user of the program runtime, runs the
// form module, unregisters the user, releases the runtime when it may be
// released, and returns the forms runtime's result as the exit code.
std::int32_t processEntry(ProgramRuntime& runtime, FormsRuntime& forms, int argc, char** argv);

}  // namespace console
