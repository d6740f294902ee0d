// The simulator as its users and an unlucky disk try it: stop signals in the
// middle of every kind of wait, and a paper roll that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "tests/simulator/simulator_process.h"

namespace sim_test {
namespace {

using std::chrono::steady_clock;

// Writes one command frame to the device as a library would.
void sendCommand(const std::string& port, std::uint16_t word, std::uint16_t extension) {
  fp::protocol::Bytes body;
  fp::protocol::encodeCommand({1, word, extension, {}}, body);
  const fp::protocol::Bytes frame = fp::protocol::encodeFrame(body);
  const int fd = open(port.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
  close(fd);
}

// Waits (at most five seconds) until `done` holds.
template <typename Done>
void waitUntil(Done done) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(5);
  while (!done() && steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::size_t lineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A stop arrives while a Z closing waits in the reply delay, in the closing
// itself, or in the line time of a slow line: the process ends at once with
// the documented code, the roll holds whole documents and the command is gone.
TEST(Stopping, EachSignalEndsEveryPendingWaitAtOnce) {
  struct Case {
    std::vector<std::string> args;
    int signal;
    bool exec;
    int exitCode;
    std::size_t paperLines;  // a Z closing prints 14; none when it never arrives
  };
  const std::vector<Case> cases = {
      {{"--delay-ms", "3600000", "--z-ms", "0"}, SIGTERM, true, 143, 14},
      {{"--z-ms", "3600000"}, SIGINT, true, 130, 14},
      {{"--baud", "1"}, SIGHUP, true, 129, 0},  // the frame takes 110 s to arrive
      {{"--z-ms", "3600000"}, SIGHUP, false, 0, 14},
  };
  const std::string pidFile = testing::TempDir() + "stopping-" + std::to_string(getpid());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " signal " + std::to_string(c.signal));
    std::remove(pidFile.c_str());
    std::vector<std::string> args = c.args;
    // Under --exec the command has the port; it prints it where the test reads it.
    if (c.exec)
      args.insert(args.end(),
                  {"--exec", "sh", "-c",
                   "echo \"$FISCALPRINTER_PORT1\"; echo $$ >" + pidFile + "; exec sleep 600"});
    SimulatorProcess simulator(args);
    ASSERT_TRUE(simulator.started());
    sendCommand(simulator.port(), 0x0801, 0x0C00);
    waitUntil([&] { return lineCount(simulator.paper()) >= c.paperLines; });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the wait

    const auto start = steady_clock::now();
    EXPECT_EQ(simulator.stop(c.signal), c.exitCode);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(lineCount(simulator.paper()), c.paperLines) << simulator.paper();
    pid_t child = 0;
    std::ifstream(pidFile) >> child;
    EXPECT_TRUE(!c.exec || (child > 0 && kill(child, 0) != 0)) << "the command still runs";
  }
  std::remove(pidFile.c_str());
}

// The command under --exec ending in the middle of a reply delay or a Z
// closing ends the printer at once, with the command's own code.
TEST(Stopping, TheCommandEndingEndsEveryPendingWaitAtOnce) {
  const std::string pidFile = testing::TempDir() + "ending-" + std::to_string(getpid());
  for (const char* wait : {"--delay-ms", "--z-ms"}) {
    SCOPED_TRACE(wait);
    std::remove(pidFile.c_str());
    SimulatorProcess simulator(
        {wait, "3600000", "--exec", "sh", "-c",
         "echo \"$FISCALPRINTER_PORT1\"; echo $$ >" + pidFile + "; exec sleep 600"});
    ASSERT_TRUE(simulator.started());
    sendCommand(simulator.port(), 0x0801, 0x0C00);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the wait
    pid_t child = 0;
    std::ifstream(pidFile) >> child;
    ASSERT_GT(child, 0);
    kill(child, SIGKILL);
    EXPECT_EQ(simulator.waitForExit(3000), 128 + SIGKILL);
  }
  std::remove(pidFile.c_str());
}

// A paper write that fails is paper trouble: the command is refused (the
// reply itself is checked in the model's tests), and the process says so and
// ends with code 3.
TEST(Stopping, AnUnwritableRollIsReportedAndEndsWithCode3) {
  SimulatorProcess simulator({"--paper", "/dev/full"});
  ASSERT_TRUE(simulator.started());
  sendCommand(simulator.port(), 0x0A01, 0x0000);  // open a ticket
  waitUntil([&] { return simulator.stat("commands_executed") == 1; });
  EXPECT_EQ(simulator.stat("refused.ticket_open"), 1u);
  EXPECT_EQ(simulator.stop(), 3);
  EXPECT_NE(simulator.standardError().find("paper"), std::string::npos);
}

}  // namespace
}  // namespace sim_test
