// Any bytes as a line of the event stream, as a stream in pieces, and as a
// control request: the readers take them or refuse them, never crash, and
// whatever they take is written back in a form they take again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "simulator/control/control_requests.h"
#include "simulator/control/watch_event.h"
#include "simulator/control/watch_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (const auto event = sim::watch::parseEvent(line, error)) {
    const auto again = sim::watch::parseEvent(sim::watch::formatEvent(*event), error);
    if (!again || again->index() != event->index()) std::abort();
  }
  // The same bytes as a stream, cut where the first byte says.
  sim::watch::WatchStream stream;
  const std::size_t cut = size > 0 ? data[0] % (size + 1) : 0;
  std::size_t events = 0;
  const auto count = [&](const sim::watch::Event&) { ++events; };
  stream.feed(line.substr(0, cut), count);
  stream.feed(line.substr(cut), count);
  if (events > size) std::abort();  // every event takes at least one byte
  if (const auto request = sim::parseControlRequest(line, error)) {
    if (sim::parseControlRequest(sim::formatControlRequest(*request), error) != request) {
      std::abort();
    }
  }
  return 0;
}
