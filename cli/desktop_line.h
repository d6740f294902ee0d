// The command line of a desktop program of ours (the console, the printer's
// panel): the shared habits of command_line.h, plus the toolkit's own options,
// which Qt spells with one dash (-platform NAME, -display DISPLAY, -style
// STYLE) and reads itself. They are accepted either way, left out of the help,
// and handed on to the toolkit; nothing else reaches it. Read before anything
// else starts, so that a bad option opens no window.
#pragma once

#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"

namespace cli {

inline constexpr Option kToolkitPlatform{"--platform", "NAME", "Qt platform plug-in", "-platform",
                                         true};
inline constexpr Option kToolkitDisplay{"--display", "DISPLAY", "X display", "-display", true};
inline constexpr Option kToolkitStyle{"--style", "STYLE", "Qt widget style", "-style", true};

// The line under the help's option list that says so.
inline constexpr std::string_view kToolkitHelp =
    "Qt's own -platform NAME, -display DISPLAY and -style STYLE are passed on to Qt.\n";

struct DesktopLine {
  enum class Action {
    Run,      // open the window
    Help,     // print the help text on standard output, exit 0
    Version,  // print "PROGRAM VERSION" on standard output, exit 0
    Error,    // print `error` and the usage on standard error, exit 2
  };

  Action action = Action::Run;
  std::string error;     // one line, for Action::Error
  std::string helpText;  // the usage and the options, ending in a newline
  // The program's name and the toolkit's options, as Qt reads them.
  std::vector<std::string> toolkitArguments;

  // toolkitArguments as an argv for the toolkit: pointers into this line,
  // ended by a null pointer (argc is size() - 1).
  std::vector<char*> toolkitArgv();
};

// What the program does with one argument that is its own: an option of its
// table (with a value that is not empty, where it takes one) or an operand,
// and whether `--` came before it. Returns an error message, or "".
using TakeArgument = std::function<std::string(const Argument& argument, bool afterDashes)>;

// Reads argv against `options` (the program's own, the three toolkit options,
// kHelpOption and kVersionOption) into `line`: the toolkit's go to
// toolkitArguments, --help wins over --version and both over running, an
// empty value is an error, everything else goes to `take`.
// `program` stands for argv[0] when there is none.
void readDesktopLine(int argc, char** argv, std::string_view program,
                     std::span<const Option> options, const TakeArgument& take, DesktopLine& line);

// Prints what a Help, Version or Error action prints and returns its exit code.
int answerDesktopLine(const DesktopLine& line, std::string_view program, std::string_view version,
                      std::string_view usage, std::ostream& out, std::ostream& err);

}  // namespace cli
