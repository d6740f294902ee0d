#include "tests/simulator/simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "tests/support/spawn.h"

namespace sim_test {
namespace {

using Clock = std::chrono::steady_clock;

// Starts `program` with stdout and stderr on pipes; returns its pid.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int& outRead,
            int& errRead) {
  return testing_support::spawnWithPipes(program, args, {}, outRead, errRead);
}

// Reads from `fd` until `done` says so, the pipe closes or the deadline passes.
template <typename Done>
void readUntil(int fd, std::string& text, Clock::time_point deadline, Done done) {
  while (!done(text)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return;
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) return;
    char buffer[256];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) return;
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

// Waits for `pid` for up to `timeoutMs`; its exit code, or nothing.
std::optional<int> waitFor(pid_t pid, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  do {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    usleep(10'000);
  } while (Clock::now() < deadline);
  return std::nullopt;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

SimulatorProcess::SimulatorProcess(const std::vector<std::string>& args, bool withStats) {
  std::string pattern = (std::filesystem::temp_directory_path() / "fiscal-sim-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return;
  directory_ = pattern;
  std::vector<std::string> all = {"--paper", (directory_ / "paper.txt").string()};
  if (withStats) all.insert(all.end(), {"--stats", (directory_ / "stats.txt").string()});
  all.insert(all.end(), args.begin(), args.end());
  pid_ = spawn(SIMULATOR_PATH, all, output_, error_);
  if (pid_ <= 0) return;
  // The device path, then the control socket's and the network target's lines.
  const auto given = [&](const char* option) {
    return std::find(args.begin(), args.end(), option) != args.end();
  };
  const auto lines = static_cast<std::ptrdiff_t>(1 + given("--control") + given("--listen"));
  std::string text;
  readUntil(output_, text, Clock::now() + std::chrono::seconds(5),
            [&](const std::string& t) { return std::count(t.begin(), t.end(), '\n') >= lines; });
  if (std::count(text.begin(), text.end(), '\n') < lines) return;
  port_ = text.substr(0, text.find('\n'));
  if (given("--listen")) {
    const std::size_t last = text.rfind('\n', text.size() - 2) + 1;
    listenTarget_ = text.substr(last, text.size() - 1 - last);
  }
}

SimulatorProcess::~SimulatorProcess() {
  stop();
  if (output_ >= 0) close(output_);
  if (error_ >= 0) close(error_);
  if (!directory_.empty()) std::filesystem::remove_all(directory_);
}

int SimulatorProcess::stop(int signal) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  std::optional<int> code = waitFor(pid_, 5'000);
  if (!code) {
    kill(pid_, SIGKILL);
    waitFor(pid_, 5'000);
  }
  pid_ = -1;
  return code.value_or(-1);
}

std::optional<int> SimulatorProcess::waitForExit(int timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  const std::optional<int> code = waitFor(pid_, timeoutMs);
  if (code) pid_ = -1;
  return code;
}

std::string SimulatorProcess::standardError() {
  std::string text;
  if (pid_ <= 0 && error_ >= 0) {
    readUntil(error_, text, Clock::now() + std::chrono::seconds(1),
              [](const std::string&) { return false; });
  }
  return text;
}

std::map<std::string, std::uint64_t> SimulatorProcess::stats() const {
  std::map<std::string, std::uint64_t> values;
  std::istringstream lines(readFile(directory_ / "stats.txt"));
  std::string name;
  std::uint64_t value = 0;
  while (lines >> name >> value) values[name] = value;
  return values;
}

std::uint64_t SimulatorProcess::stat(const std::string& name) const {
  const auto values = stats();
  const auto found = values.find(name);
  return found == values.end() ? 0 : found->second;
}

std::string SimulatorProcess::paper() const {
  return readFile(directory_ / "paper.txt");
}

Finished runSimulatorToEnd(const std::vector<std::string>& args, int timeoutMs) {
  return runToEnd(SIMULATOR_PATH, args, timeoutMs);
}

Finished runToEnd(const std::string& program, const std::vector<std::string>& args, int timeoutMs) {
  int outRead = -1;
  int errRead = -1;
  const pid_t pid = spawn(program, args, outRead, errRead);
  if (pid <= 0) return {-1, {}, {}};
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  Finished finished{-1, {}, {}};
  const auto never = [](const std::string&) { return false; };
  readUntil(errRead, finished.standardError, deadline, never);
  readUntil(outRead, finished.standardOutput, deadline, never);
  std::optional<int> code = waitFor(pid, timeoutMs);
  if (!code) {
    kill(pid, SIGKILL);
    waitFor(pid, 5'000);
  }
  finished.exitCode = code.value_or(-1);
  close(outRead);
  close(errRead);
  return finished;
}

}  // namespace sim_test
