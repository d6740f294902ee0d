// The console's command line: which printer library to load, which device is
// port 1, and the usual --help and --version. Read before anything else starts,
// so that a bad option opens neither a window nor a port.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace console {

struct CommandLine {
  enum class Action {
    Run,      // open the window
    Help,     // print the help text on standard output, exit 0
    Version,  // print "fiscal-console VERSION" on standard output, exit 0
    Error,    // print `error` and the help text on standard error, exit 2
  };

  Action action = Action::Run;
  // --library PATH, made absolute so that the loader never searches for it.
  std::optional<std::string> libraryPath;
  // --port DEVICE: the device our printer library opens as port 1.
  std::optional<std::string> portDevice;
  std::string error;     // one line, for Action::Error
  std::string helpText;  // the usage and the options, ending in a newline
  // The program name and the toolkit's own options (-platform NAME, -display
  // DISPLAY, -style STYLE) as Qt reads them, whichever way they were written.
  std::vector<std::string> toolkitArguments;
};

// Exit codes of the actions that end the process before the window opens.
inline constexpr int kExitUsage = 2;

// Parses argv as every program of ours reads its command line (cli/:
// --opt value or --opt=value, -h, --). Qt's own -platform, -display and -style
// (with a value) are accepted and handed to the toolkit in toolkitArguments.
// Anything else unknown, a missing or empty value, or a positional argument is
// an Action::Error. --help wins over --version, and both over running.
CommandLine parseCommandLine(int argc, char** argv);

// Prints what a Help, Version or Error action prints and returns its exit code.
int answerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err);

// The environment variable our printer library reads for port 1.
inline constexpr const char* kPort1Variable = "FISCALPRINTER_PORT1";

}  // namespace console
