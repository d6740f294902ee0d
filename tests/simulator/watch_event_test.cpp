// The event stream's grammar: every event reads back as written, printer
// texts come out as valid UTF-8 JSON, and the reader refuses what is not an
// event, whatever way the bytes are split.
#include "simulator/control/watch_event.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "simulator/control/control_requests.h"
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

// The words a watcher reads are those the documents list, whatever the
// tables that write and read them say.
TEST(WatchEvent, ValuesAreTheDocumentedWords) {
  Conditions conditions;
  conditions.paper = PaperState::kNearEnd;
  conditions.coverOpen = true;
  conditions.powerCut = true;
  conditions.forced = Fault::kCorrupt;
  auto line = nlohmann::json::parse(formatEvent(conditions));
  EXPECT_EQ(line["paper"], "near-end");
  EXPECT_EQ(line["cover"], "open");
  EXPECT_EQ(line["drawer"], "closed");
  EXPECT_EQ(line["power"], "cut");
  EXPECT_EQ(line["forced_fault"], "corrupt");
  conditions.paper = PaperState::kOut;
  conditions.forced = Fault::kDrop;
  line = nlohmann::json::parse(formatEvent(conditions));
  EXPECT_EQ(line["paper"], "out");
  EXPECT_EQ(line["forced_fault"], "drop");

  Frame frame;
  frame.direction = Direction::kOut;
  frame.name = "ACK";
  EXPECT_EQ(nlohmann::json::parse(formatEvent(frame))["direction"], "out");
  Fiscal fiscal;
  for (const auto& [kind, word] : {std::pair{DocumentKind::kNone, "none"},
                                   {DocumentKind::kTicket, "ticket"},
                                   {DocumentKind::kInvoice, "invoice"},
                                   {DocumentKind::kNonFiscal, "non-fiscal"}}) {
    fiscal.document.kind = kind;
    EXPECT_EQ(nlohmann::json::parse(formatEvent(fiscal))["document"]["kind"], word);
  }
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

// The requests added for the panel read as the others do, and each writes
// back as what it reads.
TEST(ControlVerbs, NewRequestsReadAndWriteBack) {
  struct Case {
    std::string line;
    std::optional<std::string_view> words;  // the row read, or nothing
    std::uint32_t number;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"watch", "watch", 0, ""},
      {"delay 0", "delay", 0, ""},
      {"delay 3600000", "delay", 3'600'000, ""},
      {"delay 3600001", std::nullopt, 0, "delay needs milliseconds from 0 to 3600000"},
      {"baud 115200", "baud", 115200, ""},
      {"baud 0", "baud", 0, ""},
      {"baud fast", std::nullopt, 0, "baud needs bits per second"},
      {"fault corrupt-every 3", "fault corrupt-every", 3, ""},
      {"fault drop-every 0", "fault drop-every", 0, ""},
      {"fault drop-every", std::nullopt, 0, "fault drop-every needs N (0: never)"},
      {"fault corrupt 0", std::nullopt, 0, "fault corrupt needs a number of replies from 1"},
      {"power-cut 600001", std::nullopt, 0, "power-cut needs milliseconds from 0 to 600000"},
      {"watch now", std::nullopt, 0, "unknown request"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    std::string error;
    const std::optional<ControlRequest> read = parseControlRequest(c.line, error);
    ASSERT_EQ(read.has_value(), c.words.has_value()) << error;
    if (read) {
      EXPECT_EQ(read->row->words, *c.words);
      EXPECT_EQ(read->number, c.number);
      EXPECT_EQ(read->watches(), c.line == "watch");
    }
    if (!c.words) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(parseControlRequest(formatControlRequest(*read), error), read);
  }
}

// A printer that notes what each request did to it.
class NotingPrinter : public ControlledPrinter {
 public:
  std::string done;
  void setPaper(Paper paper) override { note("paper", static_cast<int>(paper)); }
  void setCover(bool open) override { note("cover", open); }
  void setDrawer(bool open) override { note("drawer", open); }
  void cutPower(std::uint32_t ms) override { note("power-cut", ms); }
  void forceFaults(Fault fault, std::uint32_t replies) override {
    note("faults", static_cast<int>(fault), replies);
  }
  void setCorruptEvery(std::uint32_t every) override { note("corrupt-every", every); }
  void setDropEvery(std::uint32_t every) override { note("drop-every", every); }
  void setDelay(std::uint32_t ms) override { note("delay", ms); }
  void setBaud(std::uint32_t baud) override { note("baud", baud); }

 private:
  template <typename... Values>
  void note(const char* what, Values... values) {
    done += what;
    ((done += " " + std::to_string(values)), ...);
    done += ";";
  }
};

// Each request's row carries its own action, and the help lists every row.
TEST(ControlVerbs, EachRequestDoesWhatItsRowSays) {
  const std::pair<const char*, const char*> cases[] = {
      {"status", ""},
      {"paper near-end", "paper 0;"},
      {"paper out", "paper 1;"},
      {"paper ok", "paper 2;"},
      {"cover open", "cover 1;"},
      {"cover closed", "cover 0;"},
      {"drawer open", "drawer 1;"},
      {"drawer closed", "drawer 0;"},
      {"power-cut 250", "power-cut 250;"},
      {"fault corrupt 2", "faults 1 2;"},
      {"fault drop 3", "faults 2 3;"},
      {"fault corrupt-every 4", "corrupt-every 4;"},
      {"fault drop-every 5", "drop-every 5;"},
      {"fault none", "faults 0 0;"},
      {"delay 6", "delay 6;"},
      {"baud 9600", "baud 9600;"},
      {"watch", ""},
  };
  ASSERT_EQ(std::size(cases), requestRows().size()) << "a request without a case here";
  for (const auto& [line, done] : cases) {
    std::string error;
    const std::optional<ControlRequest> request = parseControlRequest(line, error);
    ASSERT_TRUE(request) << line << ": " << error;
    NotingPrinter printer;
    request->carryOut(printer);
    EXPECT_EQ(printer.done, done) << line;
  }
  EXPECT_EQ(requestForms(),
            "status\npaper near-end|out|ok\ncover open|closed\ndrawer open|closed\n"
            "power-cut MS\nfault corrupt|drop N\nfault corrupt-every|drop-every N\n"
            "fault none\ndelay MS\nbaud N\nwatch\n");
}

}  // namespace
}  // namespace sim
