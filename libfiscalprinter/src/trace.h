// The optional trace: when FISCALPRINTER_TRACE names a file, every frame and link
// byte sent or received is appended there, one line each, with a UTC timestamp,
// the bytes in hex and the same bytes as printable text ('.' for the others),
// and the library's notes. The line is protocol/trace_line.h's, the notes'
// texts protocol/trace_notes.h's: fiscalctl reads them by the same definitions.
//
//   2026-12-09T13:45:01.123456Z > 02 01 43 0A 01 00 00 00 5A 11 03  |..C......Z..|
//
// The trace never blocks, signals or fails a command: the target is opened
// without blocking (a FIFO without a reader is skipped), written without
// blocking and without raising SIGPIPE, and a line it cannot write whole is
// dropped. Dropped lines are counted in a note ("# N trace lines dropped") as
// soon as one can be written again, at the latest when the trace is closed.
// A file it creates is readable by its owner only (0600): it holds customers' data.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "protocol/trace_line.h"

namespace fp::lib {

class Trace {
 public:
  Trace() = default;
  ~Trace() { stop(); }
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Opens the file named by FISCALPRINTER_TRACE (if any) for appending.
  void startFromEnvironment();
  void stop();
  // In a forked child: closes this process's copy of the file, writing
  // nothing. Async-signal-safe.
  void releaseInForkedChild() noexcept;

  void sent(std::span<const std::uint8_t> bytes) { bytesLine(protocol::TraceMark::Sent, bytes); }
  void received(std::span<const std::uint8_t> bytes) {
    bytesLine(protocol::TraceMark::Received, bytes);
  }
  void note(std::string_view text);

 private:
  void bytesLine(protocol::TraceMark mark, std::span<const std::uint8_t> bytes);
  void writeLine(protocol::TraceMark mark, std::string_view rest);
  // Writes the whole line or none of it (as far as the target allows); false if not.
  bool put(const std::string& line);
  // Notes how many lines were dropped, once the target takes writes again; the
  // count restarts when the note is written.
  void writeDroppedCount(std::int64_t microseconds);
  // Sends what is left of a line a pipe took only in part; true once it is all out.
  bool flushPending();

  int fd_ = -1;
  std::string pending_;        // the tail of a line the target took only in part
  unsigned long dropped_ = 0;  // lines not written since the last count note
};

}  // namespace fp::lib
