// The control socket's server and the mailbox to the line, in one process:
// which requests are carried out, and what a client breaking a bound is told.
#include "simulator/control/control_server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "simulator/control/control_client.h"
#include "simulator/control/watch_event.h"
#include "tests/simulator/watch_client.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One socket pair per case: `client` is the client's end, `server` the end
// the mailbox is given.
struct Pair {
  int client = -1;
  int server = -1;
  Pair() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
      client = fds[0];
      server = fds[1];
    }
  }
  ~Pair() {
    if (client >= 0) close(client);
    close(server);
  }
};

TEST(RequestMailbox, CarriesOutOnlyRequestsStillWantedAndNeverOnesWithdrawn) {
  struct Case {
    const char* name;
    milliseconds deadline;              // from now
    std::function<void(Pair&)> client;  // what the client does first
    bool withdrawFirst;                 // the control thread gives up before the line looks
    bool carriedOut;
  };
  const std::vector<Case> cases = {
      {"waiting client", milliseconds(1000), [](Pair&) {}, false, true},
      {"deadline passed", milliseconds(-1), [](Pair&) {}, false, false},
      {"client hung up", milliseconds(1000),
       [](Pair& p) {
         close(p.client);
         p.client = -1;
       },
       false, false},
      {"client only stopped sending", milliseconds(1000),
       [](Pair& p) { shutdown(p.client, SHUT_WR); }, false, true},
      {"withdrawn", milliseconds(1000), [](Pair&) {}, true, false},
  };
  std::string error;
  const auto mailbox = RequestMailbox::create(error);
  ASSERT_TRUE(mailbox) << error;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Pair pair;
    c.client(pair);
    const auto id = mailbox->post(*parseControlRequest("paper out", error), pair.server,
                                  Clock::now() + c.deadline);
    if (c.withdrawFirst) {
      EXPECT_TRUE(mailbox->withdraw(id));
    }
    int calls = 0;
    mailbox->carryOutWaiting([&](const ControlRequest& r) {
      ++calls;
      EXPECT_EQ(formatControlRequest(r), "paper out");
      return std::string("ok done");
    });
    EXPECT_EQ(calls, c.carriedOut ? 1 : 0);
    const auto answers = mailbox->takeAnswers();
    if (c.withdrawFirst) {
      EXPECT_TRUE(answers.empty());
      continue;
    }
    // Answered either way, and never withdrawn after the line has looked.
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].id, id);
    EXPECT_EQ(answers[0].line, c.carriedOut ? std::optional<std::string>("ok done") : std::nullopt);
    EXPECT_FALSE(mailbox->withdraw(id));
  }
}

// A server on a real socket; the "line" carries requests out only while
// `lineRuns` is set, counting them.
class ControlServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "fiscal-ctl-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    path_ = (directory_ / "control.sock").string();
    std::string error;
    mailbox_ = RequestMailbox::create(error);
    ASSERT_TRUE(mailbox_) << error;
    auto socket = ControlSocket::listen(path_, error);
    ASSERT_TRUE(socket) << error;
    server_ = ControlServer::start(std::move(*socket), *mailbox_, error);
    ASSERT_TRUE(server_) << error;
    line_ = std::thread([this] {
      while (!done_) {
        if (lineRuns_)
          mailbox_->carryOutWaiting([this](const ControlRequest& r) {
            std::this_thread::sleep_for(lineSlowness_.load());
            ++carriedOut_;
            return r.watches() ? watch::formatEvent(watch::Watching{1, 40})
                               : std::string("ok carried out");
          });
        std::this_thread::sleep_for(milliseconds(10));
      }
    });
  }
  void TearDown() override {
    done_ = true;
    if (line_.joinable()) line_.join();
    server_.reset();
    std::filesystem::remove_all(directory_);
  }

  // A raw client: connects, sends `bytes`, returns what it reads until the
  // server closes (at most 3 s).
  std::string rawExchange(const std::string& bytes) {
    const int fd = connectRaw();
    if (!bytes.empty()) send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string got = readAll(fd);
    close(fd);
    return got;
  }
  int connectRaw() {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
  }
  static std::string readAll(int fd) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline) {
      pollfd ready{fd, POLLIN, 0};
      if (poll(&ready, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      got.append(buffer, static_cast<std::size_t>(count));
    }
    return got;
  }

  std::filesystem::path directory_;
  std::string path_;
  std::unique_ptr<RequestMailbox> mailbox_;
  std::unique_ptr<ControlServer> server_;
  std::thread line_;
  std::atomic<bool> done_{false};
  std::atomic<bool> lineRuns_{true};
  std::atomic<int> carriedOut_{0};
  std::atomic<milliseconds> lineSlowness_{milliseconds(0)};  // how long carrying out takes
};

TEST_F(ControlServerTest, ClientsBreakingABoundAreToldWhyAndChangeNothing) {
  struct Case {
    std::string sent;
    std::string later;  // sent 100 ms afterwards, in a read of its own
    bool shutSending;   // the client then shuts its sending side
    std::string answer;
  };
  const std::string longest(ControlServer::kMaxRequest, 'x');
  const std::vector<Case> cases = {
      {"status\n", "", false, "ok carried out\n"},
      {"status", "", true, "ok carried out\n"},  // no newline: the shut side ends it
      {"sta", "tus\n", false, "ok carried out\n"},
      {"status\r\n", "", false, "ok carried out\n"},  // a CR LF line end
      {"status\r\r\n", "", false, "error: unknown request"},
      {"status", "", false, "error: no request line within 500 ms\n"},
      {"paper soggy\n", "", false, "error: unknown request"},
      {longest, "\n", false, "error: unknown request"},  // the longest line there may be
      {longest + "x", "", false, "error: request longer than 256 bytes\n"},
      {"", "", false, "error: no request line within 500 ms\n"},  // silent
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sent.substr(0, 20));
    const int before = carriedOut_;
    const int fd = connectRaw();
    send(fd, c.sent.data(), c.sent.size(), MSG_NOSIGNAL);
    if (!c.later.empty()) {
      std::this_thread::sleep_for(milliseconds(100));
      send(fd, c.later.data(), c.later.size(), MSG_NOSIGNAL);
    }
    if (c.shutSending) shutdown(fd, SHUT_WR);
    const std::string got = readAll(fd);
    close(fd);
    EXPECT_EQ(got.substr(0, c.answer.size()), c.answer);
    EXPECT_EQ(carriedOut_ - before, c.answer.rfind("ok", 0) == 0 ? 1 : 0);
  }

  // One client more than allowed is refused at once.
  std::vector<int> held;
  for (std::size_t i = 0; i < ControlServer::kMaxClients; ++i) held.push_back(connectRaw());
  std::this_thread::sleep_for(milliseconds(100));  // all accepted
  EXPECT_EQ(rawExchange("status\n"), "error: too many control clients at once (64)\n");
  for (const int fd : held) close(fd);
}

// The line does not come round within the printer's deadline: the client is
// told, within ctl's bound, that nothing was done, and the request is never
// carried out, not even once the line looks again.
TEST_F(ControlServerTest, ARequestTheLineDoesNotTakeInTimeIsNeverCarriedOut) {
  lineRuns_ = false;
  std::string error;
  const auto start = Clock::now();
  const auto answer = askControl(path_, "paper out", 2000, error);
  ASSERT_TRUE(answer) << error;
  EXPECT_EQ(*answer, "error: the printer was busy for 1000 ms; not carried out");
  EXPECT_GE(Clock::now() - start, ControlServer::kPrinterDeadline);
  lineRuns_ = true;
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(carriedOut_, 0);

  // And a client that gives up before the line comes round: dropped too.
  lineRuns_ = false;
  EXPECT_FALSE(askControl(path_, "paper out", 200, error));
  lineRuns_ = true;
  std::this_thread::sleep_for(milliseconds(100));
  EXPECT_EQ(carriedOut_, 0);
  EXPECT_EQ(askControl(path_, "status", 2000, error), "ok carried out");
}

// The line took the request before the deadline and finishes it after: the
// client is told it was carried out, not that the printer was busy.
TEST_F(ControlServerTest, ARequestTakenBeforeTheDeadlineIsAnsweredWithItsResult) {
  lineSlowness_ = ControlServer::kPrinterDeadline + milliseconds(300);
  std::string error;
  EXPECT_EQ(askControl(path_, "paper out", 2000, error), "ok carried out") << error;
  EXPECT_EQ(carriedOut_, 1);
}

using watch_test::connectWatcher;
using watch_test::readWatcher;
using watch_test::Watched;

// One watcher never reads while the line publishes far more than its bound,
// another reads all along: a request is still answered at once, the line
// never waits, and each watcher's lines and dropped counts add up to every
// line published, in order, whole.
TEST_F(ControlServerTest, AWatcherThatNeverReadsLosesCountedLinesAndDelaysNobody) {
  const int idle = connectWatcher(path_);
  const int reader = connectWatcher(path_);
  Watched read;
  std::thread readerThread([&] { read = readWatcher(reader); });
  EXPECT_TRUE(mailbox_->watched());
  constexpr int kLines = 8000;
  const std::string filler(200, 'x');
  std::string error;
  for (int i = 0; i < kLines; ++i) {
    mailbox_->publish(watch::formatEvent(watch::Paper{std::to_string(i) + filler}));
    if (i % 100 == 99) std::this_thread::sleep_for(milliseconds(1));
    if (i == kLines / 2) {  // the idle watcher's buffer is long full by now
      const auto start = Clock::now();
      EXPECT_EQ(askControl(path_, "status", 2000, error), "ok carried out") << error;
      EXPECT_LT(Clock::now() - start, ControlServer::kPrinterDeadline);
    }
  }
  readerThread.join();
  const Watched missed = readWatcher(idle);
  for (const Watched* w : {static_cast<const Watched*>(&read), &missed}) {
    EXPECT_EQ(w->unreadable, 0u);
    ASSERT_FALSE(w->events.empty());
    EXPECT_EQ(w->events.front(), watch::Event(watch::Watching{1, 40}));
    std::uint64_t papers = 0;
    int last = -1;
    for (const watch::Event& e : w->events) {
      const auto* paper = std::get_if<watch::Paper>(&e);
      if (paper == nullptr) continue;
      ++papers;
      const int number = std::stoi(paper->text);
      EXPECT_GT(number, last);  // in order, never twice
      last = number;
    }
    EXPECT_EQ(papers + w->dropped, static_cast<std::uint64_t>(kLines));
  }
  EXPECT_GT(missed.dropped, 0u);

  close(idle);
  close(reader);
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  while (mailbox_->watched() && Clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(10));
  EXPECT_FALSE(mailbox_->watched());  // nothing is made for nobody once they have gone
}

TEST_F(ControlServerTest, WatchersAreBoundedInNumber) {
  std::vector<int> watchers;
  for (std::size_t i = 0; i < ControlServer::kMaxWatchers; ++i) {
    watchers.push_back(connectWatcher(path_));
  }
  EXPECT_EQ(rawExchange("watch\n"), "error: too many watchers at once (8)\n");
  std::string error;
  EXPECT_EQ(askControl(path_, "status", 2000, error), "ok carried out")
      << error;  // others still served
  close(watchers.back());
  watchers.pop_back();
  const int another = connectWatcher(path_);
  char first[64] = {};
  EXPECT_GT(recv(another, first, sizeof first - 1, 0), 0);
  EXPECT_EQ(std::string(first).rfind("{\"event\":\"watching\"", 0), 0u) << first;
  close(another);
  for (const int fd : watchers) close(fd);
}

}  // namespace
}  // namespace sim
