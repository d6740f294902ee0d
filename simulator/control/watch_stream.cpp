#include "simulator/control/watch_stream.h"

namespace sim::watch {

void WatchStream::feed(std::string_view bytes, const OnEvent& onEvent) {
  while (!bytes.empty() && !refusal_) {
    const std::size_t end = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, end);
    if (skipping_) {
      // the rest of a line too long to be an event
    } else if (pending_.size() + piece.size() > kMaxLine) {
      skipping_ = true;
      pending_.clear();
    } else {
      pending_.append(piece);
    }
    if (end == std::string_view::npos) return;
    bytes.remove_prefix(end + 1);
    if (skipping_) {
      skipping_ = false;
      ++unreadable_;
      lastError_ = "line longer than " + std::to_string(kMaxLine) + " bytes";
      first_ = false;
      continue;
    }
    const std::string text = std::move(pending_);
    pending_.clear();
    line(text, onEvent);
  }
}

void WatchStream::line(std::string_view text, const OnEvent& onEvent) {
  if (first_ && text.substr(0, 6) == "error:") {
    refusal_ = std::string(text);
    return;
  }
  first_ = false;
  std::string error;
  if (const std::optional<Event> event = parseEvent(text, error)) {
    onEvent(*event);
  } else if (error.rfind("unknown event", 0) == 0) {
    ++unknown_;
  } else {
    ++unreadable_;
    lastError_ = error;
  }
}

}  // namespace sim::watch
