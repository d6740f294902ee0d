// Every command button sends exactly the expected calls, bytes and lengths.
#include <string>
#include <vector>

#include "contract/command_set.h"
#include "tests/spine/spine_fixture.h"
#include "tests/support/expected_commands.h"

namespace {

using testing_support::atAddressOf;
using testing_support::bytesOf;
using testing_support::Case;
using testing_support::cases;

class CommandBytes : public spine_test::SpineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CommandBytes, ClickSendsExactCallsBytesAndLengths) {
  const Case& c = GetParam();
  recorder_.setResult("getLastError", 7);
  click(c.button);
  const auto calls = recorder_.calls();

  ASSERT_EQ(recorder_.names(), testing_support::expectedNames(c));

  for (std::size_t i = 0; i < c.fields.size(); ++i) {
    SCOPED_TRACE("field call " + std::to_string(i + 1));
    EXPECT_EQ(calls[i].intArg, c.fields[i].length);
    EXPECT_EQ(bytesOf(calls[i]), c.fields[i].bytes);
    if (c.fields[i].length == 0) {
      EXPECT_EQ(atAddressOf(calls[i]), c.fields[i].atAddress);
    }
  }
  if (c.packed.empty()) {
    EXPECT_EQ(calls[c.fields.size()].areaAllZero, 1) << "command area starts zero-filled";
  } else {
    EXPECT_EQ(bytesOf(calls[0]), c.packed + '\0') << "nine characters and one zero byte";
  }
  if (c.resultStep) {
    EXPECT_EQ(estado().shown, "7");
    EXPECT_EQ(estado().puts.back().valueType, console::kNumberValueType);
  } else {
    EXPECT_TRUE(estado().puts.empty()) << "closings leave ESTADO alone";
  }
  EXPECT_EQ(totalPuts(), c.resultStep ? 1u : 0u);
}

TEST_P(CommandBytes, SecondClickSendsIdenticalBytes) {
  const Case& c = GetParam();
  click(c.button);
  const auto first = recorder_.calls();
  recorder_.reset();
  click(c.button);
  const auto second = recorder_.calls();
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_STREQ(first[i].name, second[i].name);
    EXPECT_EQ(bytesOf(first[i]), bytesOf(second[i]));
    EXPECT_EQ(first[i].intArg, second[i].intArg);
    EXPECT_EQ(first[i].address, second[i].address) << "module storage, not temporaries";
  }
}

INSTANTIATE_TEST_SUITE_P(AllCommands, CommandBytes, ::testing::ValuesIn(cases()),
                         [](const auto& param) { return std::string(param.param.procedure); });

class SharedAddresses : public spine_test::SpineTest {};

// The empty fields of one command stand at one address; each field-list command
// hands its own command area to SendCommand.
TEST_F(SharedAddresses, EmptyFieldsShareAddressAndAreasAreOwnPerProcedure) {
  click(0x0700000B);  // ticket ITEM +
  auto calls = recorder_.calls();
  const void* first = calls[2].address;
  for (std::size_t i : {3u, 4u, 5u, 10u, 11u, 12u, 13u, 16u}) EXPECT_EQ(calls[i].address, first);
  const void* itemArea = calls[17].address;

  recorder_.reset();
  click(0x07000012);  // ticket Pago
  calls = recorder_.calls();
  for (std::size_t i = 3; i <= 6; ++i) EXPECT_EQ(calls[i].address, calls[2].address);
  EXPECT_NE(calls[9].address, itemArea);

  recorder_.reset();
  click(0x07000011);  // ticket ITEM -: its own area, though its fields equal ITEM +
  EXPECT_NE(recorder_.calls()[17].address, itemArea);
}

TEST(CommandTable, PackedTextsSpellTheirWords) {
  for (const fp::contract::CommandRow* spec : fp::contract::commandTable()) {
    if (spec->sending != fp::contract::Sending::Packed) continue;
    char expected[16];
    std::snprintf(expected, sizeof expected, "%04X|%04X", spec->command.value,
                  spec->extension.value);
    EXPECT_EQ(std::string(spec->packed.data(), spec->packed.size()), expected) << spec->name;
  }
}

}  // namespace
