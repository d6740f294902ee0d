// Complete documents made with the console's own buttons, in window order.
#include <gtest/gtest.h>

#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

using sim::ReturnCode;

TEST_F(ModelTest, TicketFromTheConsoleButtonsKeepsRunningTotals) {
  ASSERT_EQ(press(kTicketOpen), ReturnCode::kOk);
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kTicketOpen, fiscal_status::kTicketOpen);

  const sim::Reply afterSale = reply(kTicketItem);
  ASSERT_EQ(afterSale.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(afterSale.outcome.fields, std::vector<std::string>{"00000000100"});
  EXPECT_EQ(printer_.document().total, 100);
  EXPECT_EQ(printer_.document().tax, 17);  // 21 % contained in 1.00, rounded

  ASSERT_EQ(press(kTicketItem), ReturnCode::kOk);
  const sim::Reply afterReturn = reply(kTicketItemReturn);
  ASSERT_EQ(afterReturn.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(afterReturn.outcome.fields, std::vector<std::string>{"00000000100"});

  const sim::Reply afterPayment = reply(kTicketPayment);
  ASSERT_EQ(afterPayment.outcome.code, ReturnCode::kOk);
  // Nothing left to pay, 99.00 change on 100.00 paid for 1.00.
  EXPECT_EQ(afterPayment.outcome.fields, (std::vector<std::string>{"00000000000", "00000009900"}));
  EXPECT_EQ(afterPayment.fiscalStatus & fiscal_status::kPaymentStarted,
            fiscal_status::kPaymentStarted);

  const sim::Reply closed = reply(kTicketClose);
  ASSERT_EQ(closed.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(closed.outcome.fields, std::vector<std::string>{"00000001"});
  EXPECT_EQ(closed.fiscalStatus & (fiscal_status::kTicketOpen | fiscal_status::kPaymentStarted), 0);
  EXPECT_EQ(printer_.day().tickets, 1u);
  EXPECT_EQ(printer_.day().total, 100);
  EXPECT_EQ(printer_.day().returns, 100);
}

TEST_F(ModelTest, TicketPaperShowsItemsTotalPaymentAndChange) {
  completeTicket();
  const std::string roll = paper();
  EXPECT_NE(roll.find("TIQUE                       Nro 00000001\n"), std::string::npos);
  EXPECT_NE(roll.find("Venta de item\n"), std::string::npos);
  EXPECT_NE(roll.find("DEVOLUCION Venta de item\n"), std::string::npos);
  EXPECT_NE(roll.find("  1.0000 x 1.00 (21.00%)           -1.00\n"), std::string::npos);
  EXPECT_NE(roll.find("TOTAL                               0.00\n"), std::string::npos);
  EXPECT_NE(roll.find("Efectivo                          100.00\n"), std::string::npos);
  EXPECT_NE(roll.find("SU VUELTO                         100.00\n"), std::string::npos);
  // Close field 7 feeds three blank lines after the closing rule.
  EXPECT_NE(roll.find(std::string(40, '=') + "\n\n\n\n"), std::string::npos);
  for (std::size_t start = 0, end; (end = roll.find('\n', start)) != std::string::npos;
       start = end + 1) {
    EXPECT_LE(end - start, sim::PaperRoll::kColumns) << roll.substr(start, end - start);
  }
}

TEST_F(ModelTest, InvoiceAddsTaxToNetPricesAndPrintsTheCustomer) {
  pressAll({kInvoiceOpen, kInvoiceItem, kInvoiceItem, kInvoiceItemReturn});
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kInvoiceOpen, fiscal_status::kInvoiceOpen);
  EXPECT_EQ(printer_.document().net, 100);
  EXPECT_EQ(printer_.document().tax, 21);
  EXPECT_EQ(printer_.document().total, 121);
  pressAll({kInvoicePayment, kInvoiceClose});
  EXPECT_EQ(printer_.day().invoices, 1u);
  EXPECT_EQ(printer_.day().tax, 21);

  const std::string roll = paper();
  EXPECT_NE(roll.find("FACTURA A                   Nro 00000001\n"), std::string::npos);
  EXPECT_NE(roll.find("Cliente: vela s.a.\n"), std::string::npos);
  EXPECT_NE(roll.find("\ncalle falsa 1\n"), std::string::npos);  // trailing spaces trimmed
  EXPECT_NE(roll.find("CUIT: 30000000007"), std::string::npos);
  EXPECT_NE(roll.find("IVA                                 0.21\n"), std::string::npos);
  EXPECT_NE(roll.find("TOTAL                               1.21\n"), std::string::npos);
}

TEST_F(ModelTest, TicketAndInvoiceNumbersRunSeparately) {
  completeTicket();
  pressAll({kInvoiceOpen, kInvoiceItem, kInvoicePayment, kInvoiceClose});
  const sim::Reply second = reply(kTicketOpen);
  EXPECT_EQ(second.outcome.fields, std::vector<std::string>{"00000002"});
  EXPECT_EQ(printer_.numbering().invoice, 1u);
}

TEST_F(ModelTest, CancelDiscardsTheDocumentFromTheDayTotals) {
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketCancel});
  EXPECT_EQ(printer_.document().kind, sim::DocumentKind::kNone);
  EXPECT_EQ(printer_.day().cancelled, 1u);
  EXPECT_EQ(printer_.day().total, 0);
  EXPECT_NE(paper().find("*** CANCELADO ***"), std::string::npos);
  pressAll({kInvoiceOpen, kInvoiceItem, kInvoiceCancel});
  EXPECT_EQ(printer_.day().cancelled, 2u);
}

TEST_F(ModelTest, NonFiscalDocumentPrintsEachTextLine) {
  pressAll({kNonFiscalOpen, kNonFiscalText, kNonFiscalText});
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kNonFiscalOpen, fiscal_status::kNonFiscalOpen);
  EXPECT_EQ(printer_.document().textLines, 2u);
  pressAll({kNonFiscalClose});
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kNonFiscalOpen, 0);
  EXPECT_EQ(printer_.day().nonFiscal, 1u);
  const std::string roll = paper();
  EXPECT_NE(roll.find("DOCUMENTO NO FISCAL"), std::string::npos);
  EXPECT_NE(roll.find("Prueba documento NF\nPrueba documento NF\n"), std::string::npos);
  EXPECT_NE(roll.find("NO VALIDO COMO FACTURA"), std::string::npos);
}

TEST_F(ModelTest, OptionalTextFieldsPrintAsExtraLines) {
  pressAll({kTicketOpen, withField(kTicketItem, 1, "Codigo 778899"), kTicketPayment,
            withField(kTicketClose, 2, "Gracias por su compra")});
  EXPECT_NE(paper().find("Codigo 778899\nVenta de item\n"), std::string::npos);
  EXPECT_NE(paper().find("Gracias por su compra\n"), std::string::npos);
}

TEST_F(ModelTest, DrawerBitStaysUntilTheNextDocumentOpens) {
  EXPECT_EQ(reply(kDrawerOpen).printerStatus & printer_status::kDrawerOpen,
            printer_status::kDrawerOpen);
  EXPECT_EQ(reply(kClosingX).printerStatus & printer_status::kDrawerOpen,
            printer_status::kDrawerOpen);
  EXPECT_EQ(reply(kTicketOpen).printerStatus & printer_status::kDrawerOpen, 0);
  EXPECT_EQ(reply(kDrawerOpen).outcome.code, ReturnCode::kOk);  // allowed inside a document
}

}  // namespace
}  // namespace sim_test
