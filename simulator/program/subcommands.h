// The subcommands of fiscal-printer-sim that do not run a printer: the
// fiscal memory report, the journal of a day, and control requests.
#pragma once

#include <string>
#include <vector>

namespace sim {

// True when args[0] names a subcommand ("report", "journal", "ctl").
bool isSubcommand(const std::vector<std::string>& args);

// Runs the subcommand; returns the exit code: 0 done, 1 it failed (a message
// on standard error), 2 bad arguments.
int runSubcommand(const std::vector<std::string>& args);

}  // namespace sim
