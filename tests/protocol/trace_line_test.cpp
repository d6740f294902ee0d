// The trace line as it stands on disk. Traces written by this release must stay
// readable by later decoders, so the lines the writer makes are pinned here to
// their documented form (docs/library.md, Trace), and each parses back.
#include "protocol/trace_line.h"

#include <gtest/gtest.h>

namespace fp::protocol {
namespace {

TEST(TraceLineFormat, WritesTheDocumentedLinesAndReadsThemBack) {
  using Kind = TraceLine::Kind;
  const std::vector<std::uint8_t> frame = {0x02, 0x41, 0x7F, 0x20, 0xFF, 0x03};
  const struct {
    std::int64_t microseconds;
    TraceMark mark;
    std::string rest;
    const char* line;
    Kind kind;
  } cases[] = {
      {1796824175758651, TraceMark::Sent, traceBytes(frame),
       "2026-12-09T13:49:35.758651Z > 02 41 7F 20 FF 03  |.A. ..|", Kind::Sent},
      {1798761599999999, TraceMark::Received, traceBytes(std::vector<std::uint8_t>{0x06}),
       "2026-12-31T23:59:59.999999Z < 06  |.|", Kind::Received},
      {1796824175000007, TraceMark::Note, "resending sequence 5",
       "2026-12-09T13:49:35.000007Z # resending sequence 5", Kind::Note},
      {1798761600000000, TraceMark::Note, "close", "2027-01-01T00:00:00.000000Z # close",
       Kind::Note},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(traceLine(c.microseconds, c.mark, c.rest), c.line);
    const TraceLine parsed = parseTraceLine(c.line);
    EXPECT_EQ(parsed.kind, c.kind);
    EXPECT_EQ(parsed.microseconds, c.microseconds);
    if (c.kind == Kind::Note) {
      EXPECT_EQ(parsed.note, c.rest);
    } else {
      EXPECT_EQ(traceBytes(parsed.bytes), c.rest);
    }
  }
}

}  // namespace
}  // namespace fp::protocol
