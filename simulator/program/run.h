// The simulator's main loop.
#pragma once

#include "simulator/program/options.h"

namespace sim {

// The exit code when the paper roll or the counters could not be written.
inline constexpr int kOutputLostExitCode = 3;

// Opens the pseudo-terminal, prints its path on standard output, and answers
// on it until SIGINT, SIGTERM or SIGHUP, or, under --exec, until the command
// ends. Exit codes: the command's own when it ends by itself; on a stop
// signal, 0 without --exec and 128 + the signal's number under --exec (the
// command is sent SIGTERM, and SIGKILL two seconds later, and waited for);
// 1 when the terminal, the paper file, the counters or the command cannot be
// set up; kOutputLostExitCode instead of 0 when a paper or counters write
// failed during the run. SIGUSR1 rewrites the --stats file.
int run(const Options& options);

}  // namespace sim
