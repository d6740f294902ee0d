#include "simulator/control/control_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "simulator/control/control_requests.h"
#include "simulator/control/watch_event.h"

namespace sim {
namespace {

using std::chrono::duration_cast;
using std::chrono::milliseconds;

// How long accepting pauses when the process is out of descriptors: the
// connection stays queued, and polling for it again at once would spin.
constexpr milliseconds kAcceptPause{100};

std::string msText(milliseconds ms) {
  return std::to_string(ms.count()) + " ms";
}

}  // namespace

std::unique_ptr<ControlServer> ControlServer::start(ControlSocket socket, RequestMailbox& mailbox,
                                                    std::string& error) {
  std::unique_ptr<ControlServer> server(new ControlServer(std::move(socket), mailbox));
  // The line's thread takes every signal, so a stop cuts its waits short at once.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  try {
    server->thread_ = std::thread([raw = server.get()] { raw->run(); });
  } catch (const std::system_error& failure) {
    error = std::string("cannot start the control thread: ") + failure.what();
    server.reset();
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return server;
}

ControlServer::~ControlServer() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  mailbox_.wake();
  thread_.join();
}

void ControlServer::run() {
  std::vector<pollfd> set;
  while (!stopping_) {
    set.clear();
    set.push_back({mailbox_.readyFd(), POLLIN, 0});
    const bool accepting = Clock::now() >= acceptPausedUntil_;
    set.push_back({socket_.fd(), static_cast<short>(accepting ? POLLIN : 0), 0});
    for (const Client& client : clients_) {
      set.push_back({client.fd, eventsFor(client), 0});
    }
    if (::poll(set.data(), set.size(), pollTimeoutMs()) < 0 && errno != EINTR) break;
    takeAnswers();
    for (std::size_t i = 0; i < clients_.size(); ++i) serve(clients_[i], set[i + 2].revents);
    if (accepting && (set[1].revents & POLLIN) != 0) acceptWaiting();
    expire();
    std::erase_if(clients_, [](const Client& c) { return c.stage == Stage::kClosed; });
  }
  takeAnswers();  // carried out already: they go out as far as the clients take them now
  for (Client& client : clients_) {
    if (client.stage == Stage::kWithPrinter && withdraw(client)) {
      const std::string last = "error: the printer is stopping; not carried out\n";
      ::send(client.fd, last.data(), last.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    close(client);
  }
}

short ControlServer::eventsFor(const Client& client) {
  switch (client.stage) {
    case Stage::kReading:
      return POLLIN;
    case Stage::kWriting:
      return POLLOUT;
    case Stage::kWatching:
      // Whatever a watcher sends after its request is never read.
      return client.out.empty() ? 0 : POLLOUT;
    default:
      return 0;  // only a hang-up or an error
  }
}

int ControlServer::pollTimeoutMs() const {
  Clock::time_point next = Clock::time_point::max();
  for (const Client& client : clients_) next = std::min(next, client.deadline);
  if (Clock::now() < acceptPausedUntil_) next = std::min(next, acceptPausedUntil_);
  // Watchers' events are fetched, not announced.
  if (watchersCounted() > 0) next = std::min(next, Clock::now() + RequestMailbox::kEventPeriod);
  if (next == Clock::time_point::max()) return -1;
  // Rounded up, so that the wake-up comes after the deadline, not just before.
  const auto left = duration_cast<milliseconds>(next - Clock::now()) + milliseconds(1);
  return static_cast<int>(std::max<milliseconds::rep>(0, left.count()));
}

void ControlServer::acceptWaiting() {
  while (true) {
    const int fd = ::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno != EAGAIN) acceptPausedUntil_ = Clock::now() + kAcceptPause;
      return;
    }
    if (clients_.size() >= kMaxClients) {
      const std::string busy =
          "error: too many control clients at once (" + std::to_string(kMaxClients) + ")\n";
      ::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      ::close(fd);
      continue;
    }
    clients_.push_back({fd, Stage::kReading, Clock::now() + kRequestDeadline, {}, {}, 0});
  }
}

void ControlServer::serve(Client& client, short revents) {
  const bool hungUp = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  switch (client.stage) {
    case Stage::kReading:
      if ((revents & POLLIN) != 0 || hungUp) readRequest(client);
      break;
    case Stage::kWithPrinter:
      // Withdrawn, or already answered: either way nobody waits for the answer.
      if (hungUp) {
        withdraw(client);
        close(client);
      }
      break;
    case Stage::kWriting:
      if ((revents & POLLOUT) != 0) {
        writeAnswer(client);
      } else if (hungUp) {
        close(client);
      }
      break;
    case Stage::kWatching:
      if ((revents & POLLOUT) != 0) {
        writeEvents(client);
      } else if (hungUp) {
        close(client);
      }
      break;
    case Stage::kClosed:
      break;
  }
}

void ControlServer::readRequest(Client& client) {
  char buffer[kMaxRequest + 1];
  const ssize_t count = ::recv(client.fd, buffer, kMaxRequest + 1 - client.in.size(), 0);
  if (count < 0) {
    if (errno != EAGAIN && errno != EINTR) close(client);
    return;
  }
  if (count == 0) {  // the client's side is shut: what came is the request
    if (client.in.empty()) {
      close(client);
    } else {
      requestComplete(client, client.in);
    }
    return;
  }
  client.in.append(buffer, static_cast<std::size_t>(count));
  if (const std::size_t end = client.in.find('\n'); end != std::string::npos) {
    requestComplete(client, client.in.substr(0, end));
  } else if (client.in.size() > kMaxRequest) {
    answer(client, "error: request longer than " + std::to_string(kMaxRequest) + " bytes");
  }
}

void ControlServer::requestComplete(Client& client, std::string line) {
  // Lines from telnet, socat's crlf or a Windows tool end in CR LF.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::string error;
  const std::optional<ControlRequest> request = parseControlRequest(line, error);
  if (!request) {
    answer(client, "error: " + error);
    return;
  }
  client.watch = request->watches();
  if (client.watch && watchersCounted() >= kMaxWatchers) {
    answer(client, "error: too many watchers at once (" + std::to_string(kMaxWatchers) + ")");
    return;
  }
  client.stage = Stage::kWithPrinter;
  client.deadline = Clock::now() + kPrinterDeadline;
  client.request = mailbox_.post(*request, client.fd, client.deadline);
  if (client.watch) watchRequests_.push_back(client.request);
}

// Takes the client's request back from the mailbox; true when it never
// reaches the line.
bool ControlServer::withdraw(const Client& client) {
  if (!mailbox_.withdraw(client.request)) return false;
  std::erase(watchRequests_, client.request);
  return true;
}

// Watchers, and watch requests on their way to the line.
std::size_t ControlServer::watchersCounted() const {
  return static_cast<std::size_t>(
      std::count_if(clients_.begin(), clients_.end(), [](const Client& c) {
        return c.watch && (c.stage == Stage::kWithPrinter || c.stage == Stage::kWatching);
      }));
}

void ControlServer::answer(Client& client, const std::string& line) {
  if (client.out.size() + line.size() + 1 > kMaxAnswer) {
    close(client);
    return;
  }
  client.out += line + "\n";
  client.stage = Stage::kWriting;
  client.deadline = Clock::now() + kAnswerDeadline;
  writeAnswer(client);
}

void ControlServer::writeAnswer(Client& client) {
  const ssize_t sent =
      ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (sent < 0) {
    if (errno != EAGAIN && errno != EINTR) close(client);
    return;
  }
  client.out.erase(0, static_cast<std::size_t>(sent));
  if (client.out.empty()) close(client);
}

void ControlServer::takeAnswers() {
  for (const RequestMailbox::Answer& given : mailbox_.takeAnswers()) {
    if (given.event) {
      for (Client& client : clients_) {
        if (client.stage == Stage::kWatching) deliver(client, *given.line);
      }
      continue;
    }
    const auto watchRequest = std::find(watchRequests_.begin(), watchRequests_.end(), given.id);
    const bool watch = watchRequest != watchRequests_.end();
    if (watch) watchRequests_.erase(watchRequest);
    const auto waiting = std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) {
      return c.stage == Stage::kWithPrinter && c.request == given.id;
    });
    if (waiting == clients_.end()) {  // its client has gone
      if (watch && given.line) mailbox_.watcherGone();
      continue;
    }
    if (watch && given.line) {
      startWatching(*waiting, *given.line);
    } else {
      answer(*waiting, given.line.value_or("error: the printer did not take the request in time; "
                                           "not carried out"));
    }
  }
  if (const std::uint64_t missed = mailbox_.takeMissedEvents(); missed > 0) {
    for (Client& client : clients_) {
      if (client.stage == Stage::kWatching) client.dropped += missed;
    }
  }
  for (Client& client : clients_) {
    if (client.stage == Stage::kWatching && !client.out.empty()) writeEvents(client);
  }
}

void ControlServer::startWatching(Client& client, const std::string& firstLines) {
  client.stage = Stage::kWatching;
  client.deadline = Clock::time_point::max();  // a watcher may stay as long as it likes
  client.out = firstLines + "\n";
}

// Whole lines only: one that does not fit is dropped and counted, and so is
// every later one until the count itself fits again.
void ControlServer::deliver(Client& watcher, const std::string& line) {
  noteDropped(watcher);
  if (watcher.dropped == 0 && watcher.out.size() + line.size() + 1 <= kMaxWatchBuffer) {
    watcher.out += line;
    watcher.out += '\n';
  } else {
    ++watcher.dropped;
  }
}

void ControlServer::noteDropped(Client& watcher) {
  // A full buffer takes no note: not worth making one (a note is < 64 bytes).
  constexpr std::size_t kNoteRoom = 64;
  if (watcher.dropped == 0 || watcher.out.size() + kNoteRoom > kMaxWatchBuffer) return;
  const std::string note = watch::formatEvent(watch::Dropped{watcher.dropped});
  if (watcher.out.size() + note.size() + 1 > kMaxWatchBuffer) return;
  watcher.out += note;
  watcher.out += '\n';
  watcher.dropped = 0;
}

void ControlServer::writeEvents(Client& watcher) {
  const ssize_t sent =
      ::send(watcher.fd, watcher.out.data(), watcher.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (sent < 0) {
    if (errno != EAGAIN && errno != EINTR) close(watcher);
    return;
  }
  watcher.out.erase(0, static_cast<std::size_t>(sent));
  // The watcher takes lines again: it learns at once what it missed.
  noteDropped(watcher);
}

void ControlServer::expire() {
  const auto now = Clock::now();
  for (Client& client : clients_) {
    if (client.stage == Stage::kClosed || now < client.deadline) continue;
    switch (client.stage) {
      case Stage::kReading:
        answer(client, "error: no request line within " + msText(kRequestDeadline));
        break;
      case Stage::kWithPrinter:
        if (withdraw(client)) {
          answer(client, "error: the printer was busy for " + msText(kPrinterDeadline) +
                             "; not carried out");
        } else {
          // Taken by the line just now: its answer follows in a moment and
          // must reach the client, whatever the clock says.
          client.deadline = Clock::time_point::max();
        }
        break;
      case Stage::kWriting:
        close(client);
        break;
      case Stage::kWatching:
      case Stage::kClosed:
        break;
    }
  }
}

void ControlServer::close(Client& client) {
  if (client.stage == Stage::kClosed) return;
  if (client.stage == Stage::kWatching) mailbox_.watcherGone();
  ::close(client.fd);
  client.stage = Stage::kClosed;
}

}  // namespace sim
