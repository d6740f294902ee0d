// The exact bytes of the worked examples in the protocol description, and the
// length limit to the byte: a change here breaks every printer already built.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/status_words.h"  // return_code::kOutOfOrder

namespace fp::protocol {
namespace {

Bytes commandFrame(const CommandMessage& message) {
  Bytes body;
  EXPECT_EQ(encodeCommand(message, body), MessageError::None);
  return encodeFrame(body);
}

Bytes replyFrame(const ReplyMessage& message) {
  Bytes body;
  EXPECT_EQ(encodeReply(message, body), MessageError::None);
  return encodeFrame(body);
}

TEST(WireFormat, DocumentedExamplesAreByteExact) {
  EXPECT_EQ(commandFrame({1, kHelloCommand, 0, {}}),
            (Bytes{0x02, 0x01, 0x43, 0, 0, 0, 0, 0, 0xED, 0x5F, 0x03}));
  EXPECT_EQ(commandFrame({2, 0x0A01, 0x0000, {}}),
            (Bytes{0x02, 0x1B, 0x22, 0x43, 0x0A, 0x01, 0, 0, 0, 0x05, 0xC7, 0x03}));
  EXPECT_EQ(commandFrame({3,
                          0x0E02,
                          0x0000,
                          {"A\x03"
                           "B"}}),
            (Bytes{0x02, 0x1B, 0x23, 0x43, 0x0E, 0x1B, 0x22, 0,    0,    0x01,
                   0x00, 0x1B, 0x23, 0x41, 0x1B, 0x23, 0x42, 0x8B, 0xEE, 0x03}));
  EXPECT_EQ(replyFrame({3, 0x0000, 0x0031, return_code::kOutOfOrder, {}}),
            (Bytes{0x02, 0x1B, 0x23, 0x52, 0, 0, 0, 0x31, 0, 0x1B, 0x22, 0, 0x4D, 0xCB, 0x03}));
  // A CRC made of NAK values travels escaped too.
  const Bytes hello = replyFrame({1, 0, 0x0010, 0, {"IMPRESOR FISCAL VIRTUAL", "1.0"}});
  const Bytes tail(hello.end() - 5, hello.end());
  EXPECT_EQ(tail, (Bytes{0x1B, 0x35, 0x1B, 0x35, 0x03}));
}

// Every frame the protocol description writes out ("host    02 ..." and
// "printer 02 ...", continued on indented lines) is intact and readable: a
// worked example with a wrong byte, check or escape fails here.
TEST(WireFormat, EveryWorkedFrameOfTheDescriptionDecodes) {
  std::ifstream doc(PROTOCOL_DOC);
  ASSERT_TRUE(doc) << PROTOCOL_DOC;
  struct Written {
    std::string side;
    Bytes bytes;
  };
  std::vector<Written> frames;
  for (std::string line; std::getline(doc, line);) {
    const bool continued = line.rfind("        ", 0) == 0 && !frames.empty();
    if (!continued && line.rfind("host    02", 0) != 0 && line.rfind("printer 02", 0) != 0)
      continue;
    if (!continued) frames.push_back({line.substr(0, line.find(' ')), {}});
    std::istringstream hex(line.substr(8));
    for (unsigned byte = 0; hex >> std::hex >> byte;) {
      frames.back().bytes.push_back(static_cast<std::uint8_t>(byte));
    }
  }
  EXPECT_GE(frames.size(), 14u);
  for (const Written& frame : frames) {
    FrameDecoder decoder;
    std::vector<DecodedEvent> events;
    decoder.feed(frame.bytes, events);
    ASSERT_EQ(events.size(), 1u) << frame.side << " frame of " << frame.bytes.size() << " bytes";
    ASSERT_EQ(events[0].kind, DecodedEvent::Kind::Frame)
        << frame.side << " frame of " << frame.bytes.size() << " bytes is damaged";
    CommandMessage command;
    ReplyMessage reply;
    EXPECT_EQ(frame.side == "host" ? parseCommand(events[0].body, command)
                                   : parseReply(events[0].body, reply),
              MessageError::None)
        << frame.side;
  }
}

TEST(WireFormat, EachControlByteIsEscapedAsEscapeAndXor20) {
  for (std::uint8_t control : {kFrameStart, kFrameEnd, kAck, kWorking, kNak, kEscape}) {
    SCOPED_TRACE(static_cast<int>(control));
    const Bytes body{'x', control, 'y'};
    const Bytes frame = encodeFrame(body);
    ASSERT_GE(frame.size(), 6u);
    EXPECT_EQ(frame[2], kEscape);
    EXPECT_EQ(frame[3], static_cast<std::uint8_t>(control ^ 0x20));
    std::vector<DecodedEvent> events;
    FrameDecoder decoder;
    decoder.feed(frame, events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].body, body);
  }
}

TEST(WireFormat, BodyAndChecksumUpToTheLimitPassOneByteMoreIsRefused) {
  for (std::size_t size : {kMaxBody - 2, kMaxBody - 1}) {
    const Bytes body(size, 'b');
    const Bytes frame = encodeFrame(body);
    std::vector<DecodedEvent> events;
    FrameDecoder decoder;
    decoder.feed(frame, events);
    ASSERT_EQ(events.size(), 1u) << size;
    if (size + 2 <= kMaxBody) {
      EXPECT_EQ(events[0].kind, DecodedEvent::Kind::Frame);
    } else {
      EXPECT_EQ(events[0].error, FrameError::TooLong);
    }
  }
  // The largest command the encoder accepts fits the decoder's limit exactly.
  // 7 bytes of header, 2 + 2 of field lengths, 2 of CRC: 13 around the field bytes.
  const std::size_t rest = kMaxBody - 13 - kMaxFieldLength;
  CommandMessage largest{1, 0x0A02, 0, {std::string(kMaxFieldLength, 'x'), std::string(rest, 'y')}};
  Bytes body;
  ASSERT_EQ(encodeCommand(largest, body), MessageError::None);
  EXPECT_EQ(body.size() + 2, kMaxBody);
  largest.fields[1].push_back('y');
  EXPECT_EQ(encodeCommand(largest, body), MessageError::BodyTooLong);
}

}  // namespace
}  // namespace fp::protocol
