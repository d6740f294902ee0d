// The wire framing: encoding, escaping, decoding in any split, limits and the
// packed command text.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "protocol/crc16.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/packed.h"

namespace fp::protocol {
namespace {

using Kind = DecodedEvent::Kind;

std::vector<DecodedEvent> decodeInChunks(const Bytes& stream,
                                         const std::vector<std::size_t>& cuts) {
  FrameDecoder decoder;
  std::vector<DecodedEvent> events;
  std::size_t start = 0;
  for (std::size_t cut : cuts) {
    decoder.feed(std::span(stream).subspan(start, cut - start), events);
    start = cut;
  }
  decoder.feed(std::span(stream).subspan(start), events);
  return events;
}

Bytes frameOf(const CommandMessage& message) {
  Bytes body;
  EXPECT_EQ(encodeCommand(message, body), MessageError::None);
  return encodeFrame(body);
}

CommandMessage everyByteCommand() {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  return {0x1B, 0x0A02, 0x0013, {"", all, "Venta de item       ", std::string(3, '\0')}};
}

TEST(Crc16, MatchesTheStandardCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(crc16(std::span(reinterpret_cast<const std::uint8_t*>(check.data()), check.size())),
            0x29B1);
}

TEST(Framing, EveryByteValueRoundTripsAndNoControlByteTravelsBare) {
  const CommandMessage sent = everyByteCommand();
  const Bytes frame = frameOf(sent);
  ASSERT_EQ(frame.front(), kFrameStart);
  ASSERT_EQ(frame.back(), kFrameEnd);
  for (std::size_t i = 1; i + 1 < frame.size(); ++i) {
    if (frame[i] == kEscape) {
      ASSERT_TRUE(isControlByte(static_cast<std::uint8_t>(frame[i + 1] ^ kEscapeXor)));
      ++i;
    } else {
      ASSERT_FALSE(isControlByte(frame[i])) << "bare control byte at " << i;
    }
  }
  const auto events = decodeInChunks(frame, {});
  ASSERT_EQ(events.size(), 1u);
  ASSERT_EQ(events[0].kind, Kind::Frame);
  CommandMessage received;
  ASSERT_EQ(parseCommand(events[0].body, received), MessageError::None);
  EXPECT_EQ(received.sequence, sent.sequence);
  EXPECT_EQ(received.command, sent.command);
  EXPECT_EQ(received.extension, sent.extension);
  EXPECT_EQ(received.fields, sent.fields);
}

TEST(Framing, ReplyRoundTripsWithStatusWordsAndCode) {
  const ReplyMessage sent{7, 0xFFFF, 0x8001, 1003, {"42", ""}};
  Bytes body;
  ASSERT_EQ(encodeReply(sent, body), MessageError::None);
  ReplyMessage received;
  ASSERT_EQ(parseReply(body, received), MessageError::None);
  EXPECT_EQ(received.printerStatus, 0xFFFF);
  EXPECT_EQ(received.fiscalStatus, 0x8001);
  EXPECT_EQ(received.returnCode, 1003);
  EXPECT_EQ(received.fields, sent.fields);
  CommandMessage wrong;
  EXPECT_EQ(parseCommand(body, wrong), MessageError::WrongKind);
}

// A stream of two frames with link bytes around them decodes the same however
// it is cut into reads.
TEST(Decoder, GivesTheSameEventsForEverySplit) {
  Bytes stream{kAck};
  const Bytes first = frameOf(everyByteCommand());
  stream.insert(stream.end(), first.begin(), first.end());
  stream.push_back(kWorking);
  stream.push_back(kNak);
  const Bytes second = frameOf({1, 0x0801, 0x0C00, {}});
  stream.insert(stream.end(), second.begin(), second.end());

  const auto whole = decodeInChunks(stream, {});
  ASSERT_EQ(whole.size(), 5u);
  const Kind expected[] = {Kind::Ack, Kind::Frame, Kind::Working, Kind::Nak, Kind::Frame};
  for (std::size_t i = 0; i < whole.size(); ++i) EXPECT_EQ(whole[i].kind, expected[i]);

  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::size_t> cuts;
    std::uniform_int_distribution<std::size_t> position(0, stream.size());
    for (int i = 0; i < round % 20; ++i) cuts.push_back(position(random));
    if (round < 40) {  // also every one-byte read, and every single cut
      cuts.clear();
      for (std::size_t i = 1; i < stream.size(); i += static_cast<std::size_t>(round % 7 + 1))
        cuts.push_back(i);
    }
    std::sort(cuts.begin(), cuts.end());
    const auto split = decodeInChunks(stream, cuts);
    ASSERT_EQ(split.size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
      EXPECT_EQ(split[i].kind, whole[i].kind);
      EXPECT_EQ(split[i].body, whole[i].body);
    }
  }
}

TEST(Decoder, ReportsDamageAndRecoversForTheNextFrame) {
  const Bytes good = frameOf({2, 0x0707, 0x0000, {"x"}});
  struct Case {
    const char* name;
    Bytes damaged;
    FrameError error;
  };
  Bytes flipped = good;
  flipped[2] ^= 0x01;  // the kind byte, a plain letter either way
  Bytes interrupted(good.begin(), good.begin() + 5);
  Bytes badEscape = {kFrameStart, 'a', kEscape, 'z', 'b', kFrameEnd};
  Bytes bareAck = {kFrameStart, 'a', kAck, 'b', kFrameEnd};
  const Case cases[] = {
      {"checksum", flipped, FrameError::BadChecksum},
      {"interrupted", interrupted, FrameError::Interrupted},
      {"short", {kFrameStart, 'a', kFrameEnd}, FrameError::TooShort},
      {"escape", badEscape, FrameError::BadEscape},
      {"bare link byte", bareAck, FrameError::BadEscape},
      {"stray", {'?'}, FrameError::StrayByte},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stream = c.damaged;
    stream.insert(stream.end(), good.begin(), good.end());
    const auto events = decodeInChunks(stream, {});
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::Error);
    EXPECT_EQ(events[0].error, c.error);
    EXPECT_EQ(events[1].kind, Kind::Frame);
  }
}

TEST(Decoder, OversizedFrameIsRefusedWithoutGrowingAndTheNextFrameDecodes) {
  Bytes stream{kFrameStart};
  stream.insert(stream.end(), 100000, 'A');
  stream.push_back(kFrameEnd);
  const Bytes good = frameOf({3, 0x0A01, 0, {}});
  stream.insert(stream.end(), good.begin(), good.end());
  const auto events = decodeInChunks(stream, {});
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].error, FrameError::TooLong);
  EXPECT_EQ(events[1].kind, Kind::Frame);
}

TEST(Messages, LimitsAreEnforcedOnBothSides) {
  Bytes body;
  CommandMessage message{1, 0x0A02, 0, std::vector<std::string>(kMaxFields, "x")};
  EXPECT_EQ(encodeCommand(message, body), MessageError::None);
  message.fields.push_back("x");
  EXPECT_EQ(encodeCommand(message, body), MessageError::TooManyFields);
  message.fields = {std::string(kMaxFieldLength + 1, 'x')};
  EXPECT_EQ(encodeCommand(message, body), MessageError::FieldTooLong);
  message.fields = {std::string(kMaxFieldLength, 'x'), std::string(kMaxFieldLength, 'y')};
  EXPECT_EQ(encodeCommand(message, body), MessageError::BodyTooLong);

  message.fields = {"abc", ""};
  ASSERT_EQ(encodeCommand(message, body), MessageError::None);
  CommandMessage parsed;
  for (std::size_t cut = 0; cut < body.size(); ++cut) {
    EXPECT_NE(parseCommand(std::span(body).first(cut), parsed), MessageError::None) << cut;
  }
  body.push_back(0);
  EXPECT_EQ(parseCommand(body, parsed), MessageError::TrailingBytes);
  Bytes claimsTooMany = {1, kCommandKind, 0, 0, 0, 0, static_cast<std::uint8_t>(kMaxFields + 1)};
  EXPECT_EQ(parseCommand(claimsTooMany, parsed), MessageError::TooManyFields);
}

TEST(PackedText, AcceptsExactlyNineUpperCaseHexCharacters) {
  const auto ok = parsePackedCommand("0A01|0C2F");
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->command, 0x0A01);
  EXPECT_EQ(ok->extension, 0x0C2F);
  for (const char* bad : {"0a01|0000", "0A01|000", "0A01|00000", "0A010000 ", "0A01 0000",
                          " 0A01|000", "", "0A01|", "GA01|0000", "0A01:0000", "0A01||000"}) {
    EXPECT_FALSE(parsePackedCommand(bad).has_value()) << '"' << bad << '"';
  }
  EXPECT_FALSE(parsePackedCommand(nullptr).has_value());
  // Exactly ten readable bytes and no terminator where one is due: refused,
  // without reading an eleventh byte (the sanitizer build watches this).
  const char unterminated[10] = {'0', 'A', '0', '1', '|', '0', '0', '0', '0', 'X'};
  EXPECT_FALSE(parsePackedCommand(unterminated).has_value());
}

}  // namespace
}  // namespace fp::protocol
