// The fiscal memory report the printer prints by Z range (memory-report),
// which the console has no button for: what it accepts and refuses. Its
// figures over a restart of the memory: tests/simulator/memory_test.cpp.
#include <gtest/gtest.h>

#include "contract/command_set.h"
#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

using sim::ReturnCode;

sim::Command report(std::vector<std::string> fields) {
  const fp::contract::CommandRow* row = fp::contract::findCommand("memory-report");
  EXPECT_NE(row, nullptr);
  return row == nullptr ? sim::Command{}
                        : sim::Command{row->command.value, row->extension.value, std::move(fields)};
}

// Without a memory the printer reports the Z closings it made since it
// started: here Z 1 (a ticket of 1.21) and Z 2 (an empty day).
TEST_F(ModelTest, TheMemoryReportTakesARangeWithAZAndPrintsOnlyWhenItCan) {
  pressAll({kTicketOpen, withField(kTicketItem, 7, "00000000121"), kTicketPayment, kTicketClose,
            kClosingZ, kClosingZ});
  struct Case {
    const char* name;
    std::vector<std::string> fields;
    ReturnCode code;
    std::vector<std::string> reply;  // Z closings printed, the range's total
  };
  const Case cases[] = {
      {"both", {"0001", "0002"}, ReturnCode::kOk, {"0002", "00000000121"}},
      {"one", {"0001", "0001"}, ReturnCode::kOk, {"0001", "00000000121"}},
      {"past the last Z", {"0002", "0009"}, ReturnCode::kOk, {"0001", "00000000000"}},
      {"no Z in the range", {"0003", "0005"}, ReturnCode::kMalformedField, {}},
      {"first after last", {"0002", "0001"}, ReturnCode::kMalformedField, {}},
      {"Z 0", {"0000", "0001"}, ReturnCode::kMalformedField, {}},
      {"not four digits", {"1", "2"}, ReturnCode::kMalformedField, {}},
      {"the last missing", {"0001"}, ReturnCode::kMalformedField, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = paper();
    const sim::Reply reply = printer_.execute(report(c.fields));
    EXPECT_EQ(reply.outcome.code, c.code);
    EXPECT_EQ(reply.outcome.fields, c.reply);
    EXPECT_EQ(paper() == before, c.code != ReturnCode::kOk) << "printed only when accepted";
  }
  // What every printing command obeys, and not with a document open.
  printer_.setCoverOpen(true);
  expectRefused(Button{0x0903, 0, {"0001", "0002"}, false}, ReturnCode::kCoverOpen);
  printer_.setCoverOpen(false);
  pressAll({kNonFiscalOpen});
  expectRefused(Button{0x0903, 0, {"0001", "0002"}, false}, ReturnCode::kOutOfOrder);
}

// A power cut without a memory forgets the closings, as it forgets the day.
TEST_F(ModelTest, WithoutAMemoryARestartForgetsTheClosings) {
  pressAll({kClosingZ});
  EXPECT_EQ(printer_.execute(report({"0001", "0001"})).outcome.code, ReturnCode::kOk);
  printer_.restore(sim::FiscalState{}, true);
  EXPECT_EQ(printer_.execute(report({"0001", "0001"})).outcome.code, ReturnCode::kMalformedField);
}

// A Z whose lines did not all reach the paper did not happen: it is not
// reported either.
class ShortRollReport : public ModelTest {
 protected:
  ShortRollReport() : ModelTest(10) {}
};

TEST_F(ShortRollReport, AZUndoneForWantOfPaperIsNotReported) {
  EXPECT_EQ(press(kClosingZ), ReturnCode::kPaperOut);
  roll_.loadNewRoll();
  EXPECT_EQ(printer_.execute(report({"0001", "0001"})).outcome.code, ReturnCode::kMalformedField);
}

}  // namespace
}  // namespace sim_test
