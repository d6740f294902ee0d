#include "simulator/program/run.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "line/posix_line.h"
#include "simulator/control/control_server.h"
#include "simulator/control/control_socket.h"
#include "simulator/control/request_mailbox.h"
#include "simulator/link/line_output.h"
#include "simulator/link/pseudo_terminal.h"
#include "simulator/link/reply_line.h"
#include "simulator/link/session.h"
#include "simulator/link/socket_listener.h"
#include "simulator/link/stats.h"
#include "simulator/link/stop_request.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/program/child_process.h"
#include "simulator/program/live_printer.h"
#include "simulator/program/output_file.h"
#include "simulator/program/printer_watch.h"

namespace sim {
namespace {

volatile std::sig_atomic_t statsRequested = 0;

void onStop(int signalNumber) {
  requestStop(signalNumber);
}
void onStatsRequest(int) {
  statsRequested = 1;
}
void onChildEnded(int) {
  noteCommandEnded();
}

// No SA_RESTART: a signal ends the current poll or sleep at once.
void installSignalHandlers() {
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onStop;
  for (const int stopSignalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(stopSignalNumber, &action, nullptr);
  }
  action.sa_handler = onStatsRequest;
  sigaction(SIGUSR1, &action, nullptr);
  // The --exec command ending cuts short a reply delay or a long Z at once.
  action.sa_handler = onChildEnded;
  action.sa_flags = SA_NOCLDSTOP;
  sigaction(SIGCHLD, &action, nullptr);
  action.sa_flags = 0;
  action.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &action, nullptr);
}

// Where the roll goes: the --paper file, standard output, or nowhere.
struct PaperOutput {
  std::unique_ptr<OutputFile> file;
  DiscardingOutput nowhere;
  std::unique_ptr<std::ostream> ownStream;
  std::ostream* stream = nullptr;

  std::string failure() const {
    return file && !file->failure().empty() ? file->failure() : "write failed";
  }
};

bool openPaper(const Options& options, PaperOutput& paper, std::string& error) {
  if (options.paper) {
    paper.file = OutputFile::openStream(*options.paper, error);
    if (!paper.file) return false;
    paper.ownStream = std::make_unique<std::ostream>(paper.file.get());
  } else if (!options.exec.empty()) {
    paper.ownStream = std::make_unique<std::ostream>(&paper.nowhere);
  }
  paper.stream = paper.ownStream ? paper.ownStream.get() : &std::cout;
  return true;
}

void complain(const std::string& message) {
  std::fprintf(stderr, "fiscal-printer-sim: %s\n", message.c_str());
}

// Output that could not be written: said once on standard error when it
// happens, and in the exit code at the end.
struct OutputTrouble {
  bool paper = false;
  bool stats = false;
  bool any() const { return paper || stats; }
};

using Deliver = std::function<void(std::span<const std::uint8_t>)>;

// Where the host's bytes come from: the terminal, and the network listener
// when there is one.
struct Lines {
  int terminal = -1;
  SocketListener* listener = nullptr;
  Deliver fromTerminal;
  Deliver fromNetwork;
};

// Reads what is waiting on the lines; false when the terminal has failed for
// good. A hang-up, an end of file or EIO (no program has the far end open) is
// not a failure: a program may open the port again.
bool pump(const Lines& lines) {
  // As often as every other wait looks for a stop and for control requests.
  constexpr int kTickMs = 20;
  std::vector<pollfd> fds{pollfd{lines.terminal, POLLIN, 0}};
  if (lines.listener != nullptr) lines.listener->addTo(fds);
  if (::poll(fds.data(), fds.size(), kTickMs) <= 0) return true;  // nothing, or a signal
  if (fds[0].revents != 0) {
    std::vector<std::uint8_t> bytes;
    int error = 0;
    const fp::line::LineStatus status =
        fp::line::readSome(lines.terminal, bytes, std::chrono::milliseconds{0}, error);
    if (!bytes.empty()) lines.fromTerminal(bytes);
    if (status == fp::line::LineStatus::kLost && error != 0 && error != EIO) return false;
  }
  if (lines.listener != nullptr) {
    lines.listener->serve(std::span(fds).subspan(1), lines.fromNetwork);
  }
  return true;
}

// Asks the command to end with SIGTERM; after two seconds, SIGKILL. Returns
// its exit code.
int stopChild(pid_t child) {
  ::kill(child, SIGTERM);
  for (int tick = 0; tick < 200; ++tick) {
    if (const std::optional<int> code = exitCodeIfEnded(child)) return *code;
    ::usleep(10'000);
  }
  ::kill(child, SIGKILL);
  while (true) {
    if (const std::optional<int> code = exitCodeIfEnded(child)) return *code;
    ::usleep(10'000);
  }
}

// Answers on the line until a stop is asked for or the command ends. Returns
// the command's exit code when it ended by itself, 128 + the signal when a
// stop was asked for under --exec, else 0.
int serve(const Lines& lines, std::optional<pid_t> child, const std::function<void()>& tick) {
  while (!stopRequested()) {
    if (!pump(lines)) break;
    tick();
    if (child) {
      if (const std::optional<int> code = exitCodeIfEnded(*child)) return *code;
    }
  }
  if (!child) return 0;
  const int childCode = stopChild(*child);
  return stopSignal() != 0 ? 128 + stopSignal() : childCode;
}

int fail(const std::string& message) {
  complain(message);
  return 1;
}

}  // namespace

int run(const Options& options) {
  installSignalHandlers();
  // Line pacing sleeps once per byte (87 us at 115200 bit/s); the default 50 us
  // timer slack would add most of a byte time to each sleep.
  if (options.baud > 0) ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
  std::string error;
  PaperOutput paperOutput;
  if (!openPaper(options, paperOutput, error)) {
    return fail("cannot write the paper roll to " + *options.paper + ": " + error);
  }
  std::optional<PseudoTerminal> terminal = PseudoTerminal::open(error);
  if (!terminal) return fail(error);

  std::unique_ptr<FiscalMemory> memory;
  if (options.memory) {
    const auto sync =
        options.memoryFsync ? FiscalMemory::Sync::kOnCommit : FiscalMemory::Sync::kByTheSystem;
    memory = FiscalMemory::open(*options.memory, sync, error);
    if (!memory) return fail("fiscal memory " + *options.memory + ": " + error);
  }
  std::unique_ptr<SocketListener> listener;
  if (options.listen) {
    listener = SocketListener::open(*options.listen, error);
    if (!listener) return fail("--listen " + fp::line::targetText(*options.listen) + ": " + error);
  }
  std::optional<ControlSocket> control =
      options.control ? ControlSocket::listen(*options.control, error) : std::nullopt;
  if (options.control && !control) return fail("control socket: " + error);
  std::unique_ptr<RequestMailbox> mailbox;
  if (control) {
    mailbox = RequestMailbox::create(error);
    if (!mailbox) return fail("control socket: " + error);
  }

  Stats stats;
  OutputTrouble trouble;
  const auto writeStats = [&] {
    return !options.stats || replaceFileContents(*options.stats, stats.format(), error);
  };
  if (!writeStats()) return fail("cannot write the counters to " + *options.stats + ": " + error);
  const auto saveStats = [&] {
    if (!writeStats() && !trouble.stats) {
      trouble.stats = true;
      complain("cannot write the counters to " + *options.stats + ": " + error);
    }
  };
  PaperRoll roll(*paperOutput.stream, options.rollLines);
  FiscalPrinter printer(roll);
  TerminalLine line(terminal->fd(),
                    {options.delayMs, options.baud, options.corruptEvery, options.dropEvery},
                    stats);
  Session session(printer, stats, line, options.zClosingMs, saveStats);
  printer.setZCapacity(options.memoryCapacity);
  printer.readClosingsFrom(memory.get());
  session.keepCommandsIn(memory.get());
  // A pseudo-terminal delivers the host's bytes at once; with --baud they are
  // taken in no faster than the line would carry them, so both directions of
  // an exchange cost their line time.
  InputPacer pacer(options.baud);
  LivePrinter live(printer, session, line, pacer, memory.get());
  if (!live.restart()) return fail("fiscal memory " + *options.memory + ": " + memory->error());
  // Standard output is the command's under --exec (it may be JSON read by a
  // pipe); the command finds the port in FISCALPRINTER_PORT1.
  if (options.exec.empty()) {
    std::cout << terminal->path() << std::endl;
    if (control) std::cout << *options.control << std::endl;
    if (listener) std::cout << listener->target() << std::endl;
  }

  std::optional<pid_t> child;
  if (!options.exec.empty()) {
    // With --listen, the command reaches the printer over the network.
    child = startWithPort(options.exec, listener ? listener->target() : terminal->path(), error);
    if (!child) return fail(error);
  }
  // Watchers see the line, the commands and the paper through the watch.
  std::optional<PrinterWatch> watch;
  if (mailbox) {
    watch.emplace(*mailbox, printer, line, live, memory.get());
    session.watchWith(&*watch);
    line.watchWith(&*watch);
    roll.watchLines([&](std::string_view printed) { watch->printed(printed); });
  }
  // Control requests are carried out on this thread only: between two frames,
  // and during the line's long waits (see setWaitWork). The server's thread
  // starts after the fork above, which must not copy a thread.
  const auto carryOut = [&](const ControlRequest& r) {
    if (r.watches()) return watch->firstLines();
    std::string answer = live.answer(r);
    watch->publishChanges();
    return answer;
  };
  const auto carryOutRequests = [&] {
    if (mailbox) mailbox->carryOutWaiting(carryOut);
  };
  struct WaitWorkScope {
    ~WaitWorkScope() { setWaitWork({}); }  // it refers to this function's locals
  } waitWorkScope;
  std::unique_ptr<ControlServer> server;
  if (control) {
    setWaitWork(carryOutRequests);
    server = ControlServer::start(std::move(*control), *mailbox, error);
    if (!server) {
      if (child) stopChild(*child);
      return fail("control socket: " + error);
    }
  }
  const auto deliver = [&](std::span<const std::uint8_t> bytes) {
    pacer.arrived(bytes.size());
    if (!options.silent && !live.powerCut()) session.receive(bytes);
  };
  // The answers go back the way the command came.
  Lines lines{terminal->fd(), listener.get(),
              [&](std::span<const std::uint8_t> bytes) {
                line.writeTo(terminal->fd(), false);
                deliver(bytes);
              },
              [&](std::span<const std::uint8_t> bytes) {
                line.writeTo(listener->clientFd(), listener->telnet());
                deliver(bytes);
                line.writeTo(terminal->fd(), false);  // the client's socket may close next
              }};
  const auto tick = [&] {
    if (statsRequested) {
      statsRequested = 0;
      saveStats();
    }
    if (roll.hasFailed() && !trouble.paper) {
      trouble.paper = true;
      complain("the paper roll cannot be written (" + paperOutput.failure() +
               "): printing commands are refused as paper out");
    }
    carryOutRequests();
    live.tick();
    if (watch) watch->publishChanges();  // the end of a power cut, a paper file failing
  };
  const int exitCode = serve(lines, child, tick);
  saveStats();
  tick();
  return exitCode == 0 && trouble.any() ? kOutputLostExitCode : exitCode;
}

}  // namespace sim
