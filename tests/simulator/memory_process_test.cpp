// The fiscal memory and the control socket of the simulator process, through
// the real library: restarts, kills at random moments, live conditions.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <thread>

#include "protocol/status_words.h"
#include "simulator/model/return_code.h"
#include "tests/simulator/library_fixture.h"
#include "tests/simulator/memory_fixture.h"
#include "tests/simulator/raw_host.h"
#include "tests/support/latin1_oracle.h"

namespace sim_test {
namespace {

int refusal(sim::ReturnCode code) {
  return 1000 + static_cast<int>(code);
}

// Z sent with its words as fields, so that the reply area carries its number.
const Button kZWithReply{0x0801, 0x0C00, {}, false};

Button item(const std::string& price, const std::string& rate) {
  return withField(withField(kTicketItem, 7, price), 8, rate);
}

class MemoryProcessTest : public LibraryTest {
 protected:
  MemoryDirectory directory_;
  std::string memory_ = directory_.file("memory.db");
  std::string socket_ = directory_.file("control.sock");

  // Sends a control request with the ctl subcommand; returns its answer line.
  std::string control(const std::vector<std::string>& request) {
    std::vector<std::string> args = {"ctl", socket_};
    args.insert(args.end(), request.begin(), request.end());
    const Finished finished = runSimulatorToEnd(args, 5'000);
    EXPECT_EQ(finished.exitCode, 0) << finished.standardOutput << finished.standardError;
    return finished.standardOutput;
  }
};

TEST_F(MemoryProcessTest, ASecondRunContinuesTheZNumbersAndTheOpenTicket) {
  connect({"--memory", memory_, "--z-ms", "0"});
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kZWithReply, kZWithReply});
  EXPECT_EQ(reply_, "0002");
  pressAll({kTicketOpen, kTicketItem});
  TearDown();

  connect({"--memory", memory_, "--z-ms", "0"});
  ASSERT_EQ(openCode_, FP_OK);
  // The ticket opened before the restart is still open, marked as recovered.
  EXPECT_EQ(getFiscalStatus() & (fiscal_status::kTicketOpen | fiscal_status::kDocumentRecovered),
            fiscal_status::kTicketOpen | fiscal_status::kDocumentRecovered);
  pressAll({kTicketPayment, kTicketClose});
  EXPECT_EQ(reply_, "00000002");
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kDocumentRecovered, 0);
  pressAll({kZWithReply});
  EXPECT_EQ(reply_, "0003");
  TearDown();

  // The report and the journal read the same memory back.
  const Finished report = runSimulatorToEnd({"report", "--memory", memory_, "--json"});
  EXPECT_EQ(report.exitCode, 0) << report.standardError;
  EXPECT_NE(report.standardOutput.find("{\"number\": 3, "), std::string::npos);
  EXPECT_NE(report.standardOutput.find("\"power_ons\": 2"), std::string::npos);
  const Finished journal = runSimulatorToEnd({"journal", "--memory", memory_, "--z", "3"});
  EXPECT_EQ(journal.exitCode, 0) << journal.standardError;
  EXPECT_NE(journal.standardOutput.find("ticket 00000002  closed"), std::string::npos)
      << journal.standardOutput;
  EXPECT_NE(journal.standardOutput.find("total 1.00  net 0.83  tax 0.17  paid 100.00"),
            std::string::npos);
  const Finished notAMemory = runSimulatorToEnd({"report", "--memory", SIMULATOR_PATH});
  EXPECT_EQ(notAMemory.exitCode, 1);
  EXPECT_NE(notAMemory.standardError.find("not a SQLite file"), std::string::npos);

  MemoryReader memory(memory_);
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM documents WHERE state = 'closed'"), 2);
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM document_lines WHERE document_id = 2"), 2);
  EXPECT_EQ(memory.integer("SELECT power_ons FROM printer"), 2);
}

TEST_F(MemoryProcessTest, AFullMemoryRefusesZAndSaysSo) {
  connect({"--memory", memory_, "--z-ms", "0", "--memory-capacity", "2"});
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kZWithReply, kZWithReply});
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kMemoryFull, fiscal_status::kMemoryFull);
  EXPECT_EQ(press(kZWithReply), refusal(sim::ReturnCode::kMemoryFull));
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketClose});  // sales go on
  TearDown();
  const Finished report = runSimulatorToEnd({"report", "--memory", memory_});
  EXPECT_NE(report.standardOutput.find(", 1 power-on\n"), std::string::npos)
      << report.standardOutput;
}

TEST_F(MemoryProcessTest, ControlRequestsChangeTheStatusAndTheRefusalsAtOnce) {
  connect({"--memory", memory_, "--control", socket_});
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen, kTicketItem});
  EXPECT_EQ(control({"paper", "out"}), "ok printer 0x0002 fiscal 0x0001\n");
  EXPECT_EQ(press(kTicketItem), refusal(sim::ReturnCode::kPaperOut));
  EXPECT_EQ(getPrinterStatus() & printer_status::kPaperOut, printer_status::kPaperOut);
  EXPECT_EQ(press(kDrawerOpen), 0);  // the drawer does not print
  control({"paper", "ok"});
  control({"cover", "open"});
  EXPECT_EQ(press(kTicketItem), refusal(sim::ReturnCode::kCoverOpen));
  EXPECT_EQ(getPrinterStatus() & (printer_status::kCoverOpen | printer_status::kPaperOut),
            printer_status::kCoverOpen);
  control({"cover", "closed"});
  control({"paper", "near-end"});
  control({"drawer", "closed"});
  pressAll({kTicketItem});
  EXPECT_EQ(getPrinterStatus(), printer_status::kPaperLow);
  EXPECT_EQ(simulator_->stat("executed.ticket_item"), 2u);
  EXPECT_EQ(simulator_->stat("refused.ticket_item"), 2u);

  // Damaged replies are fetched again, never executed twice.
  control({"fault", "corrupt", "2"});
  pressAll({kTicketPayment});
  EXPECT_EQ(simulator_->stat("replies_corrupted"), 2u);
  EXPECT_EQ(simulator_->stat("executed.ticket_pay"), 1u);

  // A power cut: the line goes silent, the printer comes back from its memory
  // with the ticket open, and the library's resend gets through.
  EXPECT_EQ(control({"power-cut", "400"}),
            "ok printer 0x0001 fiscal 0x0009 (power cut for 400 ms)\n");
  pressAll({kTicketClose});
  EXPECT_EQ(simulator_->stat("executed.ticket_close"), 1u);
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kTicketOpen, 0);

  const Finished bad = runSimulatorToEnd({"ctl", socket_, "paper", "soggy"});
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.standardError.find("unknown request"), std::string::npos) << bad.standardError;
}

TEST_F(MemoryProcessTest, APowerCutWithoutMemoryForgetsEverything) {
  connect({"--control", socket_});
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen});
  control({"power-cut", "0"});
  usleep(200'000);  // the loop restarts the printer within one tick
  EXPECT_EQ(press(kTicketItem), refusal(sim::ReturnCode::kOutOfOrder));
}

// What a host does in a row below: a handshake, a command with its own
// sequence number, a frame whose body cannot be read, a control request, or a
// command it sends and leaves once the printer says it is working on it.
struct HostStep {
  enum class Kind { kHello, kCommand, kMalformed, kControl, kUntilWorking } kind;
  std::uint8_t sequence = 0;
  Button button{};
  std::vector<std::string> control{};
};

HostStep hello() {
  return {HostStep::Kind::kHello, 1};
}
HostStep send(std::uint8_t sequence, const Button& button) {
  return {HostStep::Kind::kCommand, sequence, button};
}

wire::Bytes malformedFrame(std::uint8_t sequence) {
  wire::Bytes body;
  wire::encodeCommand({sequence, 0x0A01, 0x0000, {"x"}}, body);
  body.pop_back();  // the field is one byte short of its length
  return wire::encodeFrame(body);
}

// The printer's word across handshakes and restarts (a power cut, or the
// process killed and started again on its memory): a repeat is answered from
// the reply the printer last gave, a new command is executed, never the other
// way round.
TEST_F(MemoryProcessTest, APowerCutAfterAHandshakeAndEveryRestartKeepTheLastReplyExactly) {
  enum class Restart { kPowerCut, kKill };
  struct Row {
    const char* name;
    std::vector<std::string> args;
    std::vector<HostStep> before;
    Restart restart;
    HostStep after;
    sim::ReturnCode code;    // of the reply to `after`
    std::string field;       // its first field, when it has one to check
    bool ticketOpen;         // in its fiscal status
    bool repeat;             // byte for byte the reply to that sequence before the restart
    const char* countQuery;  // in the memory at the end
    std::int64_t count;
  };
  const HostStep zUntilWorking{HostStep::Kind::kUntilWorking, 2, kZWithReply};
  const HostStep coverOpen{HostStep::Kind::kControl, 0, {}, {"cover", "open"}};
  const HostStep malformed{HostStep::Kind::kMalformed, 3};
  const char* tickets = "SELECT COUNT(*) FROM documents";
  const std::vector<Row> rows = {
      {"a new command after a handshake and a power cut",
       {},
       {hello(), send(2, kDrawerOpen), hello()},
       Restart::kPowerCut,
       send(2, kTicketOpen),
       sim::ReturnCode::kOk,
       "00000001",
       true,
       false,
       tickets,
       1},
      {"a new command after a handshake and a new run",
       {},
       {hello(), send(2, kDrawerOpen), hello()},
       Restart::kKill,
       send(2, kTicketOpen),
       sim::ReturnCode::kOk,
       "00000001",
       true,
       false,
       tickets,
       1},
      {"a repeat after a power cut",
       {},
       {hello(), send(2, kTicketOpen)},
       Restart::kPowerCut,
       send(2, kTicketOpen),
       sim::ReturnCode::kOk,
       "00000001",
       true,
       true,
       tickets,
       1},
      {"a repeat after a new run",
       {},
       {hello(), send(2, kTicketOpen)},
       Restart::kKill,
       send(2, kTicketOpen),
       sim::ReturnCode::kOk,
       "00000001",
       true,
       true,
       tickets,
       1},
      {"a repeat of a refusal after a new run (the cover is closed again)",
       {},
       {hello(), coverOpen, send(2, kTicketOpen)},
       Restart::kKill,
       send(2, kTicketOpen),
       sim::ReturnCode::kCoverOpen,
       "",
       false,
       true,
       tickets,
       0},
      {"a repeat after an unreadable frame and a power cut",
       {},
       {hello(), send(2, kTicketOpen), malformed},
       Restart::kPowerCut,
       send(2, kTicketOpen),
       sim::ReturnCode::kOk,
       "00000001",
       true,
       true,
       tickets,
       1},
      {"a repeat of a Z killed while it worked",
       {"--z-ms", "5000"},
       {hello(), zUntilWorking},
       Restart::kKill,
       send(2, kZWithReply),
       sim::ReturnCode::kOk,
       "0001",
       false,
       false,
       "SELECT COUNT(*) FROM z_closings",
       1},
  };
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    SCOPED_TRACE(row.name);
    const std::string memory = directory_.file("restart" + std::to_string(r) + ".db");
    std::vector<std::string> args = {"--memory", memory, "--control", socket_};
    args.insert(args.end(), row.args.begin(), row.args.end());
    auto printer = std::make_unique<SimulatorProcess>(args);
    ASSERT_TRUE(printer->started());
    auto host = std::make_unique<RawHost>(printer->port());
    ASSERT_TRUE(host->isOpen());
    std::map<std::uint8_t, wire::Bytes> lastReply;
    for (const HostStep& step : row.before) {
      switch (step.kind) {
        case HostStep::Kind::kHello:
          ASSERT_EQ(readReply(host->exchange(frameFor(1, kHello))).returnCode, 0);
          lastReply.clear();
          break;
        case HostStep::Kind::kCommand:
          lastReply[step.sequence] = host->exchange(frameFor(step.sequence, step.button));
          ASSERT_FALSE(lastReply[step.sequence].empty());
          break;
        case HostStep::Kind::kMalformed:
          ASSERT_EQ(readReply(host->exchange(malformedFrame(step.sequence))).returnCode,
                    static_cast<std::uint16_t>(sim::ReturnCode::kMalformedField));
          break;
        case HostStep::Kind::kControl:
          control(step.control);
          break;
        case HostStep::Kind::kUntilWorking:
          ASSERT_TRUE(host->sendUntilWorking(frameFor(step.sequence, step.button)));
          break;
      }
    }
    if (row.restart == Restart::kPowerCut) {
      control({"power-cut", "200"});
      usleep(600'000);
    } else {
      host.reset();
      EXPECT_EQ(printer->stop(SIGKILL), 128 + SIGKILL);
      printer = std::make_unique<SimulatorProcess>(args);
      ASSERT_TRUE(printer->started());
      host = std::make_unique<RawHost>(printer->port());
    }
    const wire::Bytes body = host->exchange(frameFor(row.after.sequence, row.after.button));
    const wire::ReplyMessage reply = readReply(body);
    EXPECT_EQ(reply.returnCode, static_cast<std::uint16_t>(row.code));
    if (!row.field.empty()) {
      EXPECT_EQ(reply.fields, std::vector<std::string>{row.field});
    }
    EXPECT_EQ((reply.fiscalStatus & fiscal_status::kTicketOpen) != 0, row.ticketOpen);
    if (const auto before = lastReply.find(row.after.sequence); before != lastReply.end()) {
      EXPECT_EQ(body == before->second, row.repeat) << "answered from the reply before the restart";
    }
    host.reset();
    printer.reset();
    EXPECT_EQ(MemoryReader(memory).integer(row.countQuery), row.count);
  }
}

// Kills the simulator with SIGKILL at random moments while tickets and Z
// closings stream in, restarts it on the same memory each time, and checks the
// memory against what the library saw acknowledged.
// Printer text reaches every output as UTF-8: the paper roll (columns counted
// in characters), and the journal and report, whose JSON holds any byte of a
// stored text (here written into the memory behind the printer's back: it
// refuses control bytes itself) and is read back by a real parser.
TEST_F(MemoryProcessTest, EveryByteOfPrinterTextIsUtf8OnPaperAndValidJson) {
  using testing_support::everyByte;
  using testing_support::utf8ByIconv;
  connect({"--memory", memory_});
  ASSERT_EQ(openCode_, FP_OK);
  const std::string wide(40, '\xE9');  // a full line of two-byte characters
  pressAll({kTicketOpen, withField(kTicketItem, 5, "Caf\xE9 \xA0\xBF\xFF"),
            withField(kTicketItem, 5, wide), kTicketPayment, kTicketClose});
  const std::string paper = simulator_->paper();
  EXPECT_NE(paper.find("\nCaf\xC3\xA9 \xC2\xA0\xC2\xBF\xC3\xBF\n"), std::string::npos) << paper;
  EXPECT_NE(paper.find("\n" + utf8ByIconv(wide) + "\n"), std::string::npos) << paper;
  TearDown();

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(memory_.c_str(), &db), SQLITE_OK);
  const std::string bytes = everyByte();
  for (const char* sql :
       {"UPDATE document_lines SET text = ?1 WHERE kind = 'item' AND text LIKE 'Caf%'",
        "UPDATE printer SET serial = ?1"}) {
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK);
    sqlite3_bind_text(statement, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE) << sqlite3_errmsg(db);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);

  const Finished journal = runSimulatorToEnd({"journal", "--memory", memory_, "--json"});
  ASSERT_EQ(journal.exitCode, 0) << journal.standardError;
  const auto lines = nlohmann::json::parse(journal.standardOutput)["documents"][0]["lines"];
  ASSERT_EQ(lines.size(), 3u) << journal.standardOutput;
  EXPECT_EQ(lines[0]["text"], utf8ByIconv(bytes));
  EXPECT_EQ(lines[1]["text"], utf8ByIconv(wide));
  const Finished report = runSimulatorToEnd({"report", "--memory", memory_, "--json"});
  ASSERT_EQ(report.exitCode, 0) << report.standardError;
  EXPECT_EQ(nlohmann::json::parse(report.standardOutput)["printer"]["serial"], utf8ByIconv(bytes));
  // The text a person reads is UTF-8 too, and nothing of it a terminal would
  // obey: no control byte but the line ends.
  const Finished text = runSimulatorToEnd({"journal", "--memory", memory_});
  EXPECT_NE(text.standardOutput.find("  item  " + utf8ByIconv(wide) + "  "), std::string::npos)
      << text.standardOutput;
  for (const Finished& read : {text, runSimulatorToEnd({"report", "--memory", memory_})}) {
    EXPECT_EQ(read.exitCode, 0) << read.standardError;
    const bool controlFree =
        std::none_of(read.standardOutput.begin(), read.standardOutput.end(), [](char c) {
          const auto byte = static_cast<unsigned char>(c);
          return (byte < 0x20 && c != '\n') || byte == 0x7F;
        });
    EXPECT_TRUE(controlFree) << read.standardOutput;
    EXPECT_NE(read.standardOutput.find("\\x1B"), std::string::npos);
  }
}

TEST_F(MemoryProcessTest, KillsAtRandomMomentsLoseNothingAcknowledged) {
  constexpr int kKills = 30;
  std::mt19937 random(15);
  // The kill comes after a random number of commands (at least one whole
  // ticket's worth, so that every run acknowledges something) plus a random
  // fraction of a command's time: before, during or after its commit.
  std::uniform_int_distribution<int> killAfterCommands(8, 80);
  std::uniform_int_distribution<int> thenMicroseconds(0, 1500);
  std::uniform_int_distribution<int> cents(1, 99999);
  const std::vector<std::string> rates = {"0000", "1050", "2100", "2700"};
  std::set<std::string> acknowledgedTickets;
  std::set<std::string> acknowledgedZ;
  int cancelledAfterRestart = 0;

  for (int kill = 0; kill < kKills; ++kill) {
    connect({"--memory", memory_, "--z-ms", "0"});
    ASSERT_EQ(openCode_, FP_OK);
    if ((getFiscalStatus() & fiscal_status::kTicketOpen) != 0) {
      ASSERT_EQ(press(kTicketCancel), 0);
      ++cancelledAfterRestart;
    }
    const pid_t pid = simulator_->pid();
    std::atomic<int> commands{0};
    std::thread killer(
        [&commands, pid, after = killAfterCommands(random), us = thenMicroseconds(random)] {
          // Bounded: a stream that stops early for another reason still ends.
          const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
          while (commands.load() < after && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
          }
          std::this_thread::sleep_for(std::chrono::microseconds(us));
          ::kill(pid, SIGKILL);
        });
    const auto counted = [&](const Button& button) {
      const int code = press(button);
      ++commands;
      return code;
    };
    for (int ticket = 0;; ++ticket) {
      if (counted(kTicketOpen) != 0) break;
      const int items = 1 + ticket % 3;
      int failed = 0;
      for (int i = 0; i < items && failed == 0; ++i) {
        char price[12];
        std::snprintf(price, sizeof price, "%011d", cents(random));
        failed = counted(item(price, rates[static_cast<std::size_t>(i + ticket) % rates.size()]));
      }
      if (failed != 0 || counted(withField(kTicketPayment, 7, "09999999999")) != 0) break;
      if (counted(kTicketClose) != 0) break;
      acknowledgedTickets.insert(reply_);
      if (ticket % 5 == 4) {
        if (counted(kZWithReply) != 0) break;
        acknowledgedZ.insert(reply_);
      }
    }
    killer.join();
    std::array<char, FP_AREA_SIZE> area{};
    ClosePort(area.data());
    EXPECT_EQ(simulator_->stop(), 128 + SIGKILL);
    simulator_.reset();
  }

  MemoryReader memory(memory_);
  for (const std::string& number : acknowledgedTickets) {
    EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM documents WHERE kind = 'ticket' AND number = ?1 "
                             "AND state = 'closed'",
                             std::stoll(number)),
              1)
        << number;
  }
  for (const std::string& number : acknowledgedZ) {
    EXPECT_EQ(
        memory.integer("SELECT COUNT(*) FROM z_closings WHERE number = ?1", std::stoll(number)), 1)
        << number;
  }
  // Numbers with no gap and no repeat.
  const std::int64_t tickets =
      memory.integer("SELECT COUNT(*) FROM documents WHERE kind = 'ticket'");
  EXPECT_EQ(memory.integer("SELECT COUNT(DISTINCT number) FROM documents WHERE kind = 'ticket'"),
            tickets);
  EXPECT_EQ(memory.integer("SELECT MAX(number) FROM documents WHERE kind = 'ticket'"), tickets);
  EXPECT_EQ(memory.integer("SELECT last_ticket FROM counters"), tickets);
  const std::int64_t closings = memory.integer("SELECT COUNT(*) FROM z_closings");
  EXPECT_EQ(memory.integer("SELECT MAX(number) FROM z_closings"), closings);
  EXPECT_EQ(memory.integer("SELECT last_z FROM counters"), closings);
  // Each closed ticket's total is the sum of its lines; each Z and the open
  // day are the sums of their documents.
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM documents d WHERE state = 'closed' AND total <> "
                           "(SELECT SUM(amount) FROM document_lines l WHERE l.document_id = d.id "
                           "AND l.kind IN ('item', 'return'))"),
            0);
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM z_closings z WHERE total <> (SELECT "
                           "ifnull(SUM(total), 0) FROM documents WHERE day = z.number AND state = "
                           "'closed') OR tickets <> (SELECT COUNT(*) FROM documents WHERE day = "
                           "z.number AND state = 'closed') OR total <> (SELECT ifnull(SUM(gross), "
                           "0) FROM z_rates WHERE z_number = z.number) OR tax <> (SELECT "
                           "ifnull(SUM(tax), 0) FROM z_rates WHERE z_number = z.number)"),
            0);
  EXPECT_EQ(memory.integer("SELECT total - (SELECT ifnull(SUM(total), 0) FROM documents WHERE day "
                           "= (SELECT last_z + 1 FROM counters) AND state = 'closed') FROM day"),
            0);
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM documents WHERE state = 'cancelled'"),
            cancelledAfterRestart);
  std::cout << "[ crash    ] " << kKills << " kills, " << tickets << " tickets in the journal, "
            << acknowledgedTickets.size() << " acknowledged, " << closings << " Z closings ("
            << acknowledgedZ.size() << " acknowledged), " << cancelledAfterRestart
            << " tickets found open after a kill and cancelled; nothing lost\n";
  EXPECT_GE(acknowledgedTickets.size(), static_cast<std::size_t>(kKills));
}

}  // namespace
}  // namespace sim_test
