// The control socket of the simulator process, from outside: its mode, what
// may already be at its path, and the requests it takes or refuses (over a raw
// connection as any client sends them, and through `fiscal-printer-sim ctl`).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/simulator/memory_fixture.h"
#include "tests/simulator/simulator_process.h"

namespace sim_test {
namespace {

// Sends `bytes` on a new connection to `path`; the answer line (without its
// newline), or "" when there is none within two seconds.
std::string ask(const std::string& path, const std::string& bytes) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::string answer;
  if (fd < 0) return answer;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size())) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char c = 0;
    pollfd ready{fd, POLLIN, 0};
    while (answer.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
      if (::read(fd, &c, 1) != 1) break;
      answer += c;
    }
  }
  ::close(fd);
  return answer.substr(0, answer.find('\n'));
}

class ControlSocketTest : public ::testing::Test {
 protected:
  MemoryDirectory directory_;
  std::string socket_ = directory_.file("control.sock");
};

// Created 0600 whatever the umask it inherits: the socket drives a printer.
TEST_F(ControlSocketTest, IsCreatedForItsOwnerOnly) {
  const mode_t saved = ::umask(0);
  SimulatorProcess sim({"--control", socket_});
  ::umask(saved);
  ASSERT_TRUE(sim.started());
  struct stat info {};
  ASSERT_EQ(::lstat(socket_.c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// A socket path fills at most 107 bytes of the address (and its zero byte the
// 108th); a longer one is refused at start and by ctl, never cut or overrun.
TEST_F(ControlSocketTest, PathsLongerThanTheAddressAreRefused) {
  const std::string dir = directory_.file("");
  const auto pathOf = [&](std::size_t size) { return dir + std::string(size - dir.size(), 's'); };
  for (const std::size_t size :
       {sizeof(sockaddr_un::sun_path), sizeof(sockaddr_un::sun_path) + 1}) {
    SCOPED_TRACE(size);
    const Finished start = runSimulatorToEnd({"--control", pathOf(size)}, 5'000);
    EXPECT_EQ(start.exitCode, 1);
    EXPECT_NE(start.standardError.find("longer than 107"), std::string::npos)
        << start.standardError;
    const Finished ctl = runSimulatorToEnd({"ctl", pathOf(size), "status"}, 5'000);
    EXPECT_EQ(ctl.exitCode, 1);
    EXPECT_NE(ctl.standardError.find("longer than 107"), std::string::npos) << ctl.standardError;
  }
  const std::string longest = pathOf(sizeof(sockaddr_un::sun_path) - 1);
  SimulatorProcess sim({"--control", longest});
  ASSERT_TRUE(sim.started());
  EXPECT_EQ(ask(longest, "status\n").rfind("ok", 0), 0u);
}

// The limit is 256 bytes before the newline; counts are checked by the printer
// itself, not only by ctl. `ctlExit`: 0 for ok, 2 for a request ctl refuses
// to send, 1 for an error answer.
TEST_F(ControlSocketTest, TakesRequestsUpToTheLimitAndCountsInRange) {
  SimulatorProcess sim({"--control", socket_});
  ASSERT_TRUE(sim.started());
  const std::string padded = "status" + std::string(250, ' ');  // 256 bytes before the newline
  const struct {
    std::string request;
    bool ok;
    int ctlExit;
  } cases[] = {
      {padded, true, 0},
      {padded + " ", false, 1},
      {"fault corrupt 0", false, 2},
      {"fault drop 0", false, 2},
      {"fault corrupt 1", true, 0},
      {"fault drop 1000000", true, 0},
      {"fault corrupt 1000001", false, 2},
      {"fault corrupt-every 1000000000", true, 0},
      {"fault drop-every 1000000001", false, 2},
      {"baud 1000000001", false, 2},
      {"delay 3600001", false, 2},
      {"fault corrupt-every 0", true, 0},
      {"fault none", true, 0},
      {"power-cut 0", true, 0},
      {"power-cut 600001", false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request.substr(0, 40) + " (" + std::to_string(c.request.size()) + " bytes)");
    const std::string answer = ask(socket_, c.request + "\n");
    EXPECT_EQ(answer.rfind(c.ok ? "ok" : "error: ", 0), 0u) << answer;
    const Finished ctl = runSimulatorToEnd({"ctl", socket_, c.request}, 5'000);
    EXPECT_EQ(ctl.exitCode, c.ctlExit) << ctl.standardOutput << ctl.standardError;
  }
}

// A running simulator keeps its socket; a second one at the same path ends
// at start with code 1. A socket whose simulator is gone is taken over, and
// anything else at the path is left alone.
TEST_F(ControlSocketTest, ASecondSimulatorTakesOnlyAStaleSocket) {
  const std::string file = directory_.file("a-file");
  std::ofstream(file) << "kept\n";
  const Finished onFile = runSimulatorToEnd({"--control", file}, 5'000);
  EXPECT_EQ(onFile.exitCode, 1);
  EXPECT_NE(onFile.standardError.find("is not a socket"), std::string::npos)
      << onFile.standardError;
  std::ifstream kept(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept\n");

  {
    SimulatorProcess first({"--control", socket_});
    ASSERT_TRUE(first.started());
    struct stat before {};
    ASSERT_EQ(::lstat(socket_.c_str(), &before), 0);
    const Finished second = runSimulatorToEnd({"--control", socket_}, 5'000);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.standardError.find("in use by another simulator"), std::string::npos)
        << second.standardError;
    struct stat after {};
    ASSERT_EQ(::lstat(socket_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ask(socket_, "status\n").rfind("ok", 0), 0u);
    first.stop(SIGKILL);  // leaves its socket behind
  }
  ASSERT_EQ(::access(socket_.c_str(), F_OK), 0);
  SimulatorProcess next({"--control", socket_});
  ASSERT_TRUE(next.started());
  EXPECT_EQ(ask(socket_, "status\n").rfind("ok", 0), 0u);
}

}  // namespace

namespace {

int connectTo(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// True when the printer has answered or hung up on one of `held`: only then
// may a place have been free for someone else.
bool anyLetGo(const std::vector<int>& held) {
  std::vector<pollfd> fds;
  for (const int fd : held) fds.push_back({fd, POLLIN, 0});
  return ::poll(fds.data(), fds.size(), 0) > 0;
}

}  // namespace

// A printer with every client place taken turns the next one away with a
// reason, and ctl shows that reason, whether or not its request went out
// before the printer hung up. Silent clients lose their place after the
// request deadline, so the places are taken afresh for every round, and a
// round where ctl was served must be one where a place had been given up.
TEST_F(ControlSocketTest, AClientTurnedAwayIsToldWhy) {
  SimulatorProcess sim({"--control", socket_});
  ASSERT_TRUE(sim.started());
  int refused = 0;
  // Whether the printer hangs up before ctl's request goes out is a race, so
  // it is run often enough to meet both orders.
  for (int round = 0; round < 40; ++round) {
    std::vector<int> held;
    for (std::size_t i = 0; i < 64; ++i) {
      held.push_back(connectTo(socket_));
      ASSERT_GE(held.back(), 0);
    }
    const Finished ctl = runSimulatorToEnd({"ctl", socket_, "status"}, 5'000);
    if (ctl.exitCode == 0) {
      EXPECT_TRUE(anyLetGo(held)) << "served while every place was taken: " << ctl.standardOutput;
    } else {
      ++refused;
      EXPECT_EQ(ctl.exitCode, 1);
      EXPECT_EQ(ctl.standardOutput.rfind("error: too many control clients at once (64)", 0), 0u)
          << ctl.standardOutput << ctl.standardError;
    }
    for (const int fd : held) ::close(fd);
  }
  EXPECT_GT(refused, 0);
}

// A watch the printer refuses is answered as any request is: the refusal on
// standard output, exit 1.
TEST_F(ControlSocketTest, ARefusedWatchIsAnAnswerLikeAnyOther) {
  SimulatorProcess sim({"--control", socket_});
  ASSERT_TRUE(sim.started());
  std::vector<int> watchers;
  for (int i = 0; i < 8; ++i) {
    watchers.push_back(connectTo(socket_));
    ASSERT_GE(watchers.back(), 0);
    ASSERT_EQ(::send(watchers.back(), "watch\n", 6, MSG_NOSIGNAL), 6);
    char first = 0;  // the stream has begun: the place is taken
    ASSERT_EQ(::recv(watchers.back(), &first, 1, 0), 1);
  }
  const Finished refused = runSimulatorToEnd({"ctl", socket_, "watch"}, 5'000);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.standardOutput, "error: too many watchers at once (8)\n")
      << refused.standardError;
  for (const int fd : watchers) ::close(fd);
}

// ctl passes on only what a printer sends: whatever else a socket at that
// path answers is refused with a reason, and none of it reaches the terminal.
TEST_F(ControlSocketTest, CtlPassesOnNothingButAPrintersWords) {
  const std::string header = "{\"event\":\"watching\",\"version\":1,\"columns\":40}\n";
  struct Case {
    std::string request;
    std::string sent;     // by the impostor, after the request
    std::string printed;  // what ctl may print of it
  };
  const std::vector<Case> cases = {
      {"status", "\x1b[2J\x01junk\xff\n", ""},
      {"status", "hello\n", ""},
      {"status", "ok printer 0x0000\x07 fiscal 0x0000\n", ""},
      {"watch", "{\"event\":\"paper\",\"text\":\"A\"}\n", ""},
      {"watch", "error\x1b]0;pwned\x07\n", ""},
      {"watch", header + "\x1b[2Jnot json\n", header},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request + " " + c.sent);
    ::unlink(socket_.c_str());
    const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    std::thread impostor([&] {
      const int client = ::accept(server, nullptr, nullptr);
      char request[64];
      (void)::recv(client, request, sizeof request, 0);
      (void)::send(client, c.sent.data(), c.sent.size(), MSG_NOSIGNAL);
      char rest;  // held open until ctl is done with it
      (void)::recv(client, &rest, 1, 0);
      ::close(client);
    });
    const Finished ctl = runSimulatorToEnd({"ctl", socket_, c.request}, 5'000);
    impostor.join();
    ::close(server);
    EXPECT_EQ(ctl.exitCode, 1);
    EXPECT_EQ(ctl.standardOutput, c.printed);
    EXPECT_NE(ctl.standardError.find("not a printer's"), std::string::npos) << ctl.standardError;
  }
}

}  // namespace sim_test
