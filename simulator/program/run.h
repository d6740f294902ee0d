// The simulator's main loop.
#pragma once

#include "simulator/program/options.h"

namespace sim {

// Opens the pseudo-terminal, prints its path on standard output, and answers
// on it until SIGINT or SIGTERM (exit code 0), or, under --exec, until the
// command ends (its exit code). SIGUSR1 rewrites the --stats file. Returns 1
// when the terminal, the paper file or the command cannot be set up.
int run(const Options& options);

}  // namespace sim
