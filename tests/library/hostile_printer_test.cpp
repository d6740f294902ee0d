// A printer that misbehaves in time: floods, late or endless replies, a slow
// wake-up. Every command ends within its bounds and the line stays in step.
#include <chrono>

#include "libfiscalprinter/src/link.h"
#include "libfiscalprinter/src/serial_port.h"
#include "tests/library/library_fixture.h"

namespace fp::testing {
namespace {

int framesWithSequence(const FakePrinter& printer, std::uint8_t sequence) {
  int count = 0;
  for (const auto& frame : printer.framesReceived()) count += frame.sequence == sequence;
  return count;
}

class HostilePrinter : public LibraryTest {
 protected:
  // Three ordinary commands after a fault, each answered once and by its own reply.
  void expectInStep() {
    for (const char* word : {"0A01", "0A02", "0A03"}) {
      SCOPED_TRACE(word);
      const std::size_t executedBefore = printer_->executed().size();
      const auto command = static_cast<std::uint16_t>(std::stoi(word, nullptr, 16));
      addWord(command);
      addWord(0x0000);
      EXPECT_EQ(SendCommand(area_), FP_OK);
      EXPECT_EQ(std::string(area_).substr(0, 4), word);
      ASSERT_EQ(printer_->executed().size(), executedBefore + 1);
      EXPECT_EQ(printer_->executed().back().command, command);
    }
  }
};

struct SlowReplyCase {
  const char* name;
  int delayMs;
  int byteGapMs;
};

// A reply that starts within the reply wait is read to its end, byte gap by byte
// gap, however long after the ACK it ends.
TEST_F(HostilePrinter, LateAndTrickledRepliesAreReadWholeOnTheFirstTransmission) {
  const SlowReplyCase cases[] = {{"late, ending after the reply wait", 700, 20},
                                 {"trickled, a third of the byte gap apart", 0, 30}};
  for (const SlowReplyCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script script;
    script.echoCommand = true;
    script.replyFields = {"00000007", "TRICKLED"};
    script.slowReplies = 1;
    script.replyDelayMs = c.delayMs;
    script.byteGapMs = c.byteGapMs;
    ASSERT_EQ(openWith(script), FP_OK);
    EXPECT_EQ(SendCommandComplete("0A09|0000"), FP_OK);
    expectInStep();
    EXPECT_EQ(framesWithSequence(*printer_, commandFrames().at(0).sequence), 1);  // never resent
    ClosePort(area_);
  }
}

struct FloodCase {
  const char* name;
  std::uint8_t byte;
  int gapMs;
  bool inFrame;
  bool frameStarts;  // each beat begins a new frame
  int code;
  int maxBeats;  // how long the flood would last if nothing stopped it
  int fewBeats;  // generous: the command ends in a few seconds
};

// Bytes that never become a reply end the command within its ordinary waits
// (a few seconds: a handful of beats), never stretched by the flood.
TEST_F(HostilePrinter, FloodsAndEndlessFramesEndTheCommandAndLeaveTheLineInStep) {
  const FloodCase cases[] = {
      {"ACK every 500 ms", protocol::kAck, 500, false, false, FP_TIMEOUT, 60, 30},
      {"ACK every 250 ms", protocol::kAck, 250, false, false, FP_TIMEOUT, 120, 60},
      {"endless frame, 60 ms a byte", 'A', 60, true, false, FP_BAD_FRAMES, 600, 200},
      {"a new frame every 50 ms", 'A', 50, false, true, FP_BAD_FRAMES, 1200, 300}};
  for (const FloodCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script script;
    script.echoCommand = true;
    script.babbleByte = c.byte;
    script.babbleGapMs = c.gapMs;
    script.babbleInFrame = c.inFrame;
    script.babbleFrameStarts = c.frameStarts;
    script.maxBeats = c.maxBeats;
    ASSERT_EQ(openWith(script), FP_OK);
    EXPECT_EQ(SendCommandComplete("0A09|0000"), c.code);
    EXPECT_LT(printer_->beatsSent(), c.fewBeats);  // not as long as the flood lasted
    EXPECT_EQ(static_cast<int>(commandFrames().size()), protocol::kMaxTransmissions);
    expectInStep();
    ClosePort(area_);
  }
}

// "Still working" extends the wait only up to the working bound, counted once for
// the whole command: no retransmission restarts it.
TEST_F(HostilePrinter, StillWorkingForeverEndsAtTheWorkingBoundWithoutResending) {
  Script working;
  working.babbleByte = protocol::kWorking;
  working.babbleGapMs = static_cast<int>(protocol::kWorkingInterval.count());
  working.maxBeats = 80;
  printer_ = std::make_unique<FakePrinter>(working);
  lib::SerialPort port;
  ASSERT_EQ(port.open(printer_->device(), B115200), lib::OpenResult::kOpened);
  lib::Trace trace;
  lib::Link link(port, trace);
  lib::LinkTiming timing;
  timing.bitsPerSecond = 115200;
  timing.maxWorking = std::chrono::milliseconds{1500};
  link.setTiming(timing);
  const lib::Exchange exchange = link.transact(protocol::CommandMessage{0, 0x0A09, 0, {}});
  EXPECT_EQ(exchange.outcome, lib::LinkOutcome::kSilent);
  EXPECT_EQ(exchange.transmissions, 1);
  EXPECT_EQ(framesWithSequence(*printer_, 1), 1);
  EXPECT_LT(printer_->beatsSent(), 40);  // 1.5 s of work is six beats
}

// A printer that needs well over a second to wake up is still found.
TEST_F(HostilePrinter, HandshakeWaitsForAPrinterWakingUpLate) {
  Script sleepy;
  sleepy.helloDelayMs = 1700;
  sleepy.echoCommand = true;
  EXPECT_EQ(openWith(sleepy), FP_OK);
  EXPECT_STREQ(area_, "FAKE PRINTER|9.9");
  expectInStep();  // its answers to the repeated handshakes are skipped
}

}  // namespace
}  // namespace fp::testing
