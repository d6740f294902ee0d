// The trace file named by FISCALPRINTER_TRACE.
#include "libfiscalprinter/src/trace.h"

#include <unistd.h>

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

TEST_F(TraceFile, RecordsEveryFrameBothWaysAsHexAndText) {
  const std::string path =
      ::testing::TempDir() + "fiscal-trace-" + std::to_string(::getpid()) + ".log";
  std::remove(path.c_str());
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
  const std::string path =
      ::testing::TempDir() + "fiscal-trace-reason-" + std::to_string(::getpid()) + ".log";
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

TEST(TraceBytes, ShowsHexAndPrintableText) {
  const std::uint8_t bytes[] = {0x02, 'A', 0x7F, ' ', 0xFF};
  EXPECT_EQ(lib::traceBytes(bytes), "02 41 7F 20 FF  |.A. .|");
  EXPECT_EQ(lib::traceBytes({}), "  ||");
}

}  // namespace
}  // namespace fp::testing
