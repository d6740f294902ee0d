// The fiscal memory in process: what a restart takes up again, a write that
// fails while running, and files it must refuse at start without touching them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "protocol/status_words.h"
#include "simulator/memory/fiscal_memory.h"
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

  std::ostringstream paper;
  sim::PaperRoll roll(paper);
  sim::FiscalPrinter printer(roll);
  sim::Stats stats;
  RecordingLine line;
  sim::Session session(printer, stats, line, 0);
  const auto memory = openMemory(path_, error_);
  ASSERT_TRUE(memory) << error_;
  session.keepCommandsIn(memory.get());
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

  struct Case {
    std::string path;
    std::string message;
  };
  for (const Case& c : {Case{text, "not a SQLite file"}, Case{foreign, "another program's"},
                        Case{damaged, "damaged"}, Case{good, "in use by another simulator"},
                        Case{directory.file(""), "not a regular file"}}) {
    SCOPED_TRACE(c.path);
    const std::string before = std::filesystem::is_regular_file(c.path) ? contents(c.path) : "";
    EXPECT_FALSE(openMemory(c.path, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    if (!before.empty()) {
      EXPECT_TRUE(contents(c.path) == before) << "the file was changed";
    }
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
