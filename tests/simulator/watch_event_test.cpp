// The event stream's grammar: every event reads back as written, printer
// texts come out as valid UTF-8 JSON, and the reader refuses what is not an
// event, whatever way the bytes are split.
#include "simulator/control/watch_event.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "simulator/control/control_verbs.h"
#include "simulator/control/watch_stream.h"

namespace sim::watch {
namespace {

Fiscal someFiscal() {
  Fiscal f;
  f.document = {DocumentKind::kInvoice, 12, 121, 2, 50, 1, 0};
  f.day = {3, 1, 2, 1, 24200, 4200, 300, {{1050, 1105, 1000, 105}, {2100, 2420, 2000, 420}}};
  f.lastZ = 7;
  f.lastZDate = "2026-12-10 03:15:00";
  f.zCapacity = 9999;
  f.memoryFile = true;
  return f;
}

TEST(WatchEvent, EveryEventReadsBackAsWritten) {
  Frame in;
  in.name = "ticket-item";
  in.sequence = 5;
  in.words = "0A02|0000";
  in.fields = {"", "Venta"};
  in.repeat = true;
  Frame reply;
  reply.direction = Direction::kOut;
  reply.name = "reply";
  reply.sequence = 5;
  reply.fields = {"00000000100"};
  reply.code = 7;
  reply.status = Status{0x0002, 0x0021};
  reply.fault = Fault::kDrop;
  reply.complete = false;
  Frame ack;
  ack.direction = Direction::kOut;
  ack.name = "ACK";
  const std::vector<Event> events = {
      Watching{1, 40},
      Paper{"TOTAL                               1.00"},
      Status{0x001F, 0x00FF},
      Conditions{PaperState::kNearEnd, true, true, true, 1500, 9600, 3, 5, Fault::kCorrupt, 2},
      Command{200, "0A09|0000", "0A09|0000", {"a", "", "c"}, 1, {}},
      Command{3, "ticket-pay", "0A05|0000", {}, 0, {"00000000000", "00000009900"}},
      in,
      reply,
      ack,
      someFiscal(),
      Dropped{123456789012ULL},
  };
  for (const Event& event : events) {
    const std::string line = formatEvent(event);
    SCOPED_TRACE(line);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    std::string error;
    const std::optional<Event> read = parseEvent(line, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, event);
  }
}

// The stream says what the numbers mean, for readers without our tables.
TEST(WatchEvent, StatusBitsAndReturnCodesAreNamed) {
  const auto status = nlohmann::json::parse(formatEvent(Status{0x0006, 0x0011}));
  EXPECT_EQ(status["printer_bits"], nlohmann::json::array({"paper out", "drawer open"}));
  EXPECT_EQ(status["fiscal_bits"], nlohmann::json::array({"ticket open", "day totals pending"}));
  const auto command = nlohmann::json::parse(formatEvent(Command{1, "ticket-open", "", {}, 7, {}}));
  EXPECT_EQ(command["code_text"], "paper out");
}

// Printer texts are ISO-8859-1: each byte comes out as its character in UTF-8,
// control characters escaped, so any JSON parser takes the line.
TEST(WatchEvent, PrinterTextBecomesUtf8Json) {
  const std::string latin1 = "Caf\xE9 \"a\\b\" \x01\x7F\x85\xA0\xFF";
  const std::string line = formatEvent(Paper{latin1});
  const auto parsed = nlohmann::json::parse(line);  // throws on invalid UTF-8
  EXPECT_EQ(parsed["text"], "Caf\u00e9 \"a\\b\" \u0001\u007f\u0085\u00a0\u00ff");
  EXPECT_NE(line.find("\\u0001"), std::string::npos);
  EXPECT_NE(line.find("\\u0085"), std::string::npos);
}

TEST(WatchEvent, LinesThatAreNotEventsAreRefusedWithAReason) {
  struct Case {
    std::string line;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"", "not JSON"},
      {"{\"event\":\"paper\"", "not JSON"},
      {"[1,2]", "not a JSON object"},
      {"{\"text\":\"x\"}", "event: missing"},
      {"{\"event\":\"paper\"}", "text: missing"},
      {"{\"event\":\"paper\",\"text\":3}", "text: not a string"},
      {"{\"event\":\"status\",\"printer\":65536,\"fiscal\":0}", "printer: out of range"},
      {"{\"event\":\"status\",\"printer\":-1,\"fiscal\":0}", "printer: out of range"},
      {"{\"event\":\"status\",\"printer\":1.5,\"fiscal\":0}", "printer: not a whole number"},
      {"{\"event\":\"dropped\",\"lines\":18446744073709551615}", "lines: out of range"},
      {"{\"event\":\"frame\",\"direction\":\"up\",\"name\":\"ACK\"}",
       "direction: not a known word"},
      {"{\"event\":\"frame\",\"direction\":\"out\",\"name\":\"ACK\",\"fault\":\"none\"}",
       "complete: missing"},
      {"{\"event\":\"command\",\"sequence\":1,\"name\":\"x\",\"words\":\"\",\"fields\":[1],"
       "\"code\":0,\"reply_fields\":[]}",
       "fields: holds something that is not a string"},
      {"{\"event\":\"paper\",\"text\":\"\xC3\"}", "not JSON"},  // not UTF-8
      {"{\"event\":\"teleport\"}", "unknown event"},
      {"{\"event\":\"paper\",\"text\":\"" + std::string(kMaxLine, 'x') + "\"}", "longer than"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 80));
    std::string error;
    EXPECT_FALSE(parseEvent(c.line, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  // Keys a newer printer may add are no reason to refuse.
  std::string error;
  EXPECT_TRUE(parseEvent("{\"event\":\"paper\",\"text\":\"x\",\"colour\":\"red\"}", error));
}

TEST(WatchStream, TakesLinesHoweverSplitAndCountsWhatItCannotRead) {
  const std::string stream = formatEvent(Watching{1, 40}) + "\n" + "not an event\n" +
                             formatEvent(Paper{"A"}) + "\n" + std::string(kMaxLine + 10, 'x') +
                             "\n" + "{\"event\":\"teleport\"}\n" + formatEvent(Paper{"B"}) + "\n" +
                             formatEvent(Paper{"C"});  // no newline yet: not read
  for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, stream.size()}) {
    SCOPED_TRACE(piece);
    WatchStream reader;
    std::vector<Event> got;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
      reader.feed(std::string_view(stream).substr(at, piece),
                  [&](const Event& e) { got.push_back(e); });
    }
    EXPECT_EQ(got, (std::vector<Event>{Watching{1, 40}, Paper{"A"}, Paper{"B"}}));
    EXPECT_EQ(reader.unreadable(), 2u);
    EXPECT_EQ(reader.unknown(), 1u);
    EXPECT_FALSE(reader.refusal());
  }
}

// A peer that never ends its line costs the reader no more than one line.
TEST(WatchStream, KeepsNoMoreThanOneLineOfAnEndlessLine) {
  WatchStream reader;
  const std::string chunk(kMaxLine / 2, 'x');
  for (int i = 0; i < 6; ++i) {
    reader.feed(chunk, [](const Event&) {});
    EXPECT_LE(reader.buffered(), kMaxLine);
  }
  std::vector<Event> got;
  reader.feed("\n" + formatEvent(Paper{"A"}) + "\n", [&](const Event& e) { got.push_back(e); });
  EXPECT_EQ(got, std::vector<Event>{Paper{"A"}});
  EXPECT_EQ(reader.unreadable(), 1u);
}

TEST(WatchStream, AFirstLineThatIsAnErrorIsTheRefusal) {
  WatchStream reader;
  int events = 0;
  reader.feed("error: too many watchers at once (8)\n" + formatEvent(Paper{"A"}) + "\n",
              [&](const Event&) { ++events; });
  EXPECT_EQ(reader.refusal(), "error: too many watchers at once (8)");
  EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace sim::watch

namespace sim {
namespace {

using Verb = ControlRequest::Verb;

// The requests added for the panel read as the others do, and each writes
// back as what it reads.
TEST(ControlVerbs, NewRequestsReadAndWriteBack) {
  struct Case {
    std::string line;
    std::optional<ControlRequest> request;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"watch", ControlRequest{Verb::kWatch, 0}, ""},
      {"delay 0", ControlRequest{Verb::kDelay, 0}, ""},
      {"delay 3600000", ControlRequest{Verb::kDelay, 3'600'000}, ""},
      {"delay 3600001", std::nullopt, "delay needs milliseconds from 0 to 3600000"},
      {"baud 115200", ControlRequest{Verb::kBaud, 115200}, ""},
      {"baud 0", ControlRequest{Verb::kBaud, 0}, ""},
      {"baud fast", std::nullopt, "baud needs bits per second"},
      {"fault corrupt-every 3", ControlRequest{Verb::kFaultCorruptEvery, 3}, ""},
      {"fault drop-every 0", ControlRequest{Verb::kFaultDropEvery, 0}, ""},
      {"fault drop-every", std::nullopt, "fault drop-every needs N (0: never)"},
      {"fault corrupt 0", std::nullopt, "fault corrupt needs a number of replies from 1"},
      {"power-cut 600001", std::nullopt, "power-cut needs milliseconds from 0 to 600000"},
      {"watch now", std::nullopt, "unknown request"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string error;
    const std::optional<ControlRequest> read = parseControlRequest(c.line, error);
    EXPECT_EQ(read, c.request);
    if (!c.request) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(parseControlRequest(formatControlRequest(*read), error), read);
  }
}

}  // namespace
}  // namespace sim
