// Runs fiscal-printer-sim as a child process for a test, with its paper roll
// and counters in a private temporary directory; stops it by its process id.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim_test {

class SimulatorProcess {
 public:
  // Starts the simulator with `args` plus --paper and (unless `withStats` is
  // false, as benchmarks want: the counters file is rewritten on every frame)
  // --stats, and waits (at most a few seconds) for the device path on its
  // standard output.
  explicit SimulatorProcess(const std::vector<std::string>& args, bool withStats = true);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  bool started() const { return !port_.empty(); }
  const std::string& port() const { return port_; }
  // With --listen: the network target it serves ("tcp:127.0.0.1:40123").
  const std::string& listenTarget() const { return listenTarget_; }
  pid_t pid() const { return pid_; }

  // The counters file as name -> value (0 for a counter not present).
  std::map<std::string, std::uint64_t> stats() const;
  std::uint64_t stat(const std::string& name) const;

  // The paper roll so far.
  std::string paper() const;

  // The private directory holding the paper roll and the counters.
  const std::filesystem::path& directory() const { return directory_; }

  // Sends `signal` and waits (bounded); returns the exit code, -1 if it had to be killed.
  int stop(int signal = SIGTERM);

  // Waits (at most `timeoutMs`) for it to end by itself; its exit code, or
  // nothing while it still runs.
  std::optional<int> waitForExit(int timeoutMs);

  // What it wrote on standard error, once it has stopped.
  std::string standardError();

 private:
  std::filesystem::path directory_;
  pid_t pid_ = -1;
  int output_ = -1;
  int error_ = -1;
  std::string port_;
  std::string listenTarget_;
};

// Runs the simulator to completion (for command-line checks) and returns its
// exit code with what it wrote on standard error; killed after `timeoutMs`.
struct Finished {
  int exitCode;
  std::string standardOutput;
  std::string standardError;
};
Finished runSimulatorToEnd(const std::vector<std::string>& args, int timeoutMs = 10'000);
// The same for any program (the simulator started through another one).
Finished runToEnd(const std::string& program, const std::vector<std::string>& args,
                  int timeoutMs = 10'000);

}  // namespace sim_test
