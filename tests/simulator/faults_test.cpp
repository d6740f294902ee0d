// The faults put into replies on purpose must be ones the host can detect.
#include <gtest/gtest.h>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "simulator/link/fault_injector.h"
#include "simulator/link/printer_wire.h"

namespace {

namespace proto = fp::protocol;

TEST(FaultInjector, CountsRepliesAndCorruptionWinsOverDrop) {
  sim::FaultInjector faults(3, 2);
  std::vector<sim::Fault> seen;
  for (int i = 0; i < 6; ++i) seen.push_back(faults.next());
  using F = sim::Fault;
  EXPECT_EQ(seen,
            (std::vector<F>{F::kNone, F::kDrop, F::kCorrupt, F::kDrop, F::kNone, F::kCorrupt}));
  sim::FaultInjector none(0, 0);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(none.next(), F::kNone);
}

proto::Bytes replyFrame(std::vector<std::string> fields) {
  proto::Bytes body;
  proto::encodeReply({4, 0x0004, 0x0011, 0, std::move(fields)}, body);
  return proto::encodeFrame(body);
}

std::vector<proto::DecodedEvent> decode(const proto::Bytes& bytes) {
  proto::FrameDecoder decoder;
  std::vector<proto::DecodedEvent> events;
  decoder.feed(bytes, events);
  return events;
}

TEST(FaultInjector, ACorruptedReplyKeepsItsShapeAndFailsItsCheck) {
  // Fields full of control bytes, so the middle of the frame is mostly escapes.
  for (const auto& fields :
       {std::vector<std::string>{"00000001"}, std::vector<std::string>{std::string(30, '\x02')},
        std::vector<std::string>{std::string(7, '\x1B'), "ab"}}) {
    const proto::Bytes frame = replyFrame(fields);
    const proto::Bytes damaged = sim::corruptFrame(frame, sim::isFramingByte);
    ASSERT_EQ(damaged.size(), frame.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) differing += frame[i] != damaged[i];
    EXPECT_EQ(differing, 1u);
    const auto events = decode(damaged);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, proto::DecodedEvent::Kind::Error);
    EXPECT_EQ(events[0].error, proto::FrameError::BadChecksum);
  }
}

TEST(FaultInjector, AReplyWithADroppedByteNeverDecodesAsAFrame) {
  const proto::Bytes frame = replyFrame({"00000000000", "00000009900"});
  const proto::Bytes shorter = sim::dropFrameByte(frame);
  EXPECT_EQ(shorter.size(), frame.size() - 1);
  for (const auto& event : decode(shorter)) {
    EXPECT_NE(event.kind, proto::DecodedEvent::Kind::Frame);
  }
}

}  // namespace
