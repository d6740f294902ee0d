// One line of the library's trace file, defined once: written by the library
// (libfiscalprinter/src/trace), read by fiscalctl's trace decoder.
//
//   2026-12-09T13:45:01.123456Z > 02 01 43 0A 01 00 00 00 5A 11 03  |..C......Z..|
//   2026-12-09T13:45:01.123500Z # resending sequence 2
//
// A line is the UTC time to the microsecond, a blank, the mark (TraceMark), a
// blank and the rest: for bytes, each as two upper-case hex digits, blank
// separated, then two blanks and the same bytes as text between bars ('.' for
// any byte outside 0x20-0x7E); for a note, its text (trace_notes.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fp::protocol {

enum class TraceMark : char {
  Sent = '>',      // host to printer
  Received = '<',  // printer to host
  Note = '#',      // a note of the library
};

// "2026-12-09T13:45:01.123456Z": its length.
inline constexpr std::size_t kTraceStampLength = 27;

// The time stamp of `microseconds` since the epoch.
std::string traceStamp(std::int64_t microseconds);

// "02 41 03  |.A.|": the rest of a line of bytes.
std::string traceBytes(std::span<const std::uint8_t> bytes);

// A whole line, without its newline.
std::string traceLine(std::int64_t microseconds, TraceMark mark, std::string_view rest);

struct TraceLine {
  enum class Kind { Sent, Received, Note, Malformed };
  Kind kind = Kind::Malformed;
  std::int64_t microseconds = 0;    // since the epoch, UTC
  std::vector<std::uint8_t> bytes;  // Sent, Received
  std::string note;                 // Note
};

// Trace files are outside input: any line, however damaged, parses to something
// (Malformed at worst) without a crash. A '\r' before the end is ignored; the
// text column of a line of bytes is not read.
TraceLine parseTraceLine(std::string_view line);

}  // namespace fp::protocol
