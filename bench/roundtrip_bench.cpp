// One command round trip through the real library, a real pseudo-terminal and
// the simulator: unpaced (our own cost per command) and paced at 115200 bit/s,
// where the time is compared with the line time of the bytes exchanged. Both
// also over the loopback interface, to the simulator's listener: raw TCP and
// RFC 2217 (argument 0 the pseudo-terminal, 1 tcp:, 2 rfc2217:).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fiscalprinter/fiscalprinter.h"
#include "tests/simulator/simulator_process.h"
#include "tests/simulator/watch_client.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kBitsPerSecond = 115200.0;

// Bytes sent and received, counted from the library's trace lines ("> hex..."
// and "< hex..."), starting at byte `offset` of the trace file.
std::size_t tracedBytes(const std::filesystem::path& trace, std::streamoff offset) {
  std::ifstream in(trace);
  in.seekg(offset);
  std::size_t bytes = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string stamp, direction, word;
    words >> stamp >> direction;
    if (direction != ">" && direction != "<") continue;
    while (words >> word && word.size() == 2 && word != "|") ++bytes;
  }
  return bytes;
}

// Bytes per command, and the time taken since `start` over the time the line
// needs for the bytes traced since `offset` (ten bits a byte).
void reportLineUse(benchmark::State& state, const std::filesystem::path& trace,
                   std::streamoff offset, Clock::time_point start) {
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const std::size_t bytes = tracedBytes(trace, offset);
  const double lineTime = static_cast<double>(bytes) * 10.0 / kBitsPerSecond;
  state.counters["bytes_per_command"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations());
  state.counters["ratio_to_line"] = lineTime > 0 ? elapsed / lineTime : 0.0;
}

// The simulator's options for reaching it over `transport` (0, 1, 2 as above).
std::vector<std::string> over(std::int64_t transport, std::vector<std::string> args) {
  if (transport == 1) args.insert(args.end(), {"--listen", "tcp:127.0.0.1:0"});
  if (transport == 2) args.insert(args.end(), {"--listen", "rfc2217:127.0.0.1:0"});
  return args;
}

class Session {
 public:
  Session(const std::vector<std::string>& args, const std::filesystem::path& trace)
      : simulator_(args, /*withStats=*/false) {
    const std::string& port =
        simulator_.listenTarget().empty() ? simulator_.port() : simulator_.listenTarget();
    setenv("FISCALPRINTER_PORT1", port.c_str(), 1);
    if (!trace.empty()) setenv("FISCALPRINTER_TRACE", trace.c_str(), 1);
    std::array<char, FP_AREA_SIZE> area{};
    setComPort(1);
    setBaudRate(115200);
    setProtocolType(1);
    OpenPort(area.data());
    ok_ = getLastError() == FP_OK;
  }
  ~Session() {
    std::array<char, FP_AREA_SIZE> area{};
    ClosePort(area.data());
    unsetenv("FISCALPRINTER_TRACE");
    simulator_.stop();
  }
  bool ok() const { return ok_; }

 private:
  sim_test::SimulatorProcess simulator_;
  bool ok_ = false;
};

// The drawer command: one packed command, valid in any state.
int roundTrip() {
  SendCommandComplete("0707|0000");
  return getLastError();
}

void BM_RoundTripUnpaced(benchmark::State& state) {
  Session session(over(state.range(0), {}), {});
  if (!session.ok()) state.SkipWithError("no printer");
  for (auto _ : state) {
    if (roundTrip() != FP_OK) state.SkipWithError("command failed");
  }
}
BENCHMARK(BM_RoundTripUnpaced)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_RoundTripPaced115200(benchmark::State& state) {
  const std::filesystem::path trace =
      std::filesystem::temp_directory_path() / ("roundtrip-" + std::to_string(getpid()) + ".trace");
  std::filesystem::remove(trace);
  {
    Session session(over(state.range(0), {"--baud", "115200"}), trace);
    if (!session.ok()) state.SkipWithError("no printer");
    const auto offset = static_cast<std::streamoff>(std::filesystem::file_size(trace));
    const auto start = Clock::now();
    for (auto _ : state) {
      if (roundTrip() != FP_OK) state.SkipWithError("command failed");
    }
    reportLineUse(state, trace, offset, start);
  }
  std::filesystem::remove(trace);
}
BENCHMARK(BM_RoundTripPaced115200)->DenseRange(0, 2)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The same pace on a text line of a non-fiscal document: argument 0 without
// the fiscal memory, 1 with it (each command commits a journal line, the open
// document and the stored reply before the reply goes out), 2 with
// --memory-fsync as well (the commit waits for the disk).
void BM_RoundTripPaced115200WithMemory(benchmark::State& state) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("roundtrip-memory-" + std::to_string(getpid()));
  const std::filesystem::path trace = base.string() + ".trace";
  const std::filesystem::path memory = base.string() + ".db";
  for (const auto& path : {trace, memory}) std::filesystem::remove(path);
  {
    std::vector<std::string> args = {"--baud", "115200"};
    if (state.range(0) >= 1) args.insert(args.end(), {"--memory", memory.string()});
    if (state.range(0) == 2) args.push_back("--memory-fsync");
    Session session(args, trace);
    if (!session.ok()) state.SkipWithError("no printer");
    SendCommandComplete("0E01|0000");
    if (getLastError() != FP_OK) state.SkipWithError("cannot open a non-fiscal document");
    const char word[2] = {0x0E, 0x02};
    const char extension[2] = {0x00, 0x00};
    const std::string text = "Linea de prueba del diario";
    std::array<char, FP_AREA_SIZE> area{};
    const auto offset = static_cast<std::streamoff>(std::filesystem::file_size(trace));
    const auto start = Clock::now();
    for (auto _ : state) {
      AddDataField(word, 2);
      AddDataField(extension, 2);
      AddDataField(text.c_str(), static_cast<int>(text.size()));
      SendCommand(area.data());
      if (getLastError() != FP_OK) state.SkipWithError("command failed");
    }
    reportLineUse(state, trace, offset, start);
  }
  for (const char* suffix : {"", "-wal", "-shm"}) {
    std::filesystem::remove(memory.string() + suffix);
  }
  std::filesystem::remove(trace);
}
BENCHMARK(BM_RoundTripPaced115200WithMemory)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The paced drawer command watched through the control socket: argument 0
// without a watcher (the socket open all the same), 1 with one watcher that
// reads and parses every line as the panel does, 2 with one that never reads
// (its lines are dropped once its buffer is full).
void BM_RoundTripPaced115200Watched(benchmark::State& state) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("roundtrip-watch-" + std::to_string(getpid()));
  const std::filesystem::path trace = base.string() + ".trace";
  const std::string socket = base.string() + ".sock";
  std::filesystem::remove(trace);
  {
    Session session({"--baud", "115200", "--control", socket}, trace);
    if (!session.ok()) state.SkipWithError("no printer");
    const int watcher = state.range(0) > 0 ? watch_test::connectWatcher(socket) : -1;
    if (state.range(0) > 0 && watcher < 0) state.SkipWithError("no watcher");
    std::uint64_t events = 0;
    std::thread reader;
    if (state.range(0) == 1) {
      reader = std::thread([&] { events = watch_test::readWatcher(watcher, 1000).events.size(); });
    }
    const auto offset = static_cast<std::streamoff>(std::filesystem::file_size(trace));
    const auto start = Clock::now();
    for (auto _ : state) {
      if (roundTrip() != FP_OK) state.SkipWithError("command failed");
    }
    reportLineUse(state, trace, offset, start);
    if (reader.joinable()) {
      reader.join();
      state.counters["events_read"] = static_cast<double>(events);
    }
    if (watcher >= 0) close(watcher);
  }
  std::filesystem::remove(trace);
}
BENCHMARK(BM_RoundTripPaced115200Watched)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
