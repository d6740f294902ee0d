#include "simulator/program/run.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "line/posix_line.h"
#include "simulator/link/line_output.h"
#include "simulator/link/pseudo_terminal.h"
#include "simulator/link/reply_line.h"
#include "simulator/link/session.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/program/child_process.h"
#include "simulator/program/stats.h"

namespace sim {
namespace {

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t statsRequested = 0;

void onStop(int) {
  stopRequested = 1;
}
void onStatsRequest(int) {
  statsRequested = 1;
}

void installSignalHandlers() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  action.sa_handler = onStatsRequest;
  sigaction(SIGUSR1, &action, nullptr);
  action.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &action, nullptr);
}

// Where the roll goes: the --paper file, standard output, or nowhere.
struct PaperOutput {
  std::ofstream file;
  std::ostream* stream = nullptr;
  std::ostream nowhere{nullptr};
};

bool openPaper(const Options& options, PaperOutput& paper) {
  if (options.paper) {
    paper.file.open(*options.paper, std::ios::trunc);
    paper.stream = &paper.file;
    return paper.file.is_open();
  }
  paper.stream = options.exec.empty() ? &std::cout : &paper.nowhere;
  return true;
}

// Reads what is waiting on the line; false when the line has failed for good.
// A hang-up, an end of file or EIO (no program has the far end open) is not a
// failure: a program may open the port again.
bool pump(int fd, const std::function<void(std::span<const std::uint8_t>)>& deliver) {
  constexpr std::chrono::milliseconds kTick{50};
  std::vector<std::uint8_t> bytes;
  int error = 0;
  const fp::line::LineStatus status = fp::line::readSome(fd, bytes, kTick, error);
  if (!bytes.empty()) deliver(bytes);
  return status != fp::line::LineStatus::kLost || error == 0 || error == EIO;
}

// Asks the command to end, and makes sure it does within a bounded time.
int stopChild(pid_t child) {
  ::kill(child, SIGTERM);
  for (int tick = 0; tick < 40; ++tick) {
    if (const std::optional<int> code = exitCodeIfEnded(child)) return *code;
    ::usleep(50'000);
  }
  ::kill(child, SIGKILL);
  while (!exitCodeIfEnded(child)) ::usleep(10'000);
  return 128 + SIGKILL;
}

// Answers on the line until a stop is asked for or the command ends; returns
// the exit code.
int serve(int fd, const std::function<void(std::span<const std::uint8_t>)>& deliver,
          std::optional<pid_t> child, const std::function<void()>& saveStats) {
  while (!stopRequested) {
    if (!pump(fd, deliver)) break;
    if (statsRequested) {
      statsRequested = 0;
      saveStats();
    }
    if (child) {
      if (const std::optional<int> code = exitCodeIfEnded(*child)) return *code;
    }
  }
  return child ? stopChild(*child) : 0;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "fiscal-printer-sim: %s\n", message.c_str());
  return 1;
}

}  // namespace

int run(const Options& options) {
  installSignalHandlers();
  // Line pacing sleeps once per byte (87 us at 115200 bit/s); the default 50 us
  // timer slack would add most of a byte time to each sleep.
  if (options.baud > 0) ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
  PaperOutput paperOutput;
  if (!openPaper(options, paperOutput))
    return fail("cannot write the paper roll to " + *options.paper);
  std::string error;
  std::optional<PseudoTerminal> terminal = PseudoTerminal::open(error);
  if (!terminal) return fail(error);

  Stats stats;
  const auto saveStats = [&] {
    return !options.stats || writeFileAtomically(*options.stats, stats.format());
  };
  if (!saveStats()) return fail("cannot write the counters to " + *options.stats);
  PaperRoll roll(*paperOutput.stream, options.rollLines);
  FiscalPrinter printer(roll);
  TerminalLine line(terminal->fd(),
                    {options.delayMs, options.baud, options.corruptEvery, options.dropEvery},
                    stats);
  Session session(printer, stats, line, options.zClosingMs, saveStats);
  std::cout << terminal->path() << std::endl;

  std::optional<pid_t> child;
  if (!options.exec.empty()) {
    child = startWithPort(options.exec, terminal->path(), error);
    if (!child) return fail(error);
  }
  // A pseudo-terminal delivers the host's bytes at once; with --baud they are
  // taken in no faster than the line would carry them, so both directions of
  // an exchange cost their line time.
  InputPacer pacer(options.baud);
  const auto deliver = [&](std::span<const std::uint8_t> bytes) {
    pacer.arrived(bytes.size());
    if (!options.silent) session.receive(bytes);
  };
  const int exitCode = serve(terminal->fd(), deliver, child, saveStats);
  saveStats();
  return exitCode;
}

}  // namespace sim
