// The client's side of the control socket: one request line, one answer line.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace sim {

// Connects to the socket at `path`, sends `request` and returns the answer
// line. The whole exchange (connecting, sending, waiting for the answer) ends
// within `deadlineMs` whatever the simulator does, stopped or with its queue
// of connections full included: nothing, with `error` set, when there is no
// answer by then, the socket cannot be reached, or what came is not an answer
// ("ok ..." or "error: ..." in printable ASCII).
std::optional<std::string> askControl(const std::string& path, const std::string& request,
                                      int deadlineMs, std::string& error);

// Sends `watch` and hands every line of the event stream (without its
// newline) to `onLine` until the simulator ends the stream or `onLine`
// returns false. Connecting and the first line must come within
// `deadlineMs`; after that a watcher waits for events as long as it likes.
// False, with `error` set, when the first line does not come in time, is an
// error answer, or a line is longer than watch::kMaxLine or is not one a
// printer sends (the first the stream's header, every one a JSON object).
bool watchControl(const std::string& path, int deadlineMs,
                  const std::function<bool(const std::string&)>& onLine, std::string& error);

}  // namespace sim
