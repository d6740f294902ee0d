#include "simulator/control/request_mailbox.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace sim {
namespace {

// True while the peer of the socket `fd` has not closed its end. A client
// that only shut down its sending side still waits for the answer.
bool clientConnected(int fd) {
  pollfd state{fd, 0, 0};
  if (::poll(&state, 1, 0) < 0) return true;  // cannot tell: it is still wanted
  return (state.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

}  // namespace

std::unique_ptr<RequestMailbox> RequestMailbox::create(std::string& error) {
  const int event = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (event < 0) {
    error = std::string("eventfd: ") + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<RequestMailbox>(new RequestMailbox(event));
}

RequestMailbox::~RequestMailbox() {
  ::close(event_);
}

RequestMailbox::Id RequestMailbox::post(const ControlRequest& request, int client,
                                        Clock::time_point deadline) {
  const std::lock_guard lock(mutex_);
  const Id id = nextId_++;
  waiting_.push_back({id, request, client, deadline});
  anyWaiting_ = true;
  return id;
}

bool RequestMailbox::withdraw(Id id) {
  const std::lock_guard lock(mutex_);
  const auto found =
      std::find_if(waiting_.begin(), waiting_.end(), [id](const Posted& p) { return p.id == id; });
  if (found == waiting_.end()) return false;
  waiting_.erase(found);
  anyWaiting_ = !waiting_.empty();
  return true;
}

std::vector<RequestMailbox::Answer> RequestMailbox::takeAnswers() {
  std::uint64_t count = 0;
  while (::read(event_, &count, sizeof count) < 0 && errno == EINTR) {
  }
  const std::lock_guard lock(mutex_);
  pendingEvents_ = 0;
  return std::exchange(answers_, {});
}

std::uint64_t RequestMailbox::takeMissedEvents() {
  const std::lock_guard lock(mutex_);
  return std::exchange(missedEvents_, 0);
}

// No wake-up: the control thread comes for events on its own every
// kEventPeriod while it has watchers, so the line pays no system call and no
// thread switch per event.
void RequestMailbox::publish(std::string line) {
  const std::lock_guard lock(mutex_);
  if (pendingEvents_ >= kMaxPendingEvents) {
    ++missedEvents_;
    return;
  }
  ++pendingEvents_;
  answers_.push_back({0, std::move(line), true});
}

void RequestMailbox::wake() {
  const std::uint64_t one = 1;
  while (::write(event_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void RequestMailbox::carryOutWaiting(const CarryOut& carryOut) {
  if (!anyWaiting_) return;
  // Taken under the lock, where a withdrawal sees each request either waiting
  // or taken; the clients' sockets are looked at only here, while the control
  // thread keeps them open. Carried out without the lock, so the control
  // thread never waits for the line.
  std::vector<std::pair<Id, std::optional<ControlRequest>>> taken;
  {
    const std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    for (const Posted& posted : waiting_) {
      const bool wanted = now < posted.deadline && clientConnected(posted.client);
      taken.emplace_back(posted.id, wanted ? std::optional(posted.request) : std::nullopt);
    }
    waiting_.clear();
    anyWaiting_ = false;
  }
  // Each answer is handed over before the next request is carried out, so
  // that it comes before the events that request publishes.
  for (const auto& [id, request] : taken) {
    if (request && request->watches()) ++watchers_;
    std::optional<std::string> line = request ? std::optional(carryOut(*request)) : std::nullopt;
    const std::lock_guard lock(mutex_);
    answers_.push_back({id, std::move(line)});
  }
  wake();
}

}  // namespace sim
