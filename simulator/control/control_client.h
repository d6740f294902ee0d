// The client's side of the control socket: one request line, one answer line.
#pragma once

#include <optional>
#include <string>

namespace sim {

// Connects to the socket at `path`, sends `request` and returns the answer
// line. The whole exchange (connecting, sending, waiting for the answer) ends
// within `deadlineMs` whatever the simulator does, stopped or with its queue
// of connections full included: nothing, with `error` set, when there is no
// answer by then or the socket cannot be reached.
std::optional<std::string> askControl(const std::string& path, const std::string& request,
                                      int deadlineMs, std::string& error);

}  // namespace sim
