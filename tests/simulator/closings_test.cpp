// X report and journal total report without reset; Z closes the day.
#include <gtest/gtest.h>

#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

using sim::ReturnCode;

TEST_F(ModelTest, XAndJournalTotalReportWithoutReset) {
  pressAll({kTicketOpen, kTicketItem, kTicketPayment, kTicketClose});
  const sim::Reply x = reply(kClosingX);
  ASSERT_EQ(x.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(x.outcome.fields, std::vector<std::string>{"0001"});
  const sim::Reply journal = reply(kJournalTotal);
  ASSERT_EQ(journal.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(journal.outcome.fields, (std::vector<std::string>{"00000001", "00000000100"}));
  EXPECT_EQ(reply(kClosingX).outcome.fields, std::vector<std::string>{"0002"});
  EXPECT_EQ(printer_.day().tickets, 1u);
  EXPECT_EQ(printer_.day().total, 100);
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kDayTotalsPending,
            fiscal_status::kDayTotalsPending);
  EXPECT_EQ(printer_.numbering().zClosing, 0u);
  const std::string roll = paper();
  EXPECT_NE(roll.find("INFORME X Nro 0001"), std::string::npos);
  EXPECT_NE(roll.find("TOTAL JORNAL"), std::string::npos);
  EXPECT_NE(roll.find("Tiques                                 1\n"), std::string::npos);
}

TEST_F(ModelTest, ZIsNumberedAndResetsTheDayButNotDocumentNumbers) {
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kDayTotalsPending, 0);
  pressAll(
      {kTicketOpen, kTicketItem, kTicketPayment, kTicketClose, kNonFiscalOpen, kNonFiscalClose});
  EXPECT_EQ(printer_.fiscalStatus() & fiscal_status::kDayTotalsPending,
            fiscal_status::kDayTotalsPending);

  const sim::Reply z = reply(kClosingZ);
  ASSERT_EQ(z.outcome.code, ReturnCode::kOk);
  EXPECT_EQ(z.outcome.fields, std::vector<std::string>{"0001"});
  EXPECT_EQ(z.fiscalStatus & fiscal_status::kDayTotalsPending, 0);
  EXPECT_TRUE(printer_.day().isEmpty());
  EXPECT_EQ(printer_.day().total, 0);
  EXPECT_NE(paper().find("CIERRE Z Nro 0001"), std::string::npos);
  EXPECT_NE(paper().find("TOTAL                               1.00\n"), std::string::npos);

  EXPECT_EQ(reply(kJournalTotal).outcome.fields,
            (std::vector<std::string>{"00000000", "00000000000"}));
  EXPECT_EQ(reply(kClosingZ).outcome.fields, std::vector<std::string>{"0002"});
  EXPECT_EQ(reply(kTicketOpen).outcome.fields, std::vector<std::string>{"00000002"});
}

TEST_F(ModelTest, ZWithADocumentOpenIsRefusedAndWorksAfterTheClose) {
  pressAll({kNonFiscalOpen});
  EXPECT_EQ(press(kClosingZ), ReturnCode::kOutOfOrder);
  EXPECT_EQ(printer_.numbering().zClosing, 0u);
  pressAll({kNonFiscalClose, kClosingZ});
  EXPECT_EQ(printer_.numbering().zClosing, 1u);
}

TEST_F(ModelTest, ZTakesLongAndOnlyZ) {
  const sim::CommandInfo* z = sim::FiscalPrinter::find(0x0801, 0x0C00);
  ASSERT_NE(z, nullptr);
  EXPECT_TRUE(z->takesLong);
  EXPECT_FALSE(sim::FiscalPrinter::find(0x0802, 0x0C21)->takesLong);
  EXPECT_EQ(sim::FiscalPrinter::find(0x0801, 0x0C21), nullptr);
}

}  // namespace
}  // namespace sim_test

namespace sim_test {
namespace {

// Z and X numbers have four digits, document numbers eight: after the
// largest, numbering starts again at 1 and no reply field grows a digit.
// Z numbers never start again: after Z 9999 the fiscal memory is full. X and
// document numbers roll over.
TEST_F(ModelTest, ZNumbersStopAt9999WhenTheMemoryIsFull) {
  for (int z = 1; z < 9999; ++z) ASSERT_EQ(press(kClosingZ), sim::ReturnCode::kOk);
  EXPECT_EQ(reply(kClosingZ).outcome.fields, std::vector<std::string>{"9999"});
  out_.str("");
  const sim::Reply full = reply(kClosingZ);
  EXPECT_EQ(full.outcome.code, sim::ReturnCode::kMemoryFull);
  EXPECT_EQ(full.fiscalStatus & fiscal_status::kMemoryFull, fiscal_status::kMemoryFull);
  EXPECT_EQ(paper(), "");
  EXPECT_EQ(printer_.numbering().zClosing, 9999u);

  const std::vector<std::tuple<std::uint32_t, int, std::uint32_t>> series = {
      {0, 4, 1}, {9998, 4, 9999}, {9999, 4, 1}, {99'999'998, 8, 99'999'999}, {99'999'999, 8, 1}};
  for (const auto& [last, digits, next] : series) EXPECT_EQ(sim::nextSerial(last, digits), next);
}

}  // namespace
}  // namespace sim_test
