// The real library, a real pseudo-terminal and the simulator process: the
// console's documents, the refusals, the closings, and faults on the line.
#include <gtest/gtest.h>

#include "protocol/status_words.h"
#include "simulator/model/return_code.h"
#include "tests/simulator/library_fixture.h"

namespace sim_test {
namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(LibraryTest, TheConsoleDocumentsSucceedInWindowOrder) {
  connect();
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen, kTicketItem, kTicketItemReturn, kTicketPayment, kTicketClose});
  EXPECT_NE(reply_.find("00000001"), std::string::npos) << reply_;  // the ticket's number
  pressAll({kInvoiceOpen, kInvoiceItem, kInvoiceItemReturn, kInvoicePayment, kInvoiceClose});
  pressAll({kNonFiscalOpen, kNonFiscalText, kNonFiscalClose});
  EXPECT_EQ(getFiscalStatus(), fiscal_status::kDayTotalsPending);
  EXPECT_EQ(simulator_->stat("commands_executed"), 13u);
  EXPECT_EQ(simulator_->stat("commands_refused"), 0u);

  const std::string paper = simulator_->paper();
  EXPECT_NE(paper.find("TIQUE                       Nro 00000001\n"), std::string::npos);
  EXPECT_NE(paper.find("FACTURA A                   Nro 00000001\n"), std::string::npos);
  EXPECT_NE(paper.find("Cliente: vela s.a.\n"), std::string::npos);
  EXPECT_NE(paper.find("\nPrueba documento NF\n"), std::string::npos);
  EXPECT_EQ(occurrences(paper, "SU VUELTO                         100.00\n"), 2u);
}

// The library reports a command the printer refused as 1000 + its return code.
int refusal(sim::ReturnCode code) {
  return 1000 + static_cast<int>(code);
}

TEST_F(LibraryTest, EachRefusalReachesTheLibraryWithItsOwnCode) {
  connect();
  ASSERT_EQ(openCode_, FP_OK);
  using sim::ReturnCode;
  const auto expectRefused = [&](const Button& button, ReturnCode code) {
    EXPECT_EQ(press(button), refusal(code)) << std::hex << button.word;
    EXPECT_EQ(getFiscalStatus() & fiscal_status::kCommandRefused, fiscal_status::kCommandRefused);
  };
  expectRefused(kTicketItem, ReturnCode::kOutOfOrder);  // no ticket open
  expectRefused(kNonFiscalClose, ReturnCode::kOutOfOrder);
  expectRefused(withField(kInvoiceOpen, 6, "D"), ReturnCode::kMalformedField);
  expectRefused(withField(kInvoiceOpen, 7, "30000000008"), ReturnCode::kBadTaxNumber);
  expectRefused(Button{0x0A03, 0x0000, {}, true}, ReturnCode::kUnknownCommand);
  pressAll({kTicketOpen});
  expectRefused(kTicketOpen, ReturnCode::kOutOfOrder);  // second opening
  expectRefused(kClosingZ, ReturnCode::kOutOfOrder);    // Z with a document open
  expectRefused(kTicketItemReturn, ReturnCode::kReturnExceedsSale);
  pressAll({withField(kTicketItem, 7, "00000020000")});
  expectRefused(kTicketClose, ReturnCode::kPaymentMissing);  // 200.00 unpaid
  EXPECT_EQ(simulator_->stat("commands_refused"), 9u);
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kTicketOpen, fiscal_status::kTicketOpen);
  EXPECT_EQ(press(kDrawerOpen), 0);
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kCommandRefused, 0);
}

TEST_F(LibraryTest, ClosingsAndDrawerBehaveThroughTheLink) {
  connect({"--z-ms", "1100"});  // longer than the library waits for a silent printer
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kClosingX, kJournalTotal});
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kDayTotalsPending, fiscal_status::kDayTotalsPending);
  pressAll({kDrawerOpen});
  EXPECT_EQ(getPrinterStatus() & printer_status::kDrawerOpen, printer_status::kDrawerOpen);

  pressAll({kClosingZ});
  EXPECT_EQ(getFiscalStatus() & fiscal_status::kDayTotalsPending, 0);
  EXPECT_EQ(getPrinterStatus() & printer_status::kDrawerOpen, 0);
  EXPECT_GE(simulator_->stat("still_working_sent"), 2u);
  pressAll({kClosingZ});
  const std::string paper = simulator_->paper();
  EXPECT_NE(paper.find("INFORME X Nro 0001"), std::string::npos);
  EXPECT_NE(paper.find("TOTAL JORNAL"), std::string::npos);
  EXPECT_NE(paper.find("CIERRE Z Nro 0001"), std::string::npos);
  EXPECT_NE(paper.find("CIERRE Z Nro 0002"), std::string::npos);
  EXPECT_EQ(simulator_->stat("executed.closing_z"), 2u);
}

// Every other reply is damaged: the library sends the command again with the
// same sequence number and the printer answers from its stored reply.
TEST_F(LibraryTest, ARetransmittedCommandIsNotExecutedTwice) {
  for (const std::string option : {"--corrupt-every", "--drop-every"}) {
    SCOPED_TRACE(option);
    connect({option, "2"});
    ASSERT_EQ(openCode_, FP_OK);
    pressAll({kTicketOpen, kTicketItem, kTicketItem, kTicketPayment, kTicketClose});
    EXPECT_EQ(simulator_->stat("commands_executed"), 5u);
    EXPECT_EQ(simulator_->stat("executed.ticket_item"), 2u);
    EXPECT_GE(simulator_->stat("retransmissions"), 2u);
    EXPECT_EQ(occurrences(simulator_->paper(), "Venta de item\n"), 2u);
    EXPECT_NE(simulator_->paper().find("TOTAL                               2.00\n"),
              std::string::npos);
    TearDown();
  }
}

TEST_F(LibraryTest, AReplyThatNeverArrivesIntactFailsButExecutedOnce) {
  connect({"--corrupt-every", "1"});
  ASSERT_EQ(openCode_, FP_OK);  // the handshake answer is never damaged
  EXPECT_NE(press(kNonFiscalOpen), 0);
  EXPECT_EQ(simulator_->stat("commands_executed"), 1u);
  EXPECT_GE(simulator_->stat("retransmissions"), 1u);
}

TEST_F(LibraryTest, ASlowLineAndALateReplyStillCompleteATicket) {
  connect({"--baud", "9600", "--delay-ms", "150"});
  ASSERT_EQ(openCode_, FP_OK);
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketClose});
  EXPECT_EQ(simulator_->stat("commands_executed"), 4u);
  EXPECT_EQ(simulator_->stat("retransmissions"), 0u);
}

TEST_F(LibraryTest, ASilentPrinterIsReportedAsAbsent) {
  connect({"--silent"});
  EXPECT_EQ(openCode_, FP_NO_PRINTER);
}

}  // namespace
}  // namespace sim_test
