// Event routing through MAINFORM and the event table.
#include "app/event_table.h"
#include "tests/spine/spine_fixture.h"

namespace {

using console::ControlId;
using spine_test::kControlIds;

class Routing : public spine_test::SpineTest {};

TEST(EventTable, IsSortedAndHoldsTwentyFiveDistinctPairs) {
  const auto& table = console::eventTable();
  for (std::size_t i = 1; i < table.size(); ++i) {
    EXPECT_LE(table[i - 1].control, table[i].control);
    EXPECT_FALSE(table[i - 1].control == table[i].control && table[i - 1].event == table[i].event);
  }
}

TEST(EventTable, EventIdentitiesHoldOverAllThirtyTwoBits) {
  EXPECT_EQ(console::kClick, static_cast<std::int32_t>(0xFFFFFDA8u));
  EXPECT_EQ(console::kSecondaryEvent, -2147405824);
  ASSERT_NE(console::findBinding(0x07000009, static_cast<std::int32_t>(0xFFFFFDA8u)), nullptr);
  ASSERT_NE(console::findBinding(0x0700000B, static_cast<std::int32_t>(0x80013000u)), nullptr);
  // Same low 16 bits, different high bits: not the same event or control.
  EXPECT_EQ(console::findBinding(0x07000009, 0x0000FDA8), nullptr);
  EXPECT_EQ(console::findBinding(0x0700000B, 0x00013000), nullptr);
  EXPECT_EQ(console::findBinding(0x17000009, console::kClick), nullptr);
}

// Every control without a click binding, and every unbound event shape, runs nothing.
TEST_F(Routing, UnboundPairsRunNothingAndChangeNothing) {
  const ControlId unboundClicks[] = {
      0x07000007, 0x07000016, 0x07000022, 0x07000025, 0x07000026, 0x07000027, 0x07000028,
      0x07000029, 0x0700002A, 0x0700002C, 0x0700002D, 0x0700002F, 0x07000031, console::kMainFormId};
  for (ControlId id : unboundClicks) EXPECT_EQ(click(id), 0) << std::hex << id;
  raise(0x07000009, console::kFormOpened);
  raise(0x07000009, console::kFormClosed);
  for (ControlId id : kControlIds) {
    if (id != 0x0700000B && id != 0x07000015 && id != 0x0700001A)
      raise(id, console::kSecondaryEvent);
  }
  EXPECT_TRUE(recorder_.calls().empty());
  EXPECT_EQ(totalPuts(), 0u);
}

TEST_F(Routing, SecondaryEventRunsTheEmptyProcedureOnItsThreeButtons) {
  for (ControlId id : {0x0700000Bu, 0x07000015u, 0x0700001Au}) {
    ASSERT_NE(console::findBinding(id, console::kSecondaryEvent), nullptr);
    EXPECT_EQ(raise(id, console::kSecondaryEvent), 0);
  }
  EXPECT_TRUE(recorder_.calls().empty());
  EXPECT_EQ(totalPuts(), 0u);
}

TEST_F(Routing, EachEventActivatesOnceAndEndsWithTheProcedureResult) {
  recorder_.setResult("SendCommandComplete", 55);
  click(0x07000007);  // unbound
  EXPECT_EQ(runtime_.activations(), 1);
  EXPECT_FALSE(runtime_.active());
  EXPECT_EQ(runtime_.lastProcedureResult(), 0);
  click(0x07000017);  // CIERRE Z: its result is SendCommandComplete's
  EXPECT_EQ(runtime_.activations(), 2);
  EXPECT_EQ(runtime_.lastProcedureResult(), 55);
}

TEST_F(Routing, ScratchAreaIsFreshForEveryEvent) {
  click(0x07000009);  // ABRIR TIQUE builds its packed text in the scratch area
  EXPECT_EQ(std::string(module_->scratch().data()), "0A01|0000");
  click(0x07000007);  // an unbound click still gets a fresh area
  for (char c : module_->scratch()) ASSERT_EQ(c, 0);
}

TEST_F(Routing, TwoClicksRunTheProcedureTwiceInFull) {
  recorder_.pushResult("getLastError", 3);
  recorder_.pushResult("getLastError", 4);
  click(0x0700000F);  // Texto NF
  click(0x0700000F);
  EXPECT_EQ(recorder_.calls().size(), 2u * 5u);
  ASSERT_EQ(estado().puts.size(), 2u);
  EXPECT_EQ(estado().shown, "4");
}

}  // namespace
