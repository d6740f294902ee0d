// The link's documented deadlines, on virtual time: a scripted printer answers
// each transmission at given moments, and the link's clock advances only as it
// waits on the line. Minutes of "still working" pass at once, the machine's
// speed plays no part, and each bound is told from one ten times smaller or larger.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "libfiscalprinter/src/link.h"
#include "tests/library/fake_printer.h"

namespace fp::testing {
namespace {

using std::chrono::milliseconds;

// What the printer sends, this long after a transmission reached it: a
// trickled reply is sent a byte at a time, spread evenly over `spread`.
struct Beat {
  enum class What { kAck, kWorking, kReply, kReplyHead, kReplyTail, kReplyTrickled } what;
  milliseconds at;
  milliseconds spread{0};
};

// Every reply: one field, so that a trickled reply lasts long enough between its bytes.
const Script kReplying = [] {
  Script script;
  script.replyFields = {"TRICKLED REPLY FIELD"};
  return script;
}();

// A printer on virtual time. Each frame written starts the script afresh
// (what was still due from an earlier transmission is dropped); reading moves
// the clock to the next byte due, or by the whole wait when none is due in it.
class VirtualLine : public lib::Transport {
 public:
  explicit VirtualLine(std::vector<Beat> script) : script_(std::move(script)) {}

  lib::IoStatus writeAll(std::span<const std::uint8_t> bytes, milliseconds) override {
    std::vector<protocol::DecodedEvent> events;
    decoder_.feed({bytes.begin(), bytes.end()}, events);
    for (const auto& event : events) {
      protocol::CommandMessage command;
      if (event.kind != protocol::DecodedEvent::Kind::Frame ||
          protocol::parseCommand(event.body, command) != protocol::MessageError::None) {
        continue;
      }
      ++transmissions_;
      due_.clear();
      const protocol::Bytes reply = replyFrame(command.sequence, kReplying);
      const auto half = reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2);
      for (const Beat& beat : script_) {
        protocol::Bytes& out = due_[now_ + beat.at];
        switch (beat.what) {
          case Beat::What::kAck:
            out.push_back(protocol::kAck);
            break;
          case Beat::What::kWorking:
            out.push_back(protocol::kWorking);
            break;
          case Beat::What::kReply:
            out.insert(out.end(), reply.begin(), reply.end());
            break;
          case Beat::What::kReplyHead:
            out.insert(out.end(), reply.begin(), half);
            break;
          case Beat::What::kReplyTail:
            out.insert(out.end(), half, reply.end());
            break;
          case Beat::What::kReplyTrickled:
            for (std::size_t i = 0; i < reply.size(); ++i) {
              const auto at = beat.at + beat.spread * static_cast<long>(i) /
                                            static_cast<long>(reply.size() - 1);
              due_[now_ + at].push_back(reply[i]);
            }
            break;
        }
      }
    }
    return lib::IoStatus::kOk;
  }

  lib::IoStatus readSome(std::vector<std::uint8_t>& out, milliseconds timeout) override {
    if (due_.empty() || due_.begin()->first > now_ + timeout) {
      now_ += timeout;
      return lib::IoStatus::kTimeout;
    }
    now_ = std::max(now_, due_.begin()->first);
    out.insert(out.end(), due_.begin()->second.begin(), due_.begin()->second.end());
    due_.erase(due_.begin());
    return lib::IoStatus::kOk;
  }

  void discardInput() override {
    while (!due_.empty() && due_.begin()->first <= now_) due_.erase(due_.begin());
  }
  void releaseInForkedChild() noexcept override {}

  lib::Clock::time_point now() const override { return now_; }
  int transmissions() const { return transmissions_; }

 private:
  std::vector<Beat> script_;
  std::map<lib::Clock::time_point, protocol::Bytes> due_;
  lib::Clock::time_point now_{std::chrono::hours{1}};
  protocol::FrameDecoder decoder_;
  int transmissions_ = 0;
};

// An ACK at 10 ms, then "still working" every 250 ms from 20 ms to `until`.
std::vector<Beat> workingUntil(milliseconds until) {
  std::vector<Beat> beats{{Beat::What::kAck, milliseconds{10}}};
  for (milliseconds at{20}; at < until; at += protocol::kWorkingInterval) {
    beats.push_back({Beat::What::kWorking, at});
  }
  return beats;
}

std::vector<Beat> with(std::vector<Beat> beats, Beat more) {
  beats.push_back(more);
  return beats;
}

struct DeadlineCase {
  const char* name;
  std::vector<Beat> script;
  lib::LinkOutcome outcome;
  int transmissions;
  milliseconds atLeast;  // virtual time from the first transmission to the outcome
  milliseconds atMost;
};

using Outcome = lib::LinkOutcome;
using What = Beat::What;

TEST(LinkDeadlines, EachWaitEndsAtItsDocumentedBound) {
  const milliseconds kWorkingBound{120'000};  // docs/library.md, "still working"
  const DeadlineCase cases[] = {
      {"silence: 300 ms for a first answer, three times",
       {},
       Outcome::kSilent,
       3,
       milliseconds{900},
       milliseconds{1000}},
      {"the reply 1050 ms after the ACK, inside the 1000 + 100 ms",
       {{What::kAck, milliseconds{10}}, {What::kReply, milliseconds{1060}}},
       Outcome::kReplied,
       1,
       milliseconds{1060},
       milliseconds{1061}},
      {"the reply 1200 ms after the ACK, too late every time",
       {{What::kAck, milliseconds{10}}, {What::kReply, milliseconds{1210}}},
       Outcome::kSilent,
       3,
       milliseconds{3300},
       milliseconds{3400}},
      {"a 90 ms gap inside the reply, under the 100 ms allowed",
       {{What::kAck, milliseconds{10}},
        {What::kReplyHead, milliseconds{20}},
        {What::kReplyTail, milliseconds{110}}},
       Outcome::kReplied,
       1,
       milliseconds{110},
       milliseconds{111}},
      {"a 150 ms gap inside the reply: cut short, every time",
       {{What::kAck, milliseconds{10}},
        {What::kReplyHead, milliseconds{20}},
        {What::kReplyTail, milliseconds{170}}},
       Outcome::kDamaged,
       3,
       milliseconds{360},
       milliseconds{400}},
      {"a reply trickled over 2.1 s, inside the 2 s and its line time for a frame",
       {{What::kAck, milliseconds{10}},
        {What::kReplyTrickled, milliseconds{20}, milliseconds{2100}}},
       Outcome::kReplied,
       1,
       milliseconds{2120},
       milliseconds{2121}},
      {"a reply trickled over 2.6 s: cut short, every time",
       {{What::kAck, milliseconds{10}},
        {What::kReplyTrickled, milliseconds{20}, milliseconds{2600}}},
       Outcome::kDamaged,
       3,
       milliseconds{6500},
       milliseconds{6700}},
      {"still working for 115 s, then the reply",
       with(workingUntil(milliseconds{115'000}), {What::kReply, milliseconds{115'000}}),
       Outcome::kReplied, 1, milliseconds{115'000}, milliseconds{115'001}},
      {"still working without end: given up 120 s after the first DC2, not resent",
       workingUntil(milliseconds{400'000}), Outcome::kSilent, 1, kWorkingBound + milliseconds{20},
       kWorkingBound + milliseconds{21}},
  };
  for (const DeadlineCase& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualLine line(c.script);
    lib::Trace trace;
    lib::Link link(line, trace);
    lib::LinkTiming timing;  // the library's own, as OpenPort sets them
    timing.bitsPerSecond = 115200;
    link.setTiming(timing);
    const auto start = line.now();
    const lib::Exchange exchange = link.transact(protocol::CommandMessage{0, 0x0A09, 0, {}});
    const auto took = std::chrono::duration_cast<milliseconds>(line.now() - start);
    EXPECT_EQ(exchange.outcome, c.outcome);
    EXPECT_EQ(exchange.transmissions, c.transmissions);
    EXPECT_EQ(line.transmissions(), c.transmissions);
    EXPECT_GE(took, c.atLeast);
    EXPECT_LE(took, c.atMost);
  }
}

}  // namespace
}  // namespace fp::testing
