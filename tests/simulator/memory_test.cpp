// The fiscal memory in process: what a restart takes up again, a write that
// fails while running, and files it must refuse at start without touching them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

#include "protocol/status_words.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/report/memory_report.h"
#include "tests/simulator/link_fixture.h"
#include "tests/simulator/memory_fixture.h"

namespace sim_test {
namespace {

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `action` as on a full disk: no file may grow, and the signal that
// would say so is ignored so that writes fail with an error instead.
template <typename Action>
void onAFullDisk(Action action) {
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  rlimit full = saved;
  full.rlim_cur = 0;
  setrlimit(RLIMIT_FSIZE, &full);
  action();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
}

std::unique_ptr<sim::FiscalMemory> openMemory(const std::string& path, std::string& error) {
  return sim::FiscalMemory::open(path, sim::FiscalMemory::Sync::kByTheSystem, error);
}

// The printer of the next process on the memory file: its commands are kept
// there and its Z closings read from there; `clock` is the system's time. It
// takes up nothing by itself (restore it from keptState()).
struct NextRun {
  NextRun(const std::string& path, std::string& error,
          sim::WallClock clock = sim::systemWallSeconds)
      : memory(openMemory(path, error)) {
    printer.setWallClock(std::move(clock));
    session.keepCommandsIn(memory.get());
    printer.readClosingsFrom(memory.get());
  }
  std::ostringstream paper;
  sim::PaperRoll roll{paper};
  sim::FiscalPrinter printer{roll};
  sim::Stats stats;
  RecordingLine line;
  sim::Session session{printer, stats, line, 0};
  std::unique_ptr<sim::FiscalMemory> memory;
};

class MemoryTest : public LinkTest {
 protected:
  MemoryTest() : LinkTest(0) {
    memory_ = openMemory(path_, error_);
    session_.keepCommandsIn(memory_.get());
  }

  MemoryDirectory directory_;
  std::string path_ = directory_.file("memory.db");
  std::string error_;
  std::unique_ptr<sim::FiscalMemory> memory_;
};

TEST_F(MemoryTest, ARestartTakesUpTheStateAndAnswersARepeatFromTheStoredReply) {
  ASSERT_TRUE(memory_) << error_;
  std::uint8_t sequence = 1;
  for (const Button& button : {kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kClosingZ,
                               kClosingX, kInvoiceOpen, kInvoiceItem}) {
    send(commandFrame(sequence++, button));
  }
  const sim::FiscalState before = printer_.state();
  const proto::Bytes lastReply = line_.sent.back().bytes;
  memory_.reset();  // the process ends

  NextRun next(path_, error_);
  auto& [paper, roll, printer, stats, line, session, memory] = next;
  ASSERT_TRUE(memory) << error_;
  const auto kept = memory->keptState();
  ASSERT_TRUE(kept && kept->reply);
  EXPECT_EQ(kept->state, before);
  printer.restore(kept->state, true);
  session.restart(kept->reply->sequence, kept->reply->bytes);
  EXPECT_EQ(printer.fiscalStatus() & fiscal_status::kDocumentRecovered,
            fiscal_status::kDocumentRecovered);

  // The host never saw the last reply and sends the command again.
  session.receive(commandFrame(static_cast<std::uint8_t>(sequence - 1), kInvoiceItem));
  EXPECT_EQ(line.sent.back().bytes, lastReply);
  EXPECT_EQ(stats.commandsExecuted, 0u);
  EXPECT_EQ(printer.document().itemLines, 1u);
  EXPECT_EQ(paper.str(), "");
}

// A full disk while running: the command is refused with its own code, and
// neither the state nor the paper shows any of it; once there is room again
// the same command goes through.
TEST_F(MemoryTest, AWriteThatFailsIsRefusedAndUndone) {
  ASSERT_TRUE(memory_) << error_;
  send(commandFrame(1, kTicketOpen));
  const sim::FiscalState before = printer_.state();
  const std::string paperBefore = paper_.str();

  onAFullDisk([&] { send(commandFrame(2, kTicketItem)); });

  const proto::ReplyMessage refused = decodeReply(line_.sent.back().bytes);
  EXPECT_EQ(refused.returnCode, static_cast<std::uint16_t>(sim::ReturnCode::kMemoryWriteFailed));
  EXPECT_EQ(refused.printerStatus & printer_status::kMemoryError, printer_status::kMemoryError);
  EXPECT_EQ(printer_.state(), before);
  EXPECT_EQ(paper_.str(), paperBefore);

  send(commandFrame(3, kTicketItem));
  const proto::ReplyMessage executed = decodeReply(line_.sent.back().bytes);
  EXPECT_EQ(executed.returnCode, 0);
  EXPECT_EQ(executed.printerStatus & printer_status::kMemoryError, 0);
  EXPECT_EQ(memory_->load()->document.itemLines, 1u);
}

// A repeat is answered with what a restart would find in the memory: the
// reply of the last command answered, a refusal's included, none after a
// handshake, and never one the memory could not keep. A handshake whose
// forgetting cannot be kept is refused and forgets nothing.
TEST_F(MemoryTest, ARepeatGetsTheReplyTheMemoryHoldsThroughRefusalsHandshakesAndFullDisks) {
  ASSERT_TRUE(memory_) << error_;
  const auto keptSequence = [&]() -> int {
    const auto kept = memory_->keptState();
    return kept && kept->reply ? static_cast<int>(kept->reply->sequence) : -1;
  };
  const auto lastReply = [&] { return decodeReply(line_.sent.back().bytes); };
  const std::uint16_t memoryError = printer_status::kMemoryError;
  send(commandFrame(2, kTicketOpen));
  send(commandFrame(3, kTicketOpen));  // refused: a ticket is open
  EXPECT_EQ(lastReply().returnCode, static_cast<std::uint16_t>(sim::ReturnCode::kOutOfOrder));
  EXPECT_EQ(keptSequence(), 3);
  EXPECT_EQ(memory_->keptState()->reply->bytes, line_.sent.back().bytes);

  onAFullDisk([&] { send(commandFrame(4, kDrawerOpen)); });
  EXPECT_EQ(lastReply().returnCode,
            static_cast<std::uint16_t>(sim::ReturnCode::kMemoryWriteFailed));
  EXPECT_EQ(lastReply().printerStatus & (printer_status::kDrawerOpen | memoryError), memoryError);
  EXPECT_EQ(keptSequence(), 3);
  send(commandFrame(4, kDrawerOpen));  // sent again with room: executed now
  EXPECT_EQ(lastReply().returnCode, 0);
  EXPECT_EQ(lastReply().printerStatus, printer_status::kDrawerOpen);
  const proto::Bytes drawerReply = line_.sent.back().bytes;
  EXPECT_EQ(keptSequence(), 4);

  onAFullDisk([&] { send(helloFrame(1)); });
  EXPECT_EQ(lastReply().returnCode,
            static_cast<std::uint16_t>(sim::ReturnCode::kMemoryWriteFailed));
  EXPECT_EQ(lastReply().printerStatus & memoryError, memoryError);
  EXPECT_EQ(keptSequence(), 4);
  send(commandFrame(4, kDrawerOpen));  // still a repeat: nothing was forgotten
  EXPECT_EQ(line_.sent.back().bytes, drawerReply);

  send(helloFrame(1));
  EXPECT_EQ(lastReply().returnCode, 0);
  EXPECT_EQ(lastReply().printerStatus & memoryError, 0);
  EXPECT_EQ(keptSequence(), -1);
  send(commandFrame(4, kTicketCancel));  // a new command, whatever its number
  EXPECT_EQ(lastReply().returnCode, 0);
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kNone);
}

// A command the memory cannot keep ends what the reply before it answers: a
// later command numbered as that reply (the host's numbers come round after
// 256 commands) is executed, not answered with the old reply; and a restart
// on a memory too full even to forget that reply passes over it.
TEST_F(MemoryTest, AReplyOlderThanAnUnkeptCommandAnswersNoLaterCommand) {
  ASSERT_TRUE(memory_) << error_;
  const auto code = [&] { return decodeReply(line_.sent.back().bytes).returnCode; };
  const auto kMemoryWriteFailed = static_cast<std::uint16_t>(sim::ReturnCode::kMemoryWriteFailed);
  send(commandFrame(2, kTicketOpen));
  onAFullDisk([&] { send(commandFrame(3, kDrawerOpen)); });
  EXPECT_EQ(code(), kMemoryWriteFailed);
  send(commandFrame(2, kTicketItem));
  EXPECT_EQ(code(), 0);
  EXPECT_EQ(printer_.document().itemLines, 1u);

  onAFullDisk([&] { send(commandFrame(3, kTicketItem)); });
  EXPECT_EQ(code(), kMemoryWriteFailed);
  const auto kept = memory_->keptState();
  ASSERT_TRUE(kept && kept->reply);
  EXPECT_EQ(kept->reply->sequence, 2u);  // the full memory still holds it
  printer_.restore(kept->state, true);
  session_.restart(kept->reply->sequence, kept->reply->bytes);
  send(commandFrame(2, kTicketItem));
  EXPECT_EQ(code(), 0);
  EXPECT_EQ(printer_.document().itemLines, 2u);
  EXPECT_EQ(stats_.retransmissions, 0u);
}

// A Z record keeps the day as its documents add it up: total, net and tax,
// each equal to the sum of the closed documents and of the record's own rates.
TEST_F(MemoryTest, AZRecordHoldsWhatItsDocumentsAddUpTo) {
  ASSERT_TRUE(memory_) << error_;
  const Button itemAt1050 = withField(withField(kTicketItem, 7, "00000002500"), 8, "1050");
  std::uint8_t sequence = 1;
  for (const Button& button :
       {kTicketOpen, kTicketItem, itemAt1050, kTicketPayment, kTicketClose, kClosingZ}) {
    send(commandFrame(sequence++, button));
    ASSERT_EQ(decodeReply(line_.sent.back().bytes).returnCode, 0) << int{sequence};
  }
  MemoryReader memory(path_);
  const struct {
    const char* column;
    const char* rateColumn;
  } columns[] = {{"total", "gross"}, {"net", "net"}, {"tax", "tax"}};
  for (const auto& c : columns) {
    SCOPED_TRACE(c.column);
    const std::string column = c.column;
    const std::int64_t recorded =
        memory.integer("SELECT " + column + " FROM z_closings WHERE number = 1");
    EXPECT_GT(recorded, 0);
    EXPECT_EQ(recorded, memory.integer("SELECT SUM(" + column +
                                       ") FROM documents WHERE day = 1 AND state = 'closed'"));
    EXPECT_EQ(recorded, memory.integer("SELECT SUM(" + std::string(c.rateColumn) +
                                       ") FROM z_rates WHERE z_number = 1"));
  }
  EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM z_rates WHERE z_number = 1"), 2);
}

// Documents and Z closings carry the printer's clock, and a memory of
// version 1 (before the clock) is taken up with everything it holds.
TEST_F(MemoryTest, DocumentsAndZCarryThePrinterClockAndAVersion1MemoryIsTakenUp) {
  ASSERT_TRUE(memory_) << error_;
  const std::int64_t tenOClock = *sim::wallSeconds("20260102", "100000");
  printer_.setWallClock([&] { return tenOClock; });
  std::uint8_t sequence = 1;
  for (const Button& button : {kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kClosingZ}) {
    send(commandFrame(sequence++, button));
    ASSERT_EQ(decodeReply(line_.sent.back().bytes).returnCode, 0) << int{sequence};
  }
  EXPECT_NE(paper_.str().find("Fecha                2026-01-02 10:00:00\n"), std::string::npos)
      << paper_.str();
  memory_.reset();
  {
    MemoryReader memory(path_);
    EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM documents WHERE opened_at = "
                             "'2026-01-02 10:00:00' AND closed_at = '2026-01-02 10:00:00'"),
              1);
    EXPECT_EQ(memory.integer("SELECT COUNT(*) FROM z_closings WHERE closed_at = "
                             "'2026-01-02 10:00:00'"),
              1);
  }
  // As version 1 wrote it: no clock.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(db, "DROP TABLE clock; PRAGMA user_version = 1", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);

  const auto taken = openMemory(path_, error_);
  ASSERT_TRUE(taken) << error_;
  const auto kept = taken->keptState();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->state.numbering.zClosing, 1u);
  EXPECT_EQ(kept->state.lastZAt, "2026-01-02 10:00:00");
  EXPECT_EQ(kept->state.clockOffset, 0);
  MemoryReader memory(path_);
  EXPECT_EQ(memory.integer("PRAGMA user_version"), 2);
  EXPECT_EQ(memory.integer("SELECT offset_seconds FROM clock"), 0);
}

// The clock set on a printer is its memory's: a restart takes up the offset,
// so the printer's time runs on from where it was set.
TEST_F(MemoryTest, TheClockSetIsKeptAcrossARestart) {
  ASSERT_TRUE(memory_) << error_;
  std::int64_t system = *sim::wallSeconds("20260102", "100000");
  printer_.setWallClock([&] { return system; });
  send(commandFrame(1, Button{0x0902, 0x0000, {"20300101", "000000"}, false}));
  ASSERT_EQ(decodeReply(line_.sent.back().bytes).returnCode, 0);
  memory_.reset();  // the process ends

  system += 3600;  // an hour later
  NextRun next(path_, error_, [&] { return system; });
  ASSERT_TRUE(next.memory) << error_;
  const auto kept = next.memory->keptState();
  ASSERT_TRUE(kept);
  next.printer.restore(kept->state, true);
  EXPECT_EQ(next.printer.clockText(), "2030-01-01 01:00:00");
  EXPECT_EQ(MemoryReader(path_).integer("SELECT offset_seconds FROM clock"),
            *sim::wallSeconds("20300101", "000000") - *sim::wallSeconds("20260102", "100000"));
}

// The memory report the printer prints, over two Z closings of which the
// first was made before the memory's printer restarted. Figures by hand:
// Z 1: a ticket of 1.21 at 21 % (net 1.00, tax 0.21) and 2.21 at 10.5 %
// (2.21 x 10.5 / 110.5 = 0.21 tax, net 2.00); Z 2: 3.63 at 21 % (tax 0.63,
// net 3.00). Sums: 21 % net 4.00, tax 0.84, total 4.84; 10.5 % as Z 1; 7.05.
TEST_F(MemoryTest, TheMemoryReportAddsUpTwoZAcrossARestart) {
  ASSERT_TRUE(memory_) << error_;
  const auto item = [](const char* price, const char* rate) {
    return withField(withField(kTicketItem, 7, price), 8, rate);
  };
  std::int64_t system = *sim::wallSeconds("20260102", "100000");
  printer_.setWallClock([&] { return system; });
  printer_.readClosingsFrom(memory_.get());
  std::uint8_t sequence = 1;
  for (const Button& button :
       {kTicketOpen, item("00000000121", "2100"), item("00000000221", "1050"), kTicketPayment,
        kTicketClose, kClosingZ}) {
    send(commandFrame(sequence++, button));
    ASSERT_EQ(decodeReply(line_.sent.back().bytes).returnCode, 0) << int{sequence};
  }
  memory_.reset();  // the process ends

  system = *sim::wallSeconds("20260103", "093000");
  NextRun next(path_, error_, [&] { return system; });
  auto& [paper, roll, printer, stats, line, session, memory] = next;
  ASSERT_TRUE(memory) << error_;
  printer.restore(memory->keptState()->state, true);
  for (const Button& button :
       {kTicketOpen, item("00000000363", "2100"), kTicketPayment, kTicketClose, kClosingZ}) {
    session.receive(commandFrame(sequence++, button));
    ASSERT_EQ(decodeReply(line.sent.back().bytes).returnCode, 0) << int{sequence};
  }
  const std::size_t before = paper.str().size();
  session.receive(commandFrame(sequence++, Button{0x0903, 0x0000, {"0001", "0002"}, false}));
  const proto::ReplyMessage reply = decodeReply(line.sent.back().bytes);
  ASSERT_EQ(reply.returnCode, 0);
  EXPECT_EQ(reply.fields, (std::vector<std::string>{"0002", "00000000705"}));
  EXPECT_EQ(paper.str().substr(before),
            "========================================\n"
            "         INFORME MEMORIA FISCAL\n"
            "             Z 0001 a 0002\n"
            "----------------------------------------\n"
            "Z 0001               2026-01-02 10:00:00\n"
            "Neto 10.50%                         2.00\n"
            "IVA 10.50%                          0.21\n"
            "Total 10.50%                        2.21\n"
            "Neto 21.00%                         1.00\n"
            "IVA 21.00%                          0.21\n"
            "Total 21.00%                        1.21\n"
            "TOTAL                               3.42\n"
            "----------------------------------------\n"
            "Z 0002               2026-01-03 09:30:00\n"
            "Neto 21.00%                         3.00\n"
            "IVA 21.00%                          0.63\n"
            "Total 21.00%                        3.63\n"
            "TOTAL                               3.63\n"
            "----------------------------------------\n"
            "SUMA Z 0001 a 0002\n"
            "Neto 10.50%                         2.00\n"
            "IVA 10.50%                          0.21\n"
            "Total 10.50%                        2.21\n"
            "Neto 21.00%                         4.00\n"
            "IVA 21.00%                          0.84\n"
            "Total 21.00%                        4.84\n"
            "TOTAL                               7.05\n"
            "========================================\n");
}

// The report reads back what the memory holds, for a Z and for the open day:
// counts, amounts, returns and rates, as JSON a parser reads, and as text whose
// table columns line up.
TEST_F(MemoryTest, TheReportShowsEachDayAsTheMemoryHoldsIt) {
  ASSERT_TRUE(memory_) << error_;
  const Button itemAt1050 = withField(withField(kTicketItem, 7, "00000002500"), 8, "1050");
  std::uint8_t sequence = 1;
  for (const Button& button :
       {kTicketOpen, kTicketItem, itemAt1050, kTicketItemReturn, kTicketPayment, kTicketClose,
        kClosingZ, kTicketOpen, itemAt1050, kTicketItem, kTicketPayment, kTicketClose}) {
    send(commandFrame(sequence++, button));
    ASSERT_EQ(decodeReply(line_.sent.back().bytes).returnCode, 0) << int{sequence};
  }
  std::ostringstream json;
  std::string error;
  ASSERT_TRUE(sim::writeMemoryReport(*memory_, {}, true, json, error)) << error;
  nlohmann::json report;
  ASSERT_NO_THROW(report = nlohmann::json::parse(json.str())) << json.str();
  ASSERT_EQ(report["closings"].size(), 1u) << json.str();

  MemoryReader memory(path_);
  const struct {
    const nlohmann::json& figures;
    const char* table;
  } days[] = {{report["closings"][0], "z_closings WHERE number = 1"}, {report["open_day"], "day"}};
  for (const auto& day : days) {
    SCOPED_TRACE(day.table);
    for (const char* column : {"tickets", "cancelled", "total", "tax", "returns"}) {
      EXPECT_EQ(day.figures[column],
                memory.integer(std::string("SELECT ") + column + " FROM " + day.table))
          << column;
    }
    EXPECT_EQ(day.figures["net"],
              memory.integer("SELECT total - tax FROM " + std::string(day.table)));
    std::int64_t gross = 0;
    for (const auto& rate : day.figures["rates"]) gross += rate["gross"].get<std::int64_t>();
    EXPECT_EQ(day.figures["rates"].size(), 2u);
    EXPECT_EQ(gross, day.figures["total"]);
  }
  EXPECT_GT(report["closings"][0]["returns"], 0);

  std::ostringstream text;
  ASSERT_TRUE(sim::writeMemoryReport(*memory_, {}, false, text, error)) << error;
  std::istringstream lines(text.str());
  int tableLines = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  ", 0) != 0 || line.rfind("  tickets ", 0) == 0) continue;
    ++tableLines;
    EXPECT_EQ(line.size(), 58u) << line;
  }
  EXPECT_EQ(tableLines, 8) << text.str();
}

TEST(MemoryReport, DatesAreYearMonthDayInDigits) {
  EXPECT_TRUE(sim::isDate("2026-12-10"));
  for (std::size_t at : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u}) {
    std::string date = "2026-12-10";
    date[at] = date[at] == '-' ? '0' : 'x';
    EXPECT_FALSE(sim::isDate(date)) << date;
  }
  EXPECT_FALSE(sim::isDate("2026-12-1"));
  EXPECT_FALSE(sim::isDate("2026-12-100"));
  // Digits in place are not enough: the day must be one of the calendar.
  for (const char* day : {"2024-02-29", "2000-02-29", "2026-01-31", "2026-04-30", "2026-12-31"}) {
    EXPECT_TRUE(sim::isDate(day)) << day;
  }
  for (const char* day : {"2026-02-29", "1900-02-29", "2026-04-31", "2026-13-01", "2026-00-10",
                          "2026-12-00", "2026-12-32", "2026-06-31"}) {
    EXPECT_FALSE(sim::isDate(day)) << day;
  }
}

TEST(MemoryFiles, FilesThatAreNoFiscalMemoryAreRefusedAndLeftAsTheyWere) {
  MemoryDirectory directory;
  const std::string good = directory.file("good.db");
  std::string error;
  { ASSERT_TRUE(openMemory(good, error)) << error; }
  const std::string damaged = directory.file("damaged.db");
  std::filesystem::copy_file(good, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);  // the header of the second page
    file << std::string(100, '\xA5');
  }
  const std::string text = directory.file("text.db");
  std::ofstream(text) << "not a database\n";
  const std::string foreign = directory.file("foreign.db");
  {
    sqlite3* db = nullptr;
    sqlite3_open(foreign.c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  const auto held = openMemory(good, error);  // another simulator has it
  ASSERT_TRUE(held) << error;
  const std::string dangling = directory.file("dangling.db");
  std::filesystem::create_symlink(directory.file("missing.db"), dangling);

  struct Case {
    std::string path;
    std::string message;
  };
  for (const Case& c : {Case{text, "not a SQLite file"}, Case{foreign, "another program's"},
                        Case{damaged, "damaged"}, Case{good, "in use by another simulator"},
                        Case{directory.file(""), "not a regular file"},
                        Case{dangling, "a symbolic link to a file that does not exist"}}) {
    SCOPED_TRACE(c.path);
    const std::string before = std::filesystem::is_regular_file(c.path) ? contents(c.path) : "";
    EXPECT_FALSE(openMemory(c.path, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    if (!before.empty()) {
      EXPECT_TRUE(contents(c.path) == before) << "the file was changed";
    }
  }
  EXPECT_FALSE(std::filesystem::exists(directory.file("missing.db")));
}

// A memory holds customers' sales: private whether this start creates the
// file or takes up an empty one someone made for it.
TEST(MemoryFiles, ANewMemoryIsPrivateWhoeverMadeTheFile) {
  MemoryDirectory directory;
  const std::string made = directory.file("made.db");
  std::ofstream{made};
  ASSERT_EQ(::chmod(made.c_str(), 0644), 0);
  for (const std::string& path : {directory.file("new.db"), made}) {
    std::string error;
    EXPECT_TRUE(openMemory(path, error)) << error;
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << path;
  }
}

// A memory that lacks any table or column the printer keeps is damaged:
// refused at start and by the reports alike, and left as it was.
TEST(MemoryFiles, AMemoryLackingATableOrAColumnIsDamaged) {
  MemoryDirectory directory;
  const std::string model = directory.file("model.db");
  std::string error;
  { ASSERT_TRUE(openMemory(model, error)) << error; }
  std::vector<std::pair<std::string, std::string>> changes;  // SQL, what is missing
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(model.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &tables,
                       nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
      const std::string table = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
      changes.push_back({"DROP TABLE " + table, "table " + table + " is missing"});
    }
    sqlite3_finalize(tables);
    sqlite3_close(db);
  }
  EXPECT_EQ(changes.size(), 12u);  // every table of the schema
  changes.push_back({"ALTER TABLE documents DROP COLUMN paid", "column documents.paid is missing"});
  changes.push_back(
      {"ALTER TABLE printer DROP COLUMN last_power_on", "column printer.last_power_on is missing"});
  for (const auto& [change, missing] : changes) {
    SCOPED_TRACE(change);
    const std::string path = directory.file("changed.db");
    std::filesystem::copy_file(model, path, std::filesystem::copy_options::overwrite_existing);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, change.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const std::string before = contents(path);
    EXPECT_FALSE(openMemory(path, error));
    EXPECT_EQ(error, "damaged fiscal memory (" + missing + ")");
    EXPECT_FALSE(sim::FiscalMemory::openForReading(path, error));
    EXPECT_EQ(error, "damaged fiscal memory (" + missing + ")");
    EXPECT_TRUE(contents(path) == before) << "the file was changed";
  }
}

// A report holds the file shared for the moment it reads it; a printer
// starting meanwhile waits that out instead of calling the file in use.
TEST(MemoryFiles, APrinterWaitsOutAReportsMomentaryHold) {
  MemoryDirectory directory;
  const std::string path = directory.file("memory.db");
  std::string error;
  { ASSERT_TRUE(openMemory(path, error)) << error; }
  const int report = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(report, LOCK_SH), 0);
  std::thread done([report] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::close(report);
  });
  EXPECT_TRUE(openMemory(path, error)) << error;
  done.join();
}

TEST(MemoryFiles, ADiskWithNoRoomLeavesNoFileBehind) {
  MemoryDirectory directory;
  const std::string path = directory.file("new.db");
  std::string error;
  bool opened = true;
  onAFullDisk([&] { opened = openMemory(path, error) != nullptr; });
  EXPECT_FALSE(opened);
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace sim_test
