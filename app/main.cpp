// The process entry of the console: one window, the printer library beside the
// executable, and the start-up and shutdown steps in their fixed order.
#include <iostream>

#include "app/console_module.h"
#include "app/process_entry.h"
#include "form/main_form.h"
#include "printer/printer_library.h"
#include "shell/program_runtime.h"
#include "window/forms_runtime.h"

int main(int argc, char** argv) {
  console::ProgramRuntime runtime(std::cerr);
  console::ConsoleModule module(runtime, console::PrinterLibrary::consoleLibraryPath());
  console::QtFormsRuntime forms(console::mainForm(), console::eventEntryOf(module));
  return console::processEntry(runtime, forms, argc, argv);
}
