// The printer's side of the link: acknowledgement, replies, each sequence
// number executed once, "still working" during a Z closing.
#include <gtest/gtest.h>

#include <random>

#include "protocol/status_words.h"
#include "tests/simulator/link_fixture.h"

namespace sim_test {
namespace {

using Way = RecordingLine::Sent::Way;

TEST_F(LinkTest, HandshakeIsAcknowledgedAndAnsweredWithTheIdentification) {
  send(helloFrame(7));
  ASSERT_EQ(line_.sent.size(), 2u);
  EXPECT_EQ(line_.sent[0].bytes, proto::Bytes{proto::kAck});
  EXPECT_EQ(line_.sent[1].way, Way::kAnswer);  // never damaged by the fault options
  const proto::ReplyMessage reply = decodeReply(line_.sent[1].bytes);
  EXPECT_EQ(reply.sequence, 7);
  EXPECT_EQ(reply.returnCode, 0);
  EXPECT_EQ(reply.fields, (std::vector<std::string>{"IMPRESOR FISCAL VIRTUAL", "1.0"}));
  EXPECT_EQ(stats_.handshakes, 1u);
  EXPECT_EQ(stats_.commandsExecuted, 0u);
}

TEST_F(LinkTest, CommandsSplitAnyWayAreEachExecutedOnce) {
  proto::Bytes stream = helloFrame(1);
  for (const auto& frame : {commandFrame(2, kTicketOpen), commandFrame(3, kTicketItem),
                            commandFrame(4, kTicketPayment), commandFrame(5, kTicketClose)}) {
    stream.insert(stream.end(), frame.begin(), frame.end());
  }
  for (const std::uint8_t byte : stream) send(proto::Bytes{byte});

  const auto all = replies();
  ASSERT_EQ(all.size(), 5u);
  for (std::size_t i = 1; i < all.size(); ++i) {
    EXPECT_EQ(all[i].sequence, i + 1);
    EXPECT_EQ(all[i].returnCode, 0) << i;
  }
  EXPECT_EQ(all[2].fields, std::vector<std::string>{"00000000100"});  // running total
  EXPECT_EQ(linkBytes(), proto::Bytes(5, proto::kAck));
  EXPECT_EQ(stats_.commandsExecuted, 4u);
  EXPECT_EQ(stats_.executedByCommand["ticket_item"], 1u);
  EXPECT_EQ(printer_.day().tickets, 1u);
}

TEST_F(LinkTest, RepliesCarryTheStatusWordsAndTheRefusalCode) {
  send(commandFrame(1, kTicketItem));  // no ticket open
  send(commandFrame(2, kTicketOpen));
  const auto all = replies();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].returnCode, static_cast<std::uint16_t>(sim::ReturnCode::kOutOfOrder));
  EXPECT_EQ(all[0].fiscalStatus & fiscal_status::kCommandRefused, fiscal_status::kCommandRefused);
  EXPECT_EQ(all[1].returnCode, 0);
  EXPECT_EQ(all[1].fiscalStatus, fiscal_status::kTicketOpen);
  EXPECT_EQ(stats_.commandsRefused, 1u);
}

// The refusal bit describes the reply it travels in, whatever came before.
TEST_F(LinkTest, EachReplysRefusalBitDescribesThatReply) {
  proto::Bytes unreadable;
  proto::encodeCommand({3, 0x0A01, 0x0000, {"x"}}, unreadable);
  unreadable.pop_back();
  send(commandFrame(1, kTicketOpen));    // accepted
  send(proto::encodeFrame(unreadable));  // code 3 after an accepted command
  send(commandFrame(4, kTicketOpen));    // refused: a ticket is open
  send(helloFrame(5));                   // the handshake after a refusal
  send(commandFrame(6, kTicketCancel));  // accepted
  const auto all = replies();
  ASSERT_EQ(all.size(), 5u);
  for (const auto& reply : all) {
    EXPECT_EQ((reply.fiscalStatus & fiscal_status::kCommandRefused) != 0, reply.returnCode != 0)
        << "reply " << int(reply.sequence);
  }
}

TEST_F(LinkTest, ARepeatedSequenceNumberGetsTheStoredReplyWithoutExecuting) {
  send(commandFrame(1, kTicketOpen));
  send(commandFrame(2, kTicketItem));
  send(commandFrame(2, kTicketItem));  // the host did not get the reply and sends again
  EXPECT_EQ(printer_.document().total, 100);
  EXPECT_EQ(printer_.document().itemLines, 1u);
  EXPECT_EQ(stats_.commandsExecuted, 2u);
  EXPECT_EQ(stats_.retransmissions, 1u);
  ASSERT_EQ(line_.sent.size(), 6u);
  EXPECT_EQ(line_.sent[5].bytes, line_.sent[3].bytes);  // the very same reply
  EXPECT_EQ(line_.sent[4].bytes, proto::Bytes{proto::kAck});

  send(commandFrame(3, kTicketItem));  // a new number is a new command
  EXPECT_EQ(printer_.document().total, 200);
}

TEST_F(LinkTest, AHandshakeStartsTheNumberingAfresh) {
  send(commandFrame(1, kNonFiscalOpen));
  send(helloFrame(0));
  send(commandFrame(1, kNonFiscalText));  // same number as before the handshake
  EXPECT_EQ(printer_.document().textLines, 1u);
  EXPECT_EQ(stats_.retransmissions, 0u);
}

TEST_F(LinkTest, ADamagedFrameGetsNakAndIsNotExecuted) {
  proto::Bytes frame = commandFrame(1, kTicketOpen);
  frame[3] ^= 0x40;
  send(frame);
  EXPECT_EQ(linkBytes(), proto::Bytes{proto::kNak});
  EXPECT_TRUE(replies().empty());
  EXPECT_EQ(stats_.framesRejected, 1u);
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kNone);

  send(commandFrame(1, kTicketOpen));  // sent again intact
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kTicket);
}

TEST_F(LinkTest, AnIntactFrameWithAnUnreadableBodyIsRefusedAsMalformed) {
  proto::Bytes body;
  proto::encodeCommand({9, 0x0A01, 0x0000, {"x"}}, body);
  body.pop_back();  // the field is one byte short of its length
  send(proto::encodeFrame(body));
  EXPECT_EQ(linkBytes(), proto::Bytes{proto::kAck});
  const auto all = replies();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].sequence, 9);
  EXPECT_EQ(all[0].returnCode, static_cast<std::uint16_t>(sim::ReturnCode::kMalformedField));
  EXPECT_EQ(stats_.commandsExecuted, 0u);
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kNone);
}

TEST_F(LinkTest, ZClosingSaysStillWorkingBetweenAckAndReply) {
  send(commandFrame(1, kClosingZ));
  // 300 ms of work at one DC2 per 250 ms: at the start and after 250 ms.
  ASSERT_EQ(line_.sent.size(), 4u);
  EXPECT_EQ(line_.sent[0].bytes, proto::Bytes{proto::kAck});
  EXPECT_EQ(line_.sent[1].bytes, proto::Bytes{proto::kWorking});
  EXPECT_EQ(line_.sent[2].bytes, proto::Bytes{proto::kWorking});
  EXPECT_EQ(decodeReply(line_.sent[3].bytes).fields, std::vector<std::string>{"0001"});
  EXPECT_EQ(stats_.stillWorkingSent, 2u);

  send(commandFrame(2, kClosingX));  // short commands answer straight away
  EXPECT_EQ(line_.sent.size(), 6u);
  send(commandFrame(3, kNonFiscalOpen));
  send(commandFrame(4, kClosingZ));  // refused: a document is open
  EXPECT_EQ(stats_.stillWorkingSent, 2u);
  EXPECT_EQ(stats_.executedByCommand["closing_z"], 1u);
  EXPECT_EQ(stats_.refusedByCommand["closing_z"], 1u);
  EXPECT_EQ(decodeReply(line_.sent.back().bytes).returnCode,
            static_cast<std::uint16_t>(sim::ReturnCode::kOutOfOrder));
}

}  // namespace
}  // namespace sim_test

namespace sim_test {
namespace {

// Any command the line can carry, known or not, with any field contents, gets
// exactly one reply and leaves the printer answering normally.
TEST_F(LinkTest, ArbitraryCommandsAlwaysGetOneReply) {
  std::mt19937 random(20261209);
  const auto pick = [&random](std::uint32_t below) {
    return static_cast<std::uint32_t>(random() % below);
  };
  const std::vector<Button> known = {
      kTicketOpen,     kTicketItem,   kTicketItemReturn, kTicketPayment,
      kTicketClose,    kTicketCancel, kInvoiceOpen,      kInvoiceItem,
      kInvoicePayment, kInvoiceClose, kNonFiscalOpen,    kNonFiscalText,
      kNonFiscalClose, kClosingX,     kJournalTotal,     kDrawerOpen};
  const std::string alphabet = std::string("0123456789 TI\x02\x1b\xff", 17) + "abc";
  constexpr int kCommands = 3000;
  for (int i = 0; i < kCommands; ++i) {
    Button button = known[pick(static_cast<std::uint32_t>(known.size()))];
    if (pick(4) == 0) button.word = static_cast<std::uint16_t>(pick(0x10000));
    for (std::string& field : button.fields) {
      if (pick(3) != 0) continue;
      field.assign(pick(14), ' ');
      for (char& c : field) c = alphabet[pick(static_cast<std::uint32_t>(alphabet.size()))];
    }
    if (pick(5) == 0) button.fields.resize(pick(20));
    send(commandFrame(static_cast<std::uint8_t>(i), button));
  }
  const auto all = replies();
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kCommands));
  for (int i = 0; i < kCommands; ++i) EXPECT_EQ(all[i].sequence, i % 256);
  EXPECT_EQ(stats_.commandsExecuted, static_cast<std::uint64_t>(kCommands));
  EXPECT_GT(stats_.commandsExecuted, stats_.commandsRefused);  // some did go through

  // Whatever is open can still be ended, and the day reported.
  send(commandFrame(1, kTicketCancel));
  send(commandFrame(2, kInvoiceCancel));
  send(commandFrame(3, kNonFiscalClose));
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kNone);
  send(commandFrame(4, kClosingX));
  EXPECT_EQ(replies().back().returnCode, 0);
}

}  // namespace
}  // namespace sim_test
