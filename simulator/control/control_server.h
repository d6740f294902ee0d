// Serves the control socket on a thread of its own, with a non-blocking poll
// set: accepts clients, reads their request lines, hands each request to the
// line's thread through a RequestMailbox and writes the answer back. Nothing
// here waits for the line, and nothing here can make the line wait.
//
// Every client is bounded: at most kMaxClients at once (more are answered
// "error: ..." and closed at once), kMaxRequest bytes of request line, which
// must arrive within kRequestDeadline of the connection; the printer then has
// kPrinterDeadline to carry it out, or it is answered as not carried out and
// never is; the client has kAnswerDeadline to take its answer. A client that
// hangs up before its request is carried out has it dropped. A watcher, at
// most kMaxWatchers at once, stays as long as it likes; what its bounded
// buffer cannot hold is dropped and counted in its stream.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "simulator/control/control_socket.h"
#include "simulator/control/request_mailbox.h"

namespace sim {

class ControlServer {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr std::size_t kMaxClients = 64;
  static constexpr std::size_t kMaxRequest = 256;  // bytes before the newline
  static constexpr std::size_t kMaxAnswer = 4096;  // bytes waiting to go to one client
  static constexpr std::chrono::milliseconds kRequestDeadline{500};
  static constexpr std::chrono::milliseconds kPrinterDeadline{1000};
  static constexpr std::chrono::milliseconds kAnswerDeadline{500};
  static constexpr std::size_t kMaxWatchers = 8;
  static constexpr std::size_t kMaxWatchBuffer = 64 * 1024;  // bytes waiting for one watcher

  // Starts serving `socket` on a new thread, which receives no signals. The
  // mailbox must outlive the server. Nothing, with `error` set, when the
  // thread cannot be started.
  static std::unique_ptr<ControlServer> start(ControlSocket socket, RequestMailbox& mailbox,
                                              std::string& error);
  // Stops the thread; clients still waiting are told the printer is stopping.
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

 private:
  enum class Stage { kReading, kWithPrinter, kWriting, kWatching, kClosed };
  struct Client {
    int fd;
    Stage stage;
    Clock::time_point deadline;
    std::string in;   // the request line so far
    std::string out;  // the answer, or the events, not yet written
    RequestMailbox::Id request = 0;
    bool watch = false;         // its request is `watch`
    std::uint64_t dropped = 0;  // event lines not yet reported as dropped
  };

  ControlServer(ControlSocket socket, RequestMailbox& mailbox)
      : socket_(std::move(socket)), mailbox_(mailbox) {}

  static short eventsFor(const Client& client);
  void run();
  int pollTimeoutMs() const;
  void acceptWaiting();
  void serve(Client& client, short revents);
  void readRequest(Client& client);
  void requestComplete(Client& client, std::string line);
  void answer(Client& client, const std::string& line);
  void writeAnswer(Client& client);
  void takeAnswers();
  void startWatching(Client& client, const std::string& firstLines);
  void deliver(Client& watcher, const std::string& line);
  void noteDropped(Client& watcher);
  void writeEvents(Client& watcher);
  std::size_t watchersCounted() const;
  bool withdraw(const Client& client);
  void expire();
  void close(Client& client);

  ControlSocket socket_;
  RequestMailbox& mailbox_;
  std::vector<Client> clients_;
  std::vector<RequestMailbox::Id> watchRequests_;  // posted, not yet answered
  Clock::time_point acceptPausedUntil_{};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace sim
