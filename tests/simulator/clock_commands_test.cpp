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

}  // namespace
}  // namespace sim_test
