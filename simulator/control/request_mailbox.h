// Control requests on their way from the control thread to the line's thread,
// and their answers and the watchers' events on the way back, in the order
// the line gave them.
//
// The printer's state changes only on the line's thread, between two steps of
// its work, so a request never tears a command. A request is carried out at
// most once, and only while it is still wanted: before its deadline and while
// its client is still connected. One the control thread withdraws before the
// line has taken it is never carried out; withdrawing and taking exclude each
// other, so the control thread always knows which of the two happened. The
// control thread never waits for the line: requests are carried out outside
// the lock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simulator/control/control_requests.h"

namespace sim {

class RequestMailbox {
 public:
  using Clock = std::chrono::steady_clock;
  using Id = std::uint64_t;
  // Carries out one request on the line's thread and returns the answer line.
  // It must not wait.
  using CarryOut = std::function<std::string(const ControlRequest&)>;

  // Events not yet taken by the control thread beyond which more are dropped
  // (and counted): the line never waits for the control thread.
  static constexpr std::size_t kMaxPendingEvents = 8192;
  // How often the control thread takes the events while it has watchers:
  // events are not worth a wake-up each.
  static constexpr std::chrono::milliseconds kEventPeriod{10};

  struct Answer {
    Id id;  // 0 for an event
    // Nothing when the request was not carried out: too late, or its client
    // had hung up. An event's line otherwise.
    std::optional<std::string> line;
    bool event = false;
  };

  // Nothing, with `error` set, when the wake-up descriptor cannot be made.
  static std::unique_ptr<RequestMailbox> create(std::string& error);
  ~RequestMailbox();
  RequestMailbox(const RequestMailbox&) = delete;
  RequestMailbox& operator=(const RequestMailbox&) = delete;

  // The control thread's side.
  // Hands `request` to the line. `client` is the socket of the client waiting
  // for it: it must stay open until withdraw() is called or the answer is taken.
  Id post(const ControlRequest& request, int client, Clock::time_point deadline);
  // True when the request had not been taken and now never will be; false
  // when the line has taken it: its answer comes through takeAnswers(), at
  // once or as soon as the line has carried it out (it does not wait).
  bool withdraw(Id id);
  // The answers and events given since the last call, in order.
  std::vector<Answer> takeAnswers();
  // Events dropped since the last call because the control thread had not
  // taken kMaxPendingEvents before them.
  std::uint64_t takeMissedEvents();
  // A watcher taken up by the line (a `watch` carried out) has gone.
  void watcherGone() { --watchers_; }
  // Readable while answers wait, or after wake().
  int readyFd() const { return event_; }
  // Makes readyFd() readable (to stop the control thread's wait).
  void wake();

  // The line's thread's side: carries out every request waiting, in order.
  // Costs one atomic load when none waits. A `watch` carried out counts a
  // watcher from that moment: its answer is its first lines, and every event
  // published after it follows them.
  void carryOutWaiting(const CarryOut& carryOut);
  // True while a watcher is counted: events are worth making. One atomic load.
  bool watched() const { return watchers_.load(std::memory_order_relaxed) > 0; }
  // Hands one event line (without newline) to the watchers, who have it
  // within kEventPeriod. Never waits, never wakes the control thread.
  void publish(std::string line);

 private:
  explicit RequestMailbox(int event) : event_(event) {}

  struct Posted {
    Id id;
    ControlRequest request;
    int client;
    Clock::time_point deadline;
  };

  const int event_;
  std::mutex mutex_;
  std::deque<Posted> waiting_;
  std::vector<Answer> answers_;
  std::size_t pendingEvents_ = 0;  // of answers_
  std::uint64_t missedEvents_ = 0;
  Id nextId_ = 1;
  std::atomic<bool> anyWaiting_{false};
  std::atomic<int> watchers_{0};
};

}  // namespace sim
