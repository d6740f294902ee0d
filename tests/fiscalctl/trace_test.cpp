// The trace decoder on a real trace (retransmissions, bad frames, a long Z),
// on hostile lines, and the replay of a trace on another printer.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "fiscalctl/output.h"
#include "fiscalctl/trace_decoder.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/trace_line.h"
#include "tests/fiscalctl/fiscalctl_run.h"
#include "tests/simulator/simulator_process.h"
#include "tests/support/latin1_oracle.h"

namespace fiscalctl_test {
namespace {

using sim_test::SimulatorProcess;

TEST(Trace, DecodesAFaultyFiscalDayWithOneVerdictPerCommand) {
  TempDir dir;
  const std::string trace = dir.file("trace");
  {
    SimulatorProcess sim({"--corrupt-every", "4", "--drop-every", "7", "--z-ms", "1300"});
    ASSERT_TRUE(sim.started());
    const Result run =
        fiscalctl({"--port", sim.port(), "acceptance"}, {"FISCALPRINTER_TRACE=" + trace});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_NE(run.out.find("PASS: all 17 commands ended with 0"), std::string::npos) << run.out;
    ASSERT_GT(sim.stat("retransmissions"), 0u);
  }
  // Damage the file the way disks and editors do.
  std::string text = readFile(trace);
  text += "not a trace line\n2026-12-09T13:49:35.758651Z > 02 1\n\xff\x01\n";
  writeFile(trace, text);

  const Result decoded = fiscalctl({"trace", trace});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
  const std::string& log = decoded.out;
  // 16 commands and the opening handshake; status sends nothing.
  EXPECT_EQ(count(log, "= VERDICT #"), 17) << log;
  EXPECT_EQ(count(log, ": OK (0 no error)"), 17) << log;
  EXPECT_NE(log.find("ticket-item  [0A02|0000] 5=\"Venta de item       \""), std::string::npos);
  EXPECT_NE(log.find("  !! RETRANSMISSION (transmission 2)"), std::string::npos) << log;
  EXPECT_NE(log.find("< !! BAD FRAME: "), std::string::npos) << log;
  EXPECT_NE(log.find("fiscal 0x0001 ticket open"), std::string::npos) << log;
  // The Z's "still working" run as one line of at least a second.
  const std::size_t working = log.find("< still working (");
  ASSERT_NE(working, std::string::npos) << log;
  EXPECT_EQ(count(log, "still working"), 1);
  const std::string line = log.substr(working, log.find('\n', working) - working);
  EXPECT_GE(std::stod(line.substr(line.find(", ") + 2)), 1.0) << line;
  EXPECT_EQ(count(log, "?? malformed line: "), 3) << log;
  EXPECT_NE(log.find("trace: 16 commands, 0 not ended with 0, 3 malformed lines"),
            std::string::npos);

  // The same commands again on a new printer: every verdict the same.
  SimulatorProcess bench({"--z-ms", "10"});
  ASSERT_TRUE(bench.started());
  const Result replay = fiscalctl({"--port", bench.port(), "replay", trace});
  EXPECT_EQ(replay.exitCode, 0) << replay.out << replay.err;
  EXPECT_EQ(count(replay.out, "  same\n"), 16) << replay.out;
  // Old and new verdicts in the same words.
  EXPECT_EQ(count(replay.out, "  old 0 no error "), 16) << replay.out;
  EXPECT_EQ(bench.stat("commands_executed"), 16u);
  EXPECT_NE(bench.paper().find("CIERRE Z"), std::string::npos);
}

// A file that holds no trace line is not a trace: trace and replay refuse it
// (exit code 2) instead of reporting zero commands as a success.
TEST(Trace, AFileWithoutTraceLinesIsRefused) {
  TempDir dir;
  writeFile(dir.file("hostname"), "fiscal-desk\n");
  writeFile(dir.file("empty"), "");
  for (const std::string& file : {dir.file("hostname"), dir.file("empty")}) {
    for (const std::string mode : {"trace", "replay"}) {
      const Result run = fiscalctl({"--port", "/nonexistent/tty", mode, file});
      EXPECT_EQ(run.exitCode, 2) << mode << " " << file << "\n" << run.out;
      EXPECT_NE(run.err.find(file + " holds no trace line"), std::string::npos) << run.err;
    }
  }
}

// A line as the library writes it: stamp, direction, hex and text.
std::string traceLine(const std::string& stamp, char direction, const fp::protocol::Bytes& bytes) {
  std::string hex;
  char pair[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02X ", byte);
    hex += pair;
  }
  hex.pop_back();
  return "2026-12-09T13:49:" + stamp + "Z " + direction + " " + hex + "  |...|";
}

fp::protocol::Bytes commandFrame(std::uint8_t sequence, std::uint16_t command) {
  fp::protocol::Bytes body;
  fp::protocol::encodeCommand({sequence, command, 0, {}}, body);
  return fp::protocol::encodeFrame(body);
}

TEST(Trace, EndsACommandByWhatTheLibraryNoted) {
  // A drawer command sent twice with no answer, the library gives up; a note
  // the decoder does not know; an item refused as out of order.
  fp::protocol::Bytes refusal;
  fp::protocol::encodeReply({6, 0, 0x20, 2, {}}, refusal);
  refusal = fp::protocol::encodeFrame(refusal);
  refusal.insert(refusal.begin(), fp::protocol::kAck);
  const std::vector<std::string> lines = {
      "2026-12-09T13:49:35.100000Z # open /dev/pts/0 at 115200 bit/s",
      traceLine("35.200000", '>', commandFrame(5, 0x0707)),
      "2026-12-09T13:49:35.600000Z # resending sequence 5",
      traceLine("35.700000", '>', commandFrame(5, 0x0707)),
      "2026-12-09T13:49:36.100000Z # giving up: no answer",
      "2026-12-09T13:49:36.200000Z # 3 lines dropped",
      traceLine("36.300000", '>', commandFrame(6, 0x0A02)),
      traceLine("36.350000", '<', refusal),
  };
  std::ostringstream out;
  fiscalctl::TraceDecoder decoder(out);
  for (const std::string& line : lines) decoder.line(line);
  decoder.finish();
  const std::string log = out.str();
  EXPECT_NE(
      log.find("= VERDICT #5 drawer-open: FAILED (11 no answer) after 0.900 s, 2 transmissions"),
      std::string::npos)
      << log;
  EXPECT_NE(log.find("# 3 lines dropped"), std::string::npos);  // an unknown note stays a note
  EXPECT_NE(log.find("fiscal 0x0020 last command refused"), std::string::npos) << log;
  EXPECT_NE(log.find("= VERDICT #6 ticket-item: FAILED (1002 refused: out of order)"),
            std::string::npos)
      << log;
  ASSERT_EQ(decoder.commands().size(), 2u) << log;
  EXPECT_EQ(decoder.commands()[0].code, 11);
  EXPECT_EQ(decoder.commands()[1].code, 1002);
  EXPECT_EQ(decoder.failedCommands(), 2);
}

// Replay gives the old verdict in the library's words in text and JSON alike.
TEST(Trace, ReplaySaysTheOldVerdictInOneWayWhateverItsForm) {
  TempDir dir;
  const std::string trace = dir.file("trace");
  writeFile(trace, "2026-12-09T13:49:35.100000Z # open /dev/pts/0 at 115200 bit/s\n" +
                       traceLine("35.200000", '>', commandFrame(5, 0x0707)) + "\n" +
                       "2026-12-09T13:49:36.100000Z # giving up: no answer\n");
  SimulatorProcess bench({});
  ASSERT_TRUE(bench.started());
  const Result text = fiscalctl({"--port", bench.port(), "replay", trace});
  const Result json = fiscalctl({"--port", bench.port(), "--json", "replay", trace});
  EXPECT_EQ(text.exitCode, 1) << text.err;
  const std::string said = nlohmann::json::parse(json.out)["old"]["text"];
  EXPECT_EQ(said.rfind("11 ", 0), 0u) << said;
  EXPECT_NE(text.out.find("  old " + said + " "), std::string::npos) << said << "\n" << text.out;
}

// Whatever bytes a note, a field or a line not of the trace holds, the text
// reaches the terminal as valid UTF-8 with no control byte but the line ends.
TEST(Trace, TextShowsNoRawControlAndOnlyValidUtf8) {
  const std::string bytes = testing_support::everyByte();
  std::string note;  // every byte but the line end, which ends a trace line
  for (const char c : bytes) note += c == '\n' ? ' ' : c;
  fp::protocol::Bytes command;
  fp::protocol::encodeCommand({7, 0x0E02, 0, {bytes}}, command);
  const std::vector<std::string> lines = {
      "2026-12-09T13:49:35.100000Z # " + note,
      traceLine("35.200000", '>', fp::protocol::encodeFrame(command)),
      note,
  };
  std::ostringstream out;
  fiscalctl::TraceDecoder decoder(out);
  for (const std::string& line : lines) decoder.line(line);
  decoder.finish();
  const std::string log = out.str();
  EXPECT_NO_THROW((void)nlohmann::json(log).dump()) << "not valid UTF-8";
  for (std::size_t i = 0; i < log.size(); ++i) {
    const auto byte = static_cast<unsigned char>(log[i]);
    EXPECT_TRUE((byte >= 0x20 && byte != 0x7F) || byte == '\n') << "raw byte at " << i;
  }
  EXPECT_NE(log.find("# \\x00\\x01\\x02"), std::string::npos) << log;  // the note, escaped
  EXPECT_EQ(count(log, "\\x1B"), 3) << log;  // the note, the field, the line not of the trace
}

// Each way a command can end in the trace gives its own code and verdict, and
// only an OK counts as ended with 0: a command with no verdict is not.
TEST(Trace, GivesEachEndingItsOwnVerdict) {
  fp::protocol::Bytes executed;
  fp::protocol::encodeReply({5, 0, 0, 0, {}}, executed);
  executed = fp::protocol::encodeFrame(executed);
  const struct {
    std::string ending;  // the line after the command; "" when the trace ends there
    std::optional<int> code;
    const char* verdict;
    int failed;
  } cases[] = {
      {traceLine("35.300000", '<', executed), 0, ": OK (0 no error)", 0},
      {"2026-12-09T13:49:35.300000Z # giving up: no answer", 11, ": FAILED (11 no answer)", 1},
      {"2026-12-09T13:49:35.300000Z # giving up: damaged frames", 12,
       ": FAILED (12 damaged frames after every resend)", 1},
      {"2026-12-09T13:49:35.300000Z # line lost", 13, ": FAILED (13 line lost)", 1},
      {"2026-12-09T13:49:35.300000Z # write failed", 13, ": FAILED (13 line lost)", 1},
      {"2026-12-09T13:49:35.300000Z # close", std::nullopt,
       ": UNKNOWN (? not recorded; the port was closed)", 1},
      {"", std::nullopt, ": UNKNOWN (? not recorded; the trace ends before its reply)", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ending);
    std::ostringstream out;
    fiscalctl::TraceDecoder decoder(out);
    decoder.line(traceLine("35.200000", '>', commandFrame(5, 0x0707)));
    if (!c.ending.empty()) decoder.line(c.ending);
    decoder.finish();
    ASSERT_EQ(decoder.commands().size(), 1u) << out.str();
    EXPECT_EQ(decoder.commands()[0].code, c.code);
    EXPECT_NE(out.str().find("= VERDICT #5 drawer-open" + std::string(c.verdict)),
              std::string::npos)
        << out.str();
    EXPECT_EQ(decoder.failedCommands(), c.failed);
  }
}

// A run of "still working" is timed from its first byte to the byte that ends it.
TEST(Trace, TimesARunOfStillWorkingFromItsFirstByte) {
  fp::protocol::Bytes executed;
  fp::protocol::encodeReply({5, 0, 0, 0, {}}, executed);
  executed = fp::protocol::encodeFrame(executed);
  std::ostringstream out;
  fiscalctl::TraceDecoder decoder(out);
  decoder.line(traceLine("35.200000", '>', commandFrame(5, 0x0801)));
  decoder.line(traceLine("35.210000", '<', {fp::protocol::kAck}));
  for (const char* at : {"35.300000", "35.550000", "35.800000"}) {
    decoder.line(traceLine(at, '<', {fp::protocol::kWorking}));
  }
  decoder.line(traceLine("36.000000", '<', executed));
  decoder.finish();
  EXPECT_NE(out.str().find(":35.300 < still working (3 messages, 0.700 s)"), std::string::npos)
      << out.str();
}

// Every JSON fiscalctl writes holds printer text of any byte as its ISO-8859-1
// characters in UTF-8: the decoded trace (command and reply fields), the
// replay, and a command's outcome.
TEST(Json, EveryByteOfPrinterTextParsesBackAsUtf8) {
  using testing_support::everyByte;
  using testing_support::utf8ByIconv;
  const std::string bytes = everyByte();
  fp::protocol::Bytes command;
  fp::protocol::encodeCommand({7, 0x0E02, 0, {bytes}}, command);
  fp::protocol::Bytes reply;
  fp::protocol::encodeReply({7, 0, 0, 0, {bytes}}, reply);
  reply = fp::protocol::encodeFrame(reply);
  reply.insert(reply.begin(), fp::protocol::kAck);
  TempDir dir;
  const std::string trace = dir.file("trace");
  writeFile(trace, "2026-12-09T13:49:35.100000Z # open /dev/pts/0 at 115200 bit/s\n" +
                       traceLine("35.200000", '>', fp::protocol::encodeFrame(command)) + "\n" +
                       traceLine("35.300000", '<', reply) + "\n");

  const Result decoded = fiscalctl({"--json", "trace", trace});
  EXPECT_EQ(decoded.exitCode, 0) << decoded.err;
  const auto traced = nlohmann::json::parse(decoded.out);  // one object, one line
  EXPECT_EQ(traced["fields"], nlohmann::json::array({utf8ByIconv(bytes)}));
  EXPECT_EQ(traced["reply"], nlohmann::json::array({utf8ByIconv(bytes)}));
  EXPECT_EQ(traced["code"], 0);
  EXPECT_EQ(traced["milliseconds"], 100);
  EXPECT_NE(decoded.err.find("trace: 1 commands, 0 not ended with 0"), std::string::npos);

  SimulatorProcess bench({});
  ASSERT_TRUE(bench.started());
  const Result replay = fiscalctl({"--port", bench.port(), "--json", "replay", trace});
  EXPECT_EQ(replay.exitCode, 1) << replay.err;  // the printer refuses control bytes
  const auto replayed = nlohmann::json::parse(replay.out);
  EXPECT_EQ(replayed["old"]["code"], 0);
  EXPECT_GT(replayed["new"]["code"], 1000);
  EXPECT_EQ(replayed["same"], false);

  fiscalctl::PrinterApi none("/no/such/library.so");
  fiscalctl::Outcome outcome;
  outcome.label = bytes;
  outcome.fieldsKnown = true;
  outcome.replyFields = {bytes, ""};
  const auto object = nlohmann::json::parse(fiscalctl::jsonOutcome(none, outcome));
  EXPECT_EQ(object["command"], utf8ByIconv(bytes));
  EXPECT_EQ(object["fields"], nlohmann::json::array({utf8ByIconv(bytes), ""}));
}

TEST(TraceLine, ParsesOnlyWellFormedLines) {
  using Kind = fp::protocol::TraceLine::Kind;
  const struct {
    const char* line;
    Kind kind;
    std::size_t bytes;
  } cases[] = {
      {"2026-12-09T13:49:35.758651Z > 02 41 03  |.A.|", Kind::Sent, 3},
      {"2026-12-09T13:49:35.758651Z < 06  |.|", Kind::Received, 1},
      {"2026-12-09T13:49:35.758651Z # close", Kind::Note, 0},
      {"2026-12-09T13:49:35.758651Z > 02 4  |.A|", Kind::Malformed, 0},
      {"2026-12-09T13:49:35.758651Z > 02 41 03", Kind::Malformed, 0},
      {"2026-12-09T13:49:35.758651Z > 02 GG 03  |...|", Kind::Malformed, 0},
      {"2026-12-09T13:49:35.758651Z ! 02  |.|", Kind::Malformed, 0},
      {"2026-13-09T13:49:35.758651Z # close", Kind::Malformed, 0},
      {"2026-12-09 13:49:35.758651Z # close", Kind::Malformed, 0},
      {"", Kind::Malformed, 0},
  };
  for (const auto& c : cases) {
    const fp::protocol::TraceLine parsed = fp::protocol::parseTraceLine(c.line);
    EXPECT_EQ(parsed.kind, c.kind) << c.line;
    EXPECT_EQ(parsed.bytes.size(), c.bytes) << c.line;
  }
}

}  // namespace
}  // namespace fiscalctl_test
