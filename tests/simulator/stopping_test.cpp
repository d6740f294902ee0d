// The simulator as its users and an unlucky disk try it: stop signals in the
// middle of every kind of wait, and a paper roll that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
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

namespace proto = fp::protocol;

// The host's end of the device, opened as a library would.
class Host {
 public:
  explicit Host(const std::string& port) : fd_(open(port.c_str(), O_RDWR | O_NOCTTY)) {}
  ~Host() {
    if (fd_ >= 0) close(fd_);
  }
  bool send(std::uint8_t sequence, std::uint16_t word, std::uint16_t extension) {
    proto::Bytes body;
    proto::encodeCommand({sequence, word, extension, {}}, body);
    const proto::Bytes frame = proto::encodeFrame(body);
    return fd_ >= 0 && write(fd_, frame.data(), frame.size()) == ssize_t(frame.size());
  }
  // The next reply frame, waiting at most a few seconds.
  std::optional<proto::ReplyMessage> reply() {
    proto::FrameDecoder decoder;
    std::vector<proto::DecodedEvent> events;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd ready{fd_, POLLIN, 0};
      if (poll(&ready, 1, 100) <= 0) continue;
      std::uint8_t buffer[256];
      const ssize_t count = read(fd_, buffer, sizeof buffer);
      if (count <= 0) return std::nullopt;
      decoder.feed(std::span<const std::uint8_t>(buffer, std::size_t(count)), events);
      for (const auto& event : events) {
        proto::ReplyMessage message;
        if (event.kind == proto::DecodedEvent::Kind::Frame &&
            proto::parseReply(event.body, message) == proto::MessageError::None) {
          return message;
        }
      }
    }
    return std::nullopt;
  }

 private:
  int fd_;
};

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
    std::size_t paperLines;  // a Z closing prints 13; none when it never arrives
  };
  const std::vector<Case> cases = {
      {{"--delay-ms", "3600000", "--z-ms", "0"}, SIGTERM, true, 143, 13},
      {{"--z-ms", "3600000"}, SIGINT, true, 130, 13},
      {{"--baud", "1"}, SIGHUP, true, 129, 0},  // the frame takes 110 s to arrive
      {{"--z-ms", "3600000"}, SIGHUP, false, 0, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " signal " + std::to_string(c.signal));
    const std::string pidFile = testing::TempDir() + "stopping-child-" + std::to_string(getpid());
    std::remove(pidFile.c_str());
    std::vector<std::string> args = c.args;
    if (c.exec)
      args.insert(args.end(), {"--exec", "sh", "-c", "echo $$ >" + pidFile + "; exec sleep 600"});
    SimulatorProcess simulator(args);
    ASSERT_TRUE(simulator.started());
    Host host(simulator.port());
    ASSERT_TRUE(host.send(1, 0x0801, 0x0C00));
    const auto printed = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (lineCount(simulator.paper()) < c.paperLines &&
           std::chrono::steady_clock::now() < printed) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the wait

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(simulator.stop(c.signal), c.exitCode);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(lineCount(simulator.paper()), c.paperLines) << simulator.paper();
    if (c.exec) {
      pid_t child = 0;
      std::ifstream(pidFile) >> child;
      ASSERT_GT(child, 0);
      EXPECT_NE(kill(child, 0), 0) << "the command still runs";
      std::remove(pidFile.c_str());
    }
  }
}

// A paper write that fails is paper trouble: the command is refused as paper
// out with the status bit, and the process says so and ends with code 3.
TEST(Stopping, AnUnwritableRollIsReportedAndEndsWithCode3) {
  SimulatorProcess simulator({"--paper", "/dev/full"});
  ASSERT_TRUE(simulator.started());
  Host host(simulator.port());
  ASSERT_TRUE(host.send(1, 0x0A01, 0x0000));  // open a ticket
  const auto refused = host.reply();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->returnCode, 7);
  EXPECT_EQ(refused->printerStatus & 0x0002, 0x0002);
  ASSERT_TRUE(host.send(2, 0x0A01, 0x0000));
  EXPECT_EQ(host.reply().value_or(proto::ReplyMessage{}).returnCode, 7);
  EXPECT_EQ(simulator.stat("refused.ticket_open"), 2u);

  EXPECT_EQ(simulator.stop(), 3);
  EXPECT_NE(simulator.standardError().find("paper"), std::string::npos);
}

}  // namespace
}  // namespace sim_test
