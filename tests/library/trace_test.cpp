// The trace file named by FISCALPRINTER_TRACE.
#include "libfiscalprinter/src/trace.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using TraceFile = LibraryTest;

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool anyLine(const std::vector<std::string>& lines, const std::string& part) {
  for (const auto& line : lines) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

// A fresh path for a trace of `kind`, nothing there yet.
std::string tracePath(const char* kind) {
  const std::string path =
      ::testing::TempDir() + "fiscal-" + kind + "-" + std::to_string(::getpid()) + ".log";
  std::remove(path.c_str());
  return path;
}

TEST_F(TraceFile, RecordsEveryFrameBothWaysAsHexAndText) {
  const std::string path = tracePath("trace");
  ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
  Script script;
  script.corruptReplies = 1;
  ASSERT_EQ(openWith(script), FP_OK);
  ASSERT_EQ(SendCommandComplete("0707|0000"), FP_OK);
  ClosePort(area_);
  const auto lines = linesOf(path);
  std::remove(path.c_str());

  // Handshake out, ACK and identification back, the command twice (one resend).
  EXPECT_TRUE(anyLine(lines, " 43 00 00 00 00 00 "));  // the handshake
  EXPECT_TRUE(anyLine(lines, " < 06"));
  EXPECT_TRUE(anyLine(lines, "FAKE PRINTER"));
  EXPECT_TRUE(anyLine(lines, " # bad checksum"));
  EXPECT_TRUE(anyLine(lines, " # resending sequence "));
  int commandLines = 0;
  for (const auto& line : lines) {
    ASSERT_GE(line.size(), 30u);
    EXPECT_EQ(line[4], '-');
    EXPECT_EQ(line[26], 'Z') << line;
    const bool sent = line.find(" > 02 ") != std::string::npos;
    if (sent && line.find(" 43 07 07 00 00 00 ") != std::string::npos) ++commandLines;
  }
  EXPECT_EQ(commandLines, 2);
}

// A port that cannot be opened gives 2, and the trace keeps the system's reason.
TEST_F(TraceFile, NamesWhyAPortIsInvalid) {
  const std::string path = tracePath("trace-reason");
  std::string file = ::testing::TempDir() + "fiscal-not-a-tty-XXXXXX";
  const int fd = ::mkstemp(file.data());
  ASSERT_GE(fd, 0);
  const struct {
    std::string device;
    const char* reason;
  } cases[] = {
      {"/nonexistent/fiscal-port", "port invalid: No such file or directory (errno 2)"},
      {file, "port invalid: Inappropriate ioctl for device (errno 25)"},
      {::testing::TempDir(), "port invalid: Is a directory (errno 21)"},
  };
  for (const auto& c : cases) {
    std::remove(path.c_str());
    ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
    ::setenv("FISCALPRINTER_PORT1", c.device.c_str(), 1);
    OpenPort(area_);
    EXPECT_EQ(getLastError(), FP_PORT_INVALID) << c.device;
    ClosePort(area_);
    EXPECT_TRUE(anyLine(linesOf(path), std::string(" # ") + c.reason)) << c.device;
  }
  ::close(fd);
  ::unlink(file.c_str());
  std::remove(path.c_str());
}

std::string drain(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  return text;
}

TEST_F(TraceFile, IsCreatedReadableByItsOwnerOnly) {
  const std::string path = tracePath("trace-mode");
  ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
  const mode_t previous = ::umask(0);
  const int opened = openWith(Script{});
  ::umask(previous);
  ASSERT_EQ(opened, FP_OK);
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  std::remove(path.c_str());
}

// A FIFO without a reader, with a reader that never reads, with a reader that
// left: OpenPort and every command go on as without a trace, the process gets no
// SIGPIPE (nor a changed signal disposition or mask), and lines that could not be
// written are counted once writing works again.
TEST_F(TraceFile, FifoTargetsNeverBlockSignalOrFailACommand) {
  const std::string path = tracePath("trace-fifo");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  ::setenv("FISCALPRINTER_TRACE", path.c_str(), 1);
  sigset_t maskBefore;
  ::pthread_sigmask(SIG_SETMASK, nullptr, &maskBefore);

  ASSERT_EQ(openWith(Script{}), FP_OK);  // no reader at all
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);
  ClosePort(area_);

  const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(openWith(Script{}), FP_OK);
  int failed = 0;
  for (int i = 0; i < 600; ++i) failed += SendCommandComplete("0A01|0000") != FP_OK;
  EXPECT_EQ(failed, 0);  // the pipe filled long ago: the trace dropped lines instead
  std::string text = drain(reader);
  ClosePort(area_);
  text += drain(reader);
  EXPECT_NE(text.find(" trace lines dropped"), std::string::npos);
  EXPECT_NE(text.find(" # close"), std::string::npos);

  ASSERT_EQ(openWith(Script{}), FP_OK);
  ::close(reader);  // the reader leaves while the trace is open
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);
  ClosePort(area_);

  struct sigaction action {};
  ::sigaction(SIGPIPE, nullptr, &action);
  EXPECT_EQ(action.sa_handler, SIG_DFL);
  sigset_t pending, maskAfter;
  ::sigpending(&pending);
  EXPECT_EQ(::sigismember(&pending, SIGPIPE), 0);
  ::pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter);
  EXPECT_EQ(::sigismember(&maskAfter, SIGPIPE), ::sigismember(&maskBefore, SIGPIPE));
  std::remove(path.c_str());
}

TEST(TraceBytes, ShowsHexAndPrintableText) {
  const std::uint8_t bytes[] = {0x02, 'A', 0x7F, ' ', 0xFF};
  EXPECT_EQ(protocol::traceBytes(bytes), "02 41 7F 20 FF  |.A. .|");
  EXPECT_EQ(protocol::traceBytes({}), "  ||");
}

}  // namespace
}  // namespace fp::testing
