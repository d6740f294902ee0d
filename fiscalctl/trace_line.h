// One line of a library trace file, parsed. Trace files are outside input: any
// line, however damaged, parses to something (Malformed at worst) without a crash.
//
//   2026-12-09T13:45:01.123456Z > 02 01 43 0A 01 00 00 00 5A 11 03  |..C......Z..|
//   2026-12-09T13:45:01.123500Z # resending sequence 2
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fiscalctl {

struct TraceLine {
  enum class Kind { Sent, Received, Note, Malformed };
  Kind kind = Kind::Malformed;
  std::int64_t microseconds = 0;    // since the epoch, UTC
  std::vector<std::uint8_t> bytes;  // Sent, Received
  std::string note;                 // Note
};

TraceLine parseTraceLine(std::string_view line);

// "13:45:01.123" in local time, and "2026-12-09" its local date.
std::string localTime(std::int64_t microseconds);
std::string localDate(std::int64_t microseconds);

}  // namespace fiscalctl
