// The command started by --exec.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace sim {

// Starts `command` (searched on PATH) with FISCALPRINTER_PORT1 set to `port`.
// Returns its process id, or nothing with `error` set when it cannot start.
std::optional<pid_t> startWithPort(const std::vector<std::string>& command, const std::string& port,
                                   std::string& error);

// The exit code of `child` once it has ended (128 + signal when killed by
// one), or nothing while it still runs.
std::optional<int> exitCodeIfEnded(pid_t child);

}  // namespace sim
