// The process entry of the console: the command line first (a bad option opens
// neither a window nor a port), then one window over the printer library, with
// its automation interface on the session bus, and the start-up and shutdown
// steps in their fixed order.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/console_module.h"
#include "app/process_entry.h"
#include "form/main_form.h"
#include "host/library_path.h"
#include "shell/program_runtime.h"
#include "window/automation.h"
#include "window/command_line.h"
#include "window/forms_runtime.h"

int main(int argc, char** argv) {
  console::CommandLine options = console::parseCommandLine(argc, argv);
  if (options.action != console::CommandLine::Action::Run) {
    return console::answerCommandLine(options, std::cout, std::cerr);
  }
  // Our library reads the variable when it opens the port; set it before loading.
  if (options.portDevice) setenv(console::kPort1Variable, options.portDevice->c_str(), 1);

  console::ProgramRuntime runtime(std::cerr);
  console::ConsoleModule module(runtime,
                                options.libraryPath.value_or(fp::host::defaultLibraryPath()));
  console::Automation automation(console::mainForm(), std::cerr);
  console::QtFormsRuntime forms(console::mainForm(),
                                automation.watch(console::eventEntryOf(module)));
  // Qt reads only its own options, as it spells them; ours are done with.
  std::vector<char*> toolkitArgv = options.toolkitArgv();
  return console::processEntry(runtime, forms, static_cast<int>(toolkitArgv.size() - 1),
                               toolkitArgv.data());
}
