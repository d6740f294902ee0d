// A session over an in-memory line: frames go in as bytes, what the printer
// sends is recorded and decoded.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "simulator/link/session.h"
#include "tests/simulator/console_buttons.h"

namespace sim_test {

namespace proto = fp::protocol;

// What the session sent, in order: single link bytes and whole frames.
class RecordingLine : public sim::ReplyLine {
 public:
  struct Sent {
    enum class Way { kReply, kAnswer, kNow } way;
    proto::Bytes bytes;
  };
  void sendReply(std::span<const std::uint8_t> f) override { add(Sent::Way::kReply, f); }
  void sendAnswer(std::span<const std::uint8_t> f) override { add(Sent::Way::kAnswer, f); }
  void sendNow(std::span<const std::uint8_t> f) override { add(Sent::Way::kNow, f); }

  std::vector<Sent> sent;

 private:
  void add(Sent::Way way, std::span<const std::uint8_t> bytes) {
    sent.push_back({way, proto::Bytes(bytes.begin(), bytes.end())});
  }
};

inline proto::Bytes commandFrame(std::uint8_t sequence, const Button& button) {
  proto::Bytes body;
  proto::encodeCommand({sequence, button.word, button.extension, button.fields}, body);
  return proto::encodeFrame(body);
}

inline proto::Bytes helloFrame(std::uint8_t sequence) {
  return commandFrame(sequence, Button{proto::kHelloCommand, 0, {}, true});
}

// The reply carried by a recorded frame; fails the test when it is not one.
inline proto::ReplyMessage decodeReply(const proto::Bytes& frame) {
  proto::FrameDecoder decoder;
  std::vector<proto::DecodedEvent> events;
  decoder.feed(frame, events);
  proto::ReplyMessage reply;
  EXPECT_EQ(events.size(), 1u);
  if (events.size() == 1 && events[0].kind == proto::DecodedEvent::Kind::Frame) {
    EXPECT_EQ(proto::parseReply(events[0].body, reply), proto::MessageError::None);
  } else {
    ADD_FAILURE() << "not an intact frame";
  }
  return reply;
}

class LinkTest : public ::testing::Test {
 protected:
  explicit LinkTest(std::uint32_t longCommandMs = 300)
      : roll_(paper_), printer_(roll_), session_(printer_, stats_, line_, longCommandMs) {}

  void send(const proto::Bytes& bytes) { session_.receive(bytes); }

  // The reply frames sent so far, decoded.
  std::vector<proto::ReplyMessage> replies() const {
    std::vector<proto::ReplyMessage> decoded;
    for (const auto& sent : line_.sent) {
      if (sent.bytes.size() > 1) decoded.push_back(decodeReply(sent.bytes));
    }
    return decoded;
  }

  // The single link bytes sent so far, in order.
  proto::Bytes linkBytes() const {
    proto::Bytes bytes;
    for (const auto& sent : line_.sent) {
      if (sent.bytes.size() == 1) bytes.push_back(sent.bytes[0]);
    }
    return bytes;
  }

  std::ostringstream paper_;
  sim::PaperRoll roll_;
  sim::FiscalPrinter printer_;
  sim::Stats stats_;
  RecordingLine line_;
  sim::Session session_;
};

}  // namespace sim_test
