// The panel's command line: watch a running virtual printer through its
// control socket, or start one with the given options and watch it. Read
// before anything else starts, so that a bad option opens no window and
// starts no printer.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/desktop_line.h"

namespace panel {

struct CommandLine : cli::DesktopLine {
  // --control PATH: a running printer's control socket.
  std::optional<std::string> control;
  // --simulator PROGRAM: the virtual printer to start (empty: the one beside
  // this program, else fiscal-printer-sim on PATH).
  std::string simulator;
  // The options after "--", handed to the virtual printer the panel starts.
  std::vector<std::string> simulatorArgs;
  // --tear-off-dir DIR: where torn-off paper is saved.
  std::optional<std::string> tearOffDir;
};

inline constexpr int kExitUsage = 2;

// Parses argv. Qt's own -platform, -display and -style (with a value) are
// accepted and left for the toolkit. Anything else unknown, a missing or empty
// value, a positional argument before "--", or --control together with
// printer options is an Action::Error.
CommandLine parseCommandLine(int argc, char** argv);

// Prints what a Help, Version or Error action prints and returns its exit code.
int answerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err);

// The control socket named among the virtual printer's own options (before
// --exec), if any.
std::optional<std::string> controlInSimulatorArgs(const std::vector<std::string>& args);

}  // namespace panel
