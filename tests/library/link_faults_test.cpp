// Faults on the line during a command: every one ends in a documented code, and
// no command is ever executed twice.
#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

using LinkFaults = LibraryTest;

// Every frame of the command carries the same sequence number.
void expectOneSequence(const std::vector<protocol::CommandMessage>& frames) {
  for (const auto& frame : frames) EXPECT_EQ(frame.sequence, frames.front().sequence);
}

struct RecoveryCase {
  const char* name;
  Script script;
  std::size_t framesSent;
};

TEST_F(LinkFaults, RecoversWithTheSameSequenceNumberAndExecutesOnce) {
  Script corrupt, dropped, truncated, oversized, nak, stale, noisy;
  corrupt.corruptReplies = 1;
  dropped.dropReplies = 1;
  truncated.truncateReplies = 1;
  oversized.oversizeReplies = 1;
  nak.nakFrames = 1;
  stale.staleReplyFirst = true;
  noisy.garbageFirst = true;
  const RecoveryCase cases[] = {
      {"corrupted reply", corrupt, 2},    {"lost reply", dropped, 2},
      {"reply cut short", truncated, 2},  {"oversized reply", oversized, 2},
      {"damaged command (NAK)", nak, 2},  {"reply to another sequence first", stale, 1},
      {"noise before the ACK", noisy, 1},
  };
  for (const RecoveryCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script script = c.script;
    script.replyFields = {"00000007"};
    ASSERT_EQ(openWith(script), FP_OK);
    EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_OK);
    const auto frames = commandFrames();
    EXPECT_EQ(frames.size(), c.framesSent);
    expectOneSequence(frames);
    EXPECT_EQ(printer_->executed().size(), 1u);
    char closing[FP_AREA_SIZE] = {};
    ClosePort(closing);
  }
}

TEST_F(LinkFaults, ReplyFetchedAgainCarriesTheFieldsOfTheSingleExecution) {
  Script script;
  script.corruptReplies = 2;
  script.replyFields = {"00000001"};
  ASSERT_EQ(openWith(script), FP_OK);
  addWord(0x0A06);
  addWord(0x0013);
  EXPECT_EQ(SendCommand(area_), FP_OK);
  EXPECT_STREQ(area_, "00000001");
  EXPECT_EQ(commandFrames().size(), 3u);
  EXPECT_EQ(printer_->executed().size(), 1u);
}

TEST_F(LinkFaults, StillWorkingKeepsTheHostWaitingPastTheResponseTimeout) {
  Script slow;
  slow.workingBeats = static_cast<int>(protocol::kResponseTimeout / protocol::kWorkingInterval) + 2;
  ASSERT_EQ(openWith(slow), FP_OK);
  EXPECT_EQ(SendCommandComplete("0801|0C00"), FP_OK);
  EXPECT_EQ(commandFrames().size(), 1u);  // never sent again
  EXPECT_EQ(printer_->executed().size(), 1u);
}

TEST_F(LinkFaults, DamageOnEveryTransmissionGivesBadFrames) {
  Script corrupt, nak;
  corrupt.corruptReplies = 1000;
  nak.nakFrames = 1000;
  ASSERT_EQ(openWith(corrupt), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_BAD_FRAMES);
  EXPECT_EQ(commandFrames().size(), static_cast<std::size_t>(protocol::kMaxTransmissions));
  EXPECT_EQ(printer_->executed().size(), 1u);
  ClosePort(area_);

  ASSERT_EQ(openWith(nak), FP_OK);
  EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_BAD_FRAMES);
  EXPECT_EQ(commandFrames().size(), static_cast<std::size_t>(protocol::kMaxTransmissions));
  EXPECT_TRUE(printer_->executed().empty());
}

// The trace says why the line was lost, as the system said it.
TEST_F(LinkFaults, VanishedDeviceGivesLineLostAndClosesThePort) {
  Script vanishing;
  vanishing.vanishOnCommand = true;
  const std::string text = traced([&] {
    ASSERT_EQ(openWith(vanishing), FP_OK);
    EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_LINE_LOST);
    EXPECT_EQ(SendCommandComplete("0A01|0000"), FP_NOT_OPEN);
    ClosePort(area_);
  });
  const std::size_t note = text.find("# serial line lost: ");
  ASSERT_NE(note, std::string::npos) << text;
  const std::string reason = text.substr(note, text.find('\n', note) - note);
  EXPECT_TRUE(reason.find("(errno ") != std::string::npos || reason.ends_with("hung up")) << reason;
}

}  // namespace
}  // namespace fp::testing
