// The control socket of the simulator process against hostile clients, long
// commands and a stopped simulator, with the real library on the line and
// the real ctl subcommand as client.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <thread>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "simulator/model/return_code.h"
#include "tests/simulator/library_fixture.h"
#include "tests/simulator/memory_fixture.h"

namespace sim_test {
namespace {

using Clock = std::chrono::steady_clock;

// Z sent with its words as fields, so that the reply area carries its number.
const Button kZWithReply{0x0801, 0x0C00, {}, false};

long msSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// A client socket connected without waiting; -1 when the simulator takes none now.
int connectNow(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  close(fd);
  return -1;
}

class ControlProcessTest : public LibraryTest {
 protected:
  MemoryDirectory directory_;
  std::string memory_ = directory_.file("memory.db");
  std::string socket_ = directory_.file("control.sock");

  Finished ctl(const std::vector<std::string>& request) {
    std::vector<std::string> args = {"ctl", socket_};
    args.insert(args.end(), request.begin(), request.end());
    return runSimulatorToEnd(args, 10'000);
  }
};

// Clients that connect every 20 ms and then never send, stop halfway, send
// far too much, never read their answer or hang up at once: the commands on
// the line all succeed, none waits near the library's timeout, and a
// well-behaved client still gets its answer.
TEST_F(ControlProcessTest, ControlClientsNeverStallTheLine) {
  connect({"--control", socket_});
  ASSERT_EQ(openCode_, FP_OK);
  const std::vector<std::function<void(int)>> hostile = {
      [](int) {},                                            // silent
      [](int fd) { send(fd, "paper o", 7, MSG_NOSIGNAL); },  // half a line, never ended
      [](int fd) {                                           // a flood without a newline
        const std::string flood(64 * 1024, 'x');
        send(fd, flood.data(), flood.size(), MSG_NOSIGNAL);
      },
      [](int fd) { send(fd, "status\n", 7, MSG_NOSIGNAL); },  // never reads the answer
      [](int fd) { shutdown(fd, SHUT_RDWR); },                // hangs up at once
  };
  std::atomic<bool> done{false};
  std::vector<std::thread> attackers;
  for (const auto& behave : hostile) {
    attackers.emplace_back([&, behave] {
      std::deque<int> held;  // kept open, as a hostile client would
      while (!done) {
        if (const int fd = connectNow(socket_); fd >= 0) {
          behave(fd);
          held.push_back(fd);
        }
        if (held.size() > 50) {
          close(held.front());
          held.pop_front();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      for (const int fd : held) close(fd);
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the flood is on

  long slowest = 0;
  for (int round = 0; round < 6; ++round) {
    for (const Button& b : {kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kDrawerOpen}) {
      const auto start = Clock::now();
      EXPECT_EQ(press(b), 0) << "round " << round << " " << std::hex << b.word;
      slowest = std::max(slowest, msSince(start));
    }
  }
  const Finished status = ctl({"status"});
  done = true;
  for (std::thread& t : attackers) t.join();

  // The library gives up after 1000 ms without a reply; a command the socket
  // held up would come near that.
  EXPECT_LT(slowest, 700) << "slowest command in ms";
  EXPECT_EQ(status.exitCode, 0) << status.standardError;
  EXPECT_EQ(status.standardOutput.rfind("ok printer 0x0004 fiscal 0x0010", 0), 0u)
      << status.standardOutput;
  EXPECT_EQ(simulator_->stat("executed.ticket_close"), 6u);
}

// A request sent during a 4 s Z closing is answered while the Z still runs,
// with exit 0, and has taken effect: a condition as the next command sees it;
// a power cut by silencing the line at once, the Z surviving in the memory and
// reaching the host through its retransmission.
TEST_F(ControlProcessTest, ARequestDuringAZIsAnsweredWhenItTakesEffect) {
  struct Case {
    std::vector<std::string> request;
    std::string answer;
    std::function<void(long zMs)> after;  // checks once the Z has returned
  };
  const std::vector<Case> cases = {
      {{"paper", "out"},
       "ok printer 0x0002 fiscal 0x0000\n",
       [this](long) {
         EXPECT_EQ(press(kTicketOpen), 1000 + static_cast<int>(sim::ReturnCode::kPaperOut));
         EXPECT_EQ(getPrinterStatus() & printer_status::kPaperOut, printer_status::kPaperOut);
       }},
      {{"power-cut", "300"},
       "ok printer 0x0000 fiscal 0x0000 (power cut for 300 ms)\n",
       [this](long zMs) {
         EXPECT_LT(zMs, 3500) << "the Z's wait went on through the power cut";
         EXPECT_EQ(simulator_->stat("executed.closing_z"), 1u);
         EXPECT_GE(simulator_->stat("retransmissions"), 1u);
         TearDown();
         EXPECT_EQ(MemoryReader(memory_).integer("SELECT COUNT(*) FROM z_closings"), 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request[0]);
    std::filesystem::remove(memory_);
    connect({"--z-ms", "4000", "--memory", memory_, "--control", socket_});
    ASSERT_EQ(openCode_, FP_OK);
    const auto zStart = Clock::now();
    std::atomic<bool> zDone{false};
    auto z = std::async(std::launch::async, [&] {
      const int code = press(kZWithReply);
      zDone = true;
      return code;
    });
    // Into the Z: its lines are on the roll before its wait begins.
    while (simulator_->paper().find("CIERRE Z") == std::string::npos && msSince(zStart) < 3000) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const Finished answer = ctl(c.request);
    const bool answeredDuringTheZ = !zDone;
    EXPECT_EQ(answer.exitCode, 0) << answer.standardError;
    EXPECT_EQ(answer.standardOutput, c.answer);
    EXPECT_TRUE(answeredDuringTheZ);
    EXPECT_EQ(z.get(), 0);
    EXPECT_EQ(reply_, "0001");
    c.after(msSince(zStart));
    TearDown();
  }
}

// Frames already received behind a Z are lost with the power cut during it:
// the printer executes nothing while its power is cut.
TEST_F(ControlProcessTest, APowerCutDuringAZLosesTheFramesBehindIt) {
  simulator_ = std::make_unique<SimulatorProcess>(
      std::vector<std::string>{"--z-ms", "4000", "--control", socket_});
  ASSERT_TRUE(simulator_->started());
  fp::protocol::Bytes bytes;
  for (const auto& [sequence, word, extension] :
       {std::tuple<std::uint8_t, std::uint16_t, std::uint16_t>{0x21, 0x0801, 0x0C00},
        {0x22, 0x0707, 0x0000}}) {  // the Z, and a drawer opening right behind it
    fp::protocol::Bytes body;
    fp::protocol::encodeCommand({sequence, word, extension, {}}, body);
    const fp::protocol::Bytes frame = fp::protocol::encodeFrame(body);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  const int line = open(simulator_->port().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_EQ(write(line, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  const auto start = Clock::now();
  while (simulator_->paper().find("CIERRE Z") == std::string::npos && msSince(start) < 3000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(ctl({"power-cut", "100"}).standardOutput,
            "ok printer 0x0000 fiscal 0x0000 (power cut for 100 ms)\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the power is back
  kill(simulator_->pid(), SIGUSR1);                             // the counters as they stand
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(simulator_->stat("executed.closing_z"), 1u);
  EXPECT_EQ(simulator_->stat("executed.drawer_open"), 0u);
  EXPECT_EQ(simulator_->stat("replies_sent"), 0u);
  close(line);
}

// A stopped simulator with more ctl clients than its queue of connections
// holds: each ctl ends with exit 1 within its 2 s (given generous room), none
// of their requests is carried out once the simulator runs again, and a new
// simulator on the same socket is refused at once rather than waiting.
TEST_F(ControlProcessTest, CtlEndsInTimeWhenTheSimulatorIsStopped) {
  connect({"--control", socket_});
  ASSERT_EQ(openCode_, FP_OK);
  ASSERT_EQ(kill(simulator_->pid(), SIGSTOP), 0);
  constexpr int kClients = 14;  // more than the queue of 8 (+1) the kernel keeps
  std::vector<std::future<std::pair<Finished, long>>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::async(std::launch::async, [this] {
      const auto start = Clock::now();
      Finished finished = ctl({"paper", "out"});
      return std::pair(finished, msSince(start));
    }));
  }
  for (auto& client : clients) {
    const auto [finished, ms] = client.get();
    EXPECT_EQ(finished.exitCode, 1) << finished.standardError;
    EXPECT_NE(finished.standardError.find("no answer"), std::string::npos)
        << finished.standardError;
    EXPECT_GE(ms, 1500);  // it waited for its deadline, not less
    EXPECT_LT(ms, 6000);
  }
  const auto start = Clock::now();
  const Finished second = runSimulatorToEnd({"--control", socket_}, 10'000);
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.standardError.find("in use"), std::string::npos) << second.standardError;
  EXPECT_LT(msSince(start), 5000);

  ASSERT_EQ(kill(simulator_->pid(), SIGCONT), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const Finished status = ctl({"status"});
  EXPECT_EQ(status.exitCode, 0) << status.standardError;
  EXPECT_EQ(status.standardOutput, "ok printer 0x0000 fiscal 0x0000\n");
  EXPECT_EQ(press(kTicketOpen), 0);
}

}  // namespace
}  // namespace sim_test
