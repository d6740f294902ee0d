// What the library writes into its trace, fiscalctl's decoder reads back: every
// line parses, every note the decoder acts on is recognised, and the verdict it
// gives a command is the code the library returned for it.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "fiscalctl/trace_decoder.h"
#include "protocol/trace_line.h"
#include "protocol/trace_notes.h"
#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using Meaning = protocol::note::Meaning;
using TraceRoundTrip = LibraryTest;

// Meanings by name, for failures a person can read.
std::string nameOf(Meaning meaning) {
  static const std::map<Meaning, std::string> names = {
      {Meaning::Open, "open"},           {Meaning::Close, "close"},
      {Meaning::Resending, "resending"}, {Meaning::NoAnswer, "no answer"},
      {Meaning::LineLost, "line lost"},  {Meaning::DamagedFrames, "damaged frames"}};
  const auto named = names.find(meaning);
  return named == names.end() ? "other" : named->second;
}

struct Decoded {
  std::string log;
  std::vector<fiscalctl::TracedCommand> commands;
  int malformed = 0;
  std::vector<std::string> meanings;  // of the notes that mean something, in order
};

Decoded decode(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream log;
  fiscalctl::TraceDecoder decoder(log);
  Decoded decoded;
  for (std::string line; std::getline(in, line);) {
    decoder.line(line);
    const protocol::TraceLine parsed = protocol::parseTraceLine(line);
    if (parsed.kind != protocol::TraceLine::Kind::Note) continue;
    if (const Meaning meaning = protocol::note::meaning(parsed.note); meaning != Meaning::Other)
      decoded.meanings.push_back(nameOf(meaning));
  }
  decoder.finish();
  decoded.log = log.str();
  decoded.commands = decoder.commands();
  decoded.malformed = decoder.malformedLines();
  return decoded;
}

// The default printer with one setting changed.
template <typename T>
Script scripted(T Script::*setting, T value) {
  Script script;
  script.*setting = value;
  return script;
}

TEST_F(TraceRoundTrip, TheDecoderReadsEachEndingTheLibraryWrote) {
  const struct {
    const char* name;
    Script script;
    int code;
    int transmissions;
    std::vector<std::string> notes;
    bool vanishFirst = false;  // the line is gone before the command is written
  } cases[] = {
      {"executed", Script{}, FP_OK, 1, {"open", "close"}},
      {"resent after a damaged reply",
       scripted(&Script::corruptReplies, 1),
       FP_OK,
       2,
       {"open", "resending", "close"}},
      {"refused",
       scripted<std::uint16_t>(&Script::returnCode, 2),
       FP_REFUSED_BASE + 2,
       1,
       {"open", "close"}},
      {"no answer",
       scripted(&Script::dropReplies, 1000),
       FP_TIMEOUT,
       3,
       {"open", "resending", "resending", "no answer", "close"}},
      {"damaged frames",
       scripted(&Script::corruptReplies, 1000),
       FP_BAD_FRAMES,
       3,
       {"open", "resending", "resending", "damaged frames", "close"}},
      // The port is closed by the loss itself: ClosePort has nothing to note.
      {"line lost while waiting",
       scripted(&Script::vanishOnCommand, true),
       FP_LINE_LOST,
       1,
       {"open", "line lost"}},
      {"line lost before writing", Script{}, FP_LINE_LOST, 1, {"open", "line lost"}, true},
  };
  const std::string path =
      ::testing::TempDir() + "fiscal-round-trip-" + std::to_string(::getpid()) + ".log";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove(path.c_str());
    ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
    ASSERT_EQ(openWith(c.script), FP_OK);
    if (c.vanishFirst) {
      ASSERT_TRUE(printer_->vanishNow());
    }
    SendCommandComplete("0707|0000");
    const int code = getLastError();
    ClosePort(area_);
    ::unsetenv("FISCALPRINTER_TRACE");
    const Decoded decoded = decode(path);

    EXPECT_EQ(code, c.code);
    EXPECT_EQ(decoded.malformed, 0) << decoded.log;
    EXPECT_EQ(decoded.meanings, c.notes) << decoded.log;
    ASSERT_EQ(decoded.commands.size(), 1u) << decoded.log;
    EXPECT_EQ(decoded.commands[0].code, code) << decoded.log;
    EXPECT_EQ(decoded.commands[0].transmissions, c.transmissions) << decoded.log;
    EXPECT_EQ(decoded.commands[0].command, 0x0707);
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace fp::testing
