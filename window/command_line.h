// The console's command line: which printer library to load, which device is
// port 1, and the usual --help and --version. Read before anything else starts,
// so that a bad option opens neither a window nor a port.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/desktop_line.h"

namespace console {

struct CommandLine : cli::DesktopLine {
  // --library PATH, made absolute so that the loader never searches for it.
  std::optional<std::string> libraryPath;
  // --port DEVICE: the device our printer library opens as port 1.
  std::optional<std::string> portDevice;
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
