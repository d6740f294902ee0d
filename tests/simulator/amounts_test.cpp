// Fixed-width numeric fields, line amounts, tax and the tax number check digit.
#include "simulator/model/amounts.h"

#include <gtest/gtest.h>

#include "simulator/model/tax_number.h"

namespace {

TEST(Amounts, DigitsMustHaveTheExactWidth) {
  EXPECT_EQ(sim::parseDigits("000010000", 9), 10000);
  EXPECT_EQ(sim::parseDigits("00000000100", 11), 100);
  EXPECT_FALSE(sim::parseDigits("00010000", 9));
  EXPECT_FALSE(sim::parseDigits("0000100000", 9));
  EXPECT_FALSE(sim::parseDigits("0000 0000", 9));
  EXPECT_FALSE(sim::parseDigits("+00010000", 9));
  EXPECT_FALSE(sim::parseDigits("", 0));
}

TEST(Amounts, LineAmountRoundsHalfUpAndStopsAtElevenDigits) {
  EXPECT_EQ(sim::lineAmount(10000, 100), 100);  // 1 x 1.00
  EXPECT_EQ(sim::lineAmount(15000, 99), 149);   // 1.5 x 0.99 = 1.485
  EXPECT_EQ(sim::lineAmount(5000, 1), 1);       // 0.5 x 0.01 = 0.005
  EXPECT_EQ(sim::lineAmount(4999, 1), 0);
  EXPECT_EQ(sim::lineAmount(10000, sim::kMaxAmountCents), sim::kMaxAmountCents);
  EXPECT_FALSE(sim::lineAmount(10001, sim::kMaxAmountCents));
  EXPECT_FALSE(sim::lineAmount(999999999, 99999999999));  // would overflow 64 bits
}

TEST(Amounts, TaxIncludedAndAdded) {
  EXPECT_EQ(sim::includedTax(121, 2100), 21);
  EXPECT_EQ(sim::includedTax(100, 2100), 17);  // 17.36
  EXPECT_EQ(sim::addedTax(100, 2100), 21);
  EXPECT_EQ(sim::addedTax(50, 1050), 5);  // 5.25
  EXPECT_EQ(sim::includedTax(100, 0), 0);
}

TEST(TaxNumber, CheckDigitOverTheFirstTenDigits) {
  EXPECT_TRUE(sim::isValidTaxNumber("30000000007"));
  EXPECT_TRUE(sim::isValidTaxNumber("20123456786"));
  EXPECT_FALSE(sim::isValidTaxNumber("20123456787"));
  EXPECT_FALSE(sim::isValidTaxNumber("3000000007"));  // ten digits
  EXPECT_FALSE(sim::isValidTaxNumber("300000000070"));
  EXPECT_FALSE(sim::isValidTaxNumber("3000000000a"));
  for (char last = '0'; last <= '9'; ++last) {
    EXPECT_EQ(sim::isValidTaxNumber(std::string("3000000000") + last), last == '7') << last;
  }
}

TEST(TaxNumber, ElevenBecomesZeroAndTenIsNeverValid) {
  // 20000000001: sum 10 -> check 1. 11000000000: sum 9 -> check 2.
  EXPECT_TRUE(sim::isValidTaxNumber("20000000001"));
  // 00000000000: sum 0 -> 11 -> 0.
  EXPECT_TRUE(sim::isValidTaxNumber("00000000000"));
  // 2000000001x: sum 10+2 = 12, 12 mod 11 = 1 -> check 10: no last digit fits.
  for (char last = '0'; last <= '9'; ++last) {
    EXPECT_FALSE(sim::isValidTaxNumber(std::string("2000000001") + last)) << last;
  }
}

}  // namespace
