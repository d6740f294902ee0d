// A fiscal model printing on an in-memory roll, driven by console buttons.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "protocol/status_words.h"
#include "simulator/model/fiscal_printer.h"
#include "tests/simulator/console_buttons.h"

namespace sim_test {

inline sim::Command toCommand(const Button& button) {
  return sim::Command{button.word, button.extension, button.fields};
}

class ModelTest : public ::testing::Test {
 protected:
  explicit ModelTest(std::size_t rollLines = 0) : roll_(out_, rollLines), printer_(roll_) {}

  sim::ReturnCode press(const Button& button) {
    return printer_.execute(toCommand(button)).outcome.code;
  }

  sim::Reply reply(const Button& button) { return printer_.execute(toCommand(button)); }

  // Presses every button in order and expects each to be accepted.
  void pressAll(std::initializer_list<Button> buttons) {
    for (const Button& button : buttons) {
      ASSERT_EQ(press(button), sim::ReturnCode::kOk)
          << std::hex << button.word << "|" << button.extension;
    }
  }

  // Presses `button` and expects `code`, with no line printed and nothing in
  // the document or the day changed.
  void expectRefused(const Button& button, sim::ReturnCode code) {
    SCOPED_TRACE(testing::Message() << std::hex << button.word << "|" << button.extension);
    const std::string paperBefore = paper();
    const sim::Document documentBefore = printer_.document();
    const sim::DayTotals dayBefore = printer_.day();
    const sim::Reply refused = reply(button);
    EXPECT_EQ(refused.outcome.code, code);
    EXPECT_EQ(refused.fiscalStatus & fiscal_status::kCommandRefused,
              fiscal_status::kCommandRefused);
    EXPECT_EQ(paper(), paperBefore);
    EXPECT_EQ(printer_.document().kind, documentBefore.kind);
    EXPECT_EQ(printer_.document().total, documentBefore.total);
    EXPECT_EQ(printer_.document().itemLines, documentBefore.itemLines);
    EXPECT_EQ(printer_.document().paid, documentBefore.paid);
    EXPECT_EQ(printer_.day().total, dayBefore.total);
    EXPECT_EQ(printer_.day().cancelled, dayBefore.cancelled);
  }

  void completeTicket() {
    pressAll({kTicketOpen, kTicketItem, kTicketItemReturn, kTicketPayment, kTicketClose});
  }

  std::string paper() const { return out_.str(); }

  std::ostringstream out_;
  sim::PaperRoll roll_;
  sim::FiscalPrinter printer_;
};

}  // namespace sim_test
