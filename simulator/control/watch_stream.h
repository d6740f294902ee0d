// A watcher's side of the event stream: bytes as they arrive, in any split,
// into events. Lines longer than watch::kMaxLine are skipped whole. Every
// line that is not an event is counted and its reason kept, never silently
// lost; events of a kind this reader does not know are counted apart (a newer
// printer may add some).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/control/watch_event.h"

namespace sim::watch {

class WatchStream {
 public:
  using OnEvent = std::function<void(const Event&)>;

  // Reads every complete line in `bytes` (after what came before) and hands
  // each event to `onEvent`. The first line may instead be the printer's
  // refusal ("error: ..."): then refusal() holds it and nothing more is read.
  void feed(std::string_view bytes, const OnEvent& onEvent);

  const std::optional<std::string>& refusal() const { return refusal_; }
  std::uint64_t unreadable() const { return unreadable_; }
  std::uint64_t unknown() const { return unknown_; }
  // Why the last unreadable line was not read.
  const std::string& lastError() const { return lastError_; }
  // Bytes of a line not yet ended that it keeps: never more than kMaxLine,
  // whatever a peer sends.
  std::size_t buffered() const { return pending_.size(); }

 private:
  void line(std::string_view text, const OnEvent& onEvent);

  std::string pending_;
  bool skipping_ = false;  // inside a line longer than kMaxLine
  bool first_ = true;
  std::optional<std::string> refusal_;
  std::uint64_t unreadable_ = 0;
  std::uint64_t unknown_ = 0;
  std::string lastError_;
};

}  // namespace sim::watch
