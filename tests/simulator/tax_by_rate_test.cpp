// Totals by tax rate against figures worked out by hand. Ticket prices include
// the tax, invoice prices are net; the tax of each rate is rounded half up to
// the cent once, on the document's sum at that rate.
#include <gtest/gtest.h>

#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

struct Line {
  bool isReturn;
  const char* price;  // 11 digits, cents
  const char* rate;   // 4 digits, hundredths of a percent
};

struct Case {
  const char* name;
  bool invoice;
  std::vector<Line> lines;
  std::int64_t total, net, tax;  // in cents, worked out by hand
};

const std::vector<Case> kCases = {
    // 1.21 with 21 % inside: 1.21 / 1.21 = 1.00 net, 0.21 tax.
    {"ticket 1.21 at 21%", false, {{false, "00000000121", "2100"}}, 121, 100, 21},
    // 1.00 net plus 21 %: 0.21 tax, 1.21 in all.
    {"invoice 1.00 at 21%", true, {{false, "00000000100", "2100"}}, 121, 100, 21},
    {"ticket return takes back the same",
     false,
     {{false, "00000000121", "2100"},
      {false, "00000000100", "2100"},
      {true, "00000000121", "2100"}},
     100,
     83,
     17},
    {"invoice return takes back the same",
     true,
     {{false, "00000000100", "2100"},
      {false, "00000000200", "2100"},
      {true, "00000000100", "2100"}},
     242,
     200,
     42},
    // 1.00 * 21 / 121 = 0.1735...: 0.17 tax, 0.83 net.
    {"ticket 1.00 at 21% rounds down", false, {{false, "00000000100", "2100"}}, 100, 83, 17},
    // Two lines of 0.50: the tax is taken on 1.00 (0.17), not per line (0.09 + 0.09).
    {"ticket tax once per rate",
     false,
     {{false, "00000000050", "2100"}, {false, "00000000050", "2100"}},
     100,
     83,
     17},
    // 21 %: 0.17 of 1.00; 10.5 %: 1.00 * 10.5 / 110.5 = 0.0950: 0.10.
    {"ticket two rates",
     false,
     {{false, "00000000100", "2100"}, {false, "00000000100", "1050"}},
     200,
     173,
     27},
    // 0.05 * 10.5 % = 0.00525: half up to 0.01.
    {"invoice 0.05 at 10.5% rounds up", true, {{false, "00000000005", "1050"}}, 6, 5, 1},
};

class TaxByRateTest : public ModelTest {
 protected:
  void add(bool invoice, const Line& line) {
    const Button& base = invoice ? (line.isReturn ? kInvoiceItemReturn : kInvoiceItem)
                                 : (line.isReturn ? kTicketItemReturn : kTicketItem);
    ASSERT_EQ(press(withField(withField(base, 7, line.price), 8, line.rate)), sim::ReturnCode::kOk);
  }
};

TEST_F(TaxByRateTest, DocumentsAndTheDayMatchTheFiguresWorkedOutByHand) {
  std::int64_t dayTotal = 0;
  std::int64_t dayTax = 0;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    pressAll({c.invoice ? kInvoiceOpen : kTicketOpen});
    for (const Line& line : c.lines) add(c.invoice, line);
    EXPECT_EQ(printer_.document().total, c.total);
    EXPECT_EQ(printer_.document().net, c.net);
    EXPECT_EQ(printer_.document().tax, c.tax);
    pressAll(
        {c.invoice ? kInvoicePayment : kTicketPayment, c.invoice ? kInvoiceClose : kTicketClose});
    dayTotal += c.total;
    dayTax += c.tax;
  }
  EXPECT_EQ(printer_.day().total, dayTotal);
  EXPECT_EQ(printer_.day().tax, dayTax);
  // By rate: 21 % gathers every case but the 10.5 % lines.
  const sim::RateTable& rates = printer_.day().byRate;
  ASSERT_EQ(rates.size(), 2u);
  EXPECT_EQ(rates.at(1050), (sim::RateTotals{106, 95, 11}));
  EXPECT_EQ(rates.at(2100).gross + rates.at(1050).gross, dayTotal);
  EXPECT_EQ(rates.at(2100).tax + rates.at(1050).tax, dayTax);
  EXPECT_EQ(rates.at(2100).gross, rates.at(2100).net + rates.at(2100).tax);
  pressAll({kClosingX});
  EXPECT_NE(paper().find("IVA 10.50%" + std::string(26, ' ') + "0.11\n"), std::string::npos);
}

// A return at a rate the document did not sell at would turn the tax negative.
TEST_F(TaxByRateTest, AReturnIsRefusedBeyondWhatWasSoldAtItsRate) {
  pressAll({kTicketOpen, withField(withField(kTicketItem, 7, "00000000100"), 8, "0000")});
  expectRefused(withField(withField(kTicketItemReturn, 7, "00000000100"), 8, "2100"),
                sim::ReturnCode::kReturnExceedsSale);
  expectRefused(withField(withField(kTicketItemReturn, 7, "00000000101"), 8, "0000"),
                sim::ReturnCode::kReturnExceedsSale);
  EXPECT_EQ(printer_.document().tax, 0);
  EXPECT_EQ(printer_.document().bases.count(2100), 0u);
}

}  // namespace
}  // namespace sim_test
