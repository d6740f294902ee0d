// The printer's clock through its commands, which the console has no button
// for: reading it, and (clock-set) setting it within the fiscal rules.
#include <gtest/gtest.h>

#include "contract/command_set.h"
#include "tests/simulator/model_fixture.h"

namespace sim_test {
namespace {

using sim::ReturnCode;

// The command of the row called `name`, with `fields`.
sim::Command rowCommand(std::string_view name, std::vector<std::string> fields = {}) {
  const fp::contract::CommandRow* row = fp::contract::findCommand(name);
  EXPECT_NE(row, nullptr) << name;
  return row == nullptr ? sim::Command{}
                        : sim::Command{row->command.value, row->extension.value, std::move(fields)};
}

std::int64_t wall(const char* date, const char* time) {
  const std::optional<std::int64_t> seconds = sim::wallSeconds(date, time);
  EXPECT_TRUE(seconds) << date << " " << time;
  return seconds.value_or(0);
}

class ClockTest : public ModelTest {
 protected:
  ClockTest() {
    printer_.setWallClock([this] { return system_; });
  }
  sim::Reply run(const sim::Command& command) { return printer_.execute(command); }

  std::int64_t system_ = wall("20260102", "100000");  // the system's local time
};

TEST_F(ClockTest, ReadingTheClockGivesItsDateAndTimeAtAnyMoment) {
  struct Case {
    const char* name;
    std::int64_t system;
    std::vector<Button> before;
    std::vector<std::string> fields;  // sent
    ReturnCode code;
    std::vector<std::string> reply;
  };
  const Case cases[] = {
      {"idle", wall("20260102", "100000"), {}, {}, ReturnCode::kOk, {"20260102", "100000"}},
      {"a ticket open",
       wall("20261231", "235959"),
       {kTicketOpen},
       {},
       ReturnCode::kOk,
       {"20261231", "235959"}},
      {"a leap day", wall("20280229", "000001"), {}, {}, ReturnCode::kOk, {"20280229", "000001"}},
      {"with a field", wall("20260102", "100000"), {}, {"x"}, ReturnCode::kMalformedField, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.restore(sim::FiscalState{}, true);
    for (const Button& button : c.before) ASSERT_EQ(press(button), ReturnCode::kOk);
    system_ = c.system;
    const std::string paper = this->paper();
    const sim::Reply reply = run(rowCommand("clock-read", c.fields));
    EXPECT_EQ(reply.outcome.code, c.code);
    EXPECT_EQ(reply.outcome.fields, c.reply);
    EXPECT_EQ(this->paper(), paper) << "reading the clock prints nothing";
  }
}

// The date rule's edges: the last Z was made on 2026-01-02 at 10:00; the
// clock may go to that day at any hour, not to the day before, and only
// between days.
TEST_F(ClockTest, SettingTheClockKeepsTheFiscalDayFromRunningBackwards) {
  struct Case {
    const char* name;
    std::vector<Button> before;  // after a Z at 2026-01-02 10:00:00
    std::vector<std::string> fields;
    ReturnCode code;
    std::vector<std::string> read;  // the clock 90 s later
  };
  const std::vector<std::string> unchanged = {"20260102", "100130"};
  const Case cases[] = {
      {"same day as the last Z, earlier hour",
       {},
       {"20260102", "080000"},
       ReturnCode::kOk,
       {"20260102", "080130"}},
      {"a later day, just before midnight",
       {},
       {"20270315", "235959"},
       ReturnCode::kOk,
       {"20270316", "000129"}},
      {"the last second the clock can show: it stops there",
       {},
       {"99991231", "235959"},
       ReturnCode::kOk,
       {"99991231", "235959"}},
      {"one day before the last Z", {}, {"20260101", "235959"}, ReturnCode::kOutOfOrder, unchanged},
      {"a document open",
       {kNonFiscalOpen},
       {"20260103", "080000"},
       ReturnCode::kOutOfOrder,
       unchanged},
      {"day totals pending",
       {kNonFiscalOpen, kNonFiscalClose},
       {"20260103", "080000"},
       ReturnCode::kOutOfOrder,
       unchanged},
      {"no such day", {}, {"20260230", "080000"}, ReturnCode::kMalformedField, unchanged},
      {"no such hour", {}, {"20260103", "240000"}, ReturnCode::kMalformedField, unchanged},
      {"a short date", {}, {"2026013", "080000"}, ReturnCode::kMalformedField, unchanged},
      {"the time missing", {}, {"20260103"}, ReturnCode::kMalformedField, unchanged},
      {"a field too many", {}, {"20260103", "080000", ""}, ReturnCode::kMalformedField, unchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    printer_.restore(sim::FiscalState{}, true);
    system_ = wall("20260102", "100000");
    ASSERT_EQ(press(kClosingZ), ReturnCode::kOk);
    ASSERT_EQ(printer_.lastClosingAt(), "2026-01-02 10:00:00");
    for (const Button& button : c.before) ASSERT_EQ(press(button), ReturnCode::kOk);
    const sim::Reply set = run(rowCommand("clock-set", c.fields));
    EXPECT_EQ(set.outcome.code, c.code);
    system_ += 90;  // the clock runs on from where it was set
    EXPECT_EQ(run(rowCommand("clock-read")).outcome.fields, c.read);
    EXPECT_EQ(set.outcome.fields,
              c.code == ReturnCode::kOk ? c.fields : std::vector<std::string>{});
  }
}

// A new printer, with no Z yet, takes any real date; its Z then carries it.
TEST_F(ClockTest, ASetClockDatesTheNextZ) {
  ASSERT_EQ(run(rowCommand("clock-set", {"19991231", "235900"})).outcome.code, ReturnCode::kOk);
  system_ += 120;
  ASSERT_EQ(press(kClosingZ), ReturnCode::kOk);
  EXPECT_EQ(printer_.lastClosingAt(), "2000-01-01 00:01:00");
  EXPECT_EQ(run(rowCommand("clock-set", {"19991231", "235900"})).outcome.code,
            ReturnCode::kOutOfOrder);
}

}  // namespace
}  // namespace sim_test
