// Each refusal has its own return code and leaves the fiscal state unchanged.
#include <gtest/gtest.h>

#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

using sim::ReturnCode;

TEST_F(ModelTest, CommandsOutOfOrderAreRefused) {
  expectRefused(kTicketItem, ReturnCode::kOutOfOrder);  // no document
  expectRefused(kTicketPayment, ReturnCode::kOutOfOrder);
  expectRefused(kTicketClose, ReturnCode::kOutOfOrder);
  expectRefused(kTicketCancel, ReturnCode::kOutOfOrder);
  expectRefused(kNonFiscalClose, ReturnCode::kOutOfOrder);  // closing what is not open
  expectRefused(kNonFiscalText, ReturnCode::kOutOfOrder);

  pressAll({kTicketOpen});
  expectRefused(kTicketOpen, ReturnCode::kOutOfOrder);  // a second opening
  expectRefused(kInvoiceOpen, ReturnCode::kOutOfOrder);
  expectRefused(kNonFiscalOpen, ReturnCode::kOutOfOrder);
  expectRefused(kInvoiceItem, ReturnCode::kOutOfOrder);    // item of another document
  expectRefused(kTicketPayment, ReturnCode::kOutOfOrder);  // nothing sold yet
  expectRefused(kClosingZ, ReturnCode::kOutOfOrder);       // Z with a document open
  expectRefused(kClosingX, ReturnCode::kOutOfOrder);
  expectRefused(kJournalTotal, ReturnCode::kOutOfOrder);

  pressAll({kTicketItem, kTicketPayment});
  expectRefused(kTicketItem, ReturnCode::kOutOfOrder);     // items end with the first payment
  expectRefused(kTicketPayment, ReturnCode::kOutOfOrder);  // already paid in full
}

TEST_F(ModelTest, RefusedBitClearsWithTheNextAcceptedCommand) {
  EXPECT_EQ(reply(kTicketClose).fiscalStatus & fiscal_status::kCommandRefused,
            fiscal_status::kCommandRefused);
  EXPECT_EQ(reply(kDrawerOpen).fiscalStatus & fiscal_status::kCommandRefused, 0);
}

TEST_F(ModelTest, MalformedItemFieldsAreRefused) {
  pressAll({kTicketOpen});
  expectRefused(withField(kTicketItem, 5, "    "), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 6, "00001000"), ReturnCode::kMalformedField);  // 8 digits
  expectRefused(withField(kTicketItem, 6, "00001000x"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 6, "000000000"), ReturnCode::kMalformedField);  // zero
  expectRefused(withField(kTicketItem, 7, "-0000000100"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 8, "21.0"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 13, ""), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 14, "7"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 16, ""), ReturnCode::kMalformedField);  // one field too many
  expectRefused(withField(kTicketItem, 1, std::string("bad\x01text")), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketItem, 1, std::string(41, 'x')), ReturnCode::kMalformedField);
  EXPECT_EQ(press(withField(kTicketItem, 1, std::string(40, 'x'))), ReturnCode::kOk);
}

TEST_F(ModelTest, MalformedPaymentCloseAndOpeningFieldsAreRefused) {
  expectRefused(withField(kTicketOpen, 1, "x"), ReturnCode::kMalformedField);
  expectRefused(withField(kInvoiceOpen, 1, ""), ReturnCode::kMalformedField);   // no name
  expectRefused(withField(kInvoiceOpen, 6, "D"), ReturnCode::kMalformedField);  // tax id kind
  expectRefused(withField(kInvoiceOpen, 8, "C"), ReturnCode::kMalformedField);  // category
  expectRefused(withField(kInvoiceOpen, 7, "3000000000"), ReturnCode::kMalformedField);
  pressAll({kTicketOpen, kTicketItem});
  expectRefused(withField(kTicketPayment, 6, "8"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketPayment, 7, "00000000000"), ReturnCode::kMalformedField);
  expectRefused(withField(kTicketClose, 7, ""), ReturnCode::kMalformedField);
  pressAll({kTicketPayment});
  expectRefused(withField(kTicketClose, 7, "10"), ReturnCode::kMalformedField);
}

TEST_F(ModelTest, InvoiceCustomerWithAWrongCheckDigitIsRefused) {
  expectRefused(withField(kInvoiceOpen, 7, "30000000008"), ReturnCode::kBadTaxNumber);
  expectRefused(withField(kInvoiceOpen, 7, "20000000010"), ReturnCode::kBadTaxNumber);
  EXPECT_EQ(press(withField(kInvoiceOpen, 7, "20000000001")), ReturnCode::kOk);
}

TEST_F(ModelTest, ReturnBeyondTheSalesIsRefused) {
  pressAll({kTicketOpen});
  expectRefused(kTicketItemReturn, ReturnCode::kReturnExceedsSale);
  pressAll({kTicketItem, kTicketItemReturn});
  expectRefused(kTicketItemReturn, ReturnCode::kReturnExceedsSale);
}

TEST_F(ModelTest, CloseWithoutEnoughPaymentIsRefused) {
  pressAll({kTicketOpen, withField(kTicketItem, 7, "00000020000")});  // 200.00
  expectRefused(kTicketClose, ReturnCode::kPaymentMissing);
  pressAll({kTicketPayment});  // 100.00 of 200.00
  EXPECT_EQ(reply(kTicketPayment).outcome.fields,
            (std::vector<std::string>{"00000000000", "00000000000"}));
  EXPECT_EQ(press(kTicketClose), ReturnCode::kOk);
}

TEST_F(ModelTest, AmountsBeyondElevenDigitsAreRefused) {
  pressAll({kTicketOpen});
  const Button huge = withField(withField(kTicketItem, 6, "999990000"), 7, "99999999999");
  expectRefused(huge, ReturnCode::kAmountTooLarge);
  const Button big = withField(kTicketItem, 7, "60000000000");  // 600 000 000.00
  pressAll({big});
  expectRefused(big, ReturnCode::kAmountTooLarge);  // the total would pass the limit
}

TEST_F(ModelTest, UnknownCommandOrExtensionIsRefused) {
  expectRefused((Button{0x0A03, 0x0000, {}, true}), ReturnCode::kUnknownCommand);
  expectRefused((Button{0x0A02, 0x0002, kTicketItem.fields, false}), ReturnCode::kUnknownCommand);
  expectRefused((Button{0x0801, 0x0000, {}, true}), ReturnCode::kUnknownCommand);
}

class ShortRollTest : public ModelTest {
 protected:
  ShortRollTest() : ModelTest(30) {}
};

TEST_F(ShortRollTest, PaperRunsLowThenOutAndPrintingStops) {
  EXPECT_EQ(printer_.printerStatus() & printer_status::kPaperLow, 0);
  pressAll({kNonFiscalOpen, kNonFiscalText, kNonFiscalText, kNonFiscalText, kNonFiscalText});
  pressAll({kNonFiscalText, kNonFiscalText});  // 4 header lines + 6 text lines: 20 left
  EXPECT_EQ(printer_.printerStatus() & printer_status::kPaperLow, printer_status::kPaperLow);
  while (!roll_.isOut()) ASSERT_EQ(press(kNonFiscalText), ReturnCode::kOk);
  expectRefused(kNonFiscalText, ReturnCode::kPaperOut);
  EXPECT_EQ(printer_.printerStatus() & printer_status::kPaperOut, printer_status::kPaperOut);
  EXPECT_EQ(press(kDrawerOpen), ReturnCode::kOk);  // the drawer does not print
  EXPECT_EQ(roll_.printedLines(), 30u);
}

// A roll whose stream fails, or one that ends in the middle of a command:
// the command is refused as paper out and the fiscal state is as before.
TEST(PaperTrouble, ACommandThatLosesLinesIsRefusedAndUndone) {
  struct Failing : std::streambuf {
    int_type overflow(int_type) override { return traits_type::eof(); }
  } failing;
  std::ostream broken(&failing);
  std::ostringstream kept;
  for (auto [out, lines] : {std::pair<std::ostream*, std::size_t>{&broken, 0}, {&kept, 3}}) {
    sim::PaperRoll roll(*out, lines);
    sim::FiscalPrinter printer(roll);
    const sim::Reply open = printer.execute(toCommand(kTicketOpen));  // four lines
    EXPECT_EQ(open.outcome.code, ReturnCode::kPaperOut);
    EXPECT_EQ(open.printerStatus & printer_status::kPaperOut, printer_status::kPaperOut);
    EXPECT_EQ(open.fiscalStatus, fiscal_status::kCommandRefused);
    EXPECT_EQ(printer.document().kind, sim::DocumentKind::kNone);
    EXPECT_EQ(printer.numbering().ticket, 0u);
    EXPECT_EQ(printer.execute(toCommand(kClosingX)).outcome.code, ReturnCode::kPaperOut);
    EXPECT_EQ(printer.execute(toCommand(kDrawerOpen)).outcome.code, ReturnCode::kOk);
  }
}

}  // namespace
}  // namespace sim_test
