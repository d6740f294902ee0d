// The console from process start to the connected window against the
// simulator (offscreen platform), and the console's peak resident memory.
// "Connected" is the moment the library has received the printer's handshake
// reply, which the trace records; the message "Puerto Ok" is shown right after.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The first child of `pid` (the console started by the simulator), or 0.
pid_t firstChild(pid_t pid) {
  std::istringstream children(
      readFile("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children"));
  pid_t child = 0;
  children >> child;
  return child;
}

long peakResidentKilobytes(pid_t pid) {
  std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

pid_t startConsoleOnSimulator(const fs::path& trace) {
  const pid_t pid = fork();
  if (pid == 0) {
    // The window's own chatter (runtime directory notices) is not a measurement.
    if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) dup2(quiet, STDERR_FILENO);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("FISCALPRINTER_TRACE", trace.c_str(), 1);
    execl(SIMULATOR_PATH, SIMULATOR_PATH, "--exec", CONSOLE_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void BM_ConsoleStartToConnected(benchmark::State& state) {
  const fs::path trace = fs::temp_directory_path() / ("startup-" + std::to_string(getpid()));
  long peak = 0;
  for (auto _ : state) {
    fs::remove(trace);
    const auto start = Clock::now();
    const pid_t simulator = startConsoleOnSimulator(trace);
    const auto deadline = start + std::chrono::seconds(10);
    bool connected = false;
    while (!connected && Clock::now() < deadline) {
      connected = readFile(trace).find("< 06 02") != std::string::npos;  // ACK, then the reply
      if (!connected) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!connected) state.SkipWithError("the console never connected");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the window settle
    if (const pid_t console = firstChild(simulator)) peak = peakResidentKilobytes(console);
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);
  }
  fs::remove(trace);
  state.counters["console_peak_rss_kb"] = static_cast<double>(peak);
}
BENCHMARK(BM_ConsoleStartToConnected)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
