// Port connection, port closing, the status query and the result display.
#include "tests/spine/spine_fixture.h"

namespace {

using console::ControlTable;
using console::kMainFormId;

class Port : public spine_test::SpineTest {};

TEST_F(Port, ConnectionMessageFollowsGetLastError) {
  const std::pair<int, std::string> cases[] = {{0, "Puerto Ok"},
                                               {1, "Puerto ocupado"},
                                               {2, "Puerto invalido"},
                                               {10, "Error de escritura verifique el impresor"},
                                               {3, ""},
                                               {9, ""},
                                               {11, ""},
                                               {-1, ""}};
  for (const auto& [code, message] : cases) {
    SCOPED_TRACE(code);
    console::ProgramRuntime runtime{errors_};
    console::ConsoleModule module(runtime, testing_support::recordingLibraryPath());
    spine_test::TestControl box;
    console::ControlTable table;
    table.set(ControlTable::kComunicacion, &box);
    recorder_.reset();
    recorder_.setResult("getLastError", code);
    module.MAINFORM(table, kMainFormId, console::kFormOpened, 0, 0);
    EXPECT_EQ(box.shown, message);
    EXPECT_EQ(box.puts.size(), message.empty() ? 0u : 1u);
    if (!message.empty()) {
      EXPECT_EQ(box.puts[0].valueType, console::kTextValueType);
    }
  }
}

TEST_F(Port, OpenPortResultIsIgnoredOnlyTheLastErrorCounts) {
  recorder_.setResult("OpenPort", 2);
  recorder_.setResult("getLastError", 0);
  raise(kMainFormId, console::kFormOpened);
  EXPECT_EQ(comunicacion().shown, "Puerto Ok");
}

TEST_F(Port, ConnectSequenceSharesOneAreaAndPassesSettingsByValue) {
  raise(kMainFormId, console::kFormOpened);
  const auto calls = recorder_.calls();
  ASSERT_EQ(recorder_.names(),
            (std::vector<std::string>{"Purge", "GetAPIVersion", "setComPort", "setBaudRate",
                                      "setProtocolType", "OpenPort", "getLastError"}));
  EXPECT_EQ(calls[0].address, calls[1].address);
  EXPECT_EQ(calls[1].address, calls[5].address);
  EXPECT_EQ(calls[0].areaAllZero, 1);
  EXPECT_EQ(calls[2].intArg, 1);
  EXPECT_EQ(calls[3].intArg, 115200);
  EXPECT_EQ(calls[4].intArg, 1);
  // What GetAPIVersion left in the area is what OpenPort receives.
  EXPECT_EQ(testing_support::atAddressOf(calls[5]), std::string("recording 1.0") + '\0');
}

TEST_F(Port, CloseRunsOnceWithItsOwnAreaEvenAfterAFailedConnection) {
  recorder_.setResult("getLastError", 2);
  raise(kMainFormId, console::kFormOpened);
  const void* connectionArea = recorder_.calls()[0].address;
  recorder_.reset();
  raise(kMainFormId, console::kFormClosed);
  const auto calls = recorder_.calls();
  ASSERT_EQ(recorder_.names(), std::vector<std::string>{"ClosePort"});
  EXPECT_NE(calls[0].address, connectionArea);
  EXPECT_EQ(calls[0].areaAllZero, 1);
  EXPECT_EQ(comunicacion().shown, "Puerto invalido");
}

TEST_F(Port, CommandAfterFailedConnectionStillSendsAndShowsTheCode) {
  recorder_.setResult("getLastError", 1);
  raise(kMainFormId, console::kFormOpened);
  click(0x07000014);  // ABRIR CAJON1
  EXPECT_EQ(estado().shown, "1");
  EXPECT_EQ(comunicacion().shown, "Puerto ocupado");
}

class Status : public spine_test::SpineTest {};

TEST_F(Status, QueryShowsBothWordsInOrderAndTouchesNothingElse) {
  const std::pair<int, int> words[] = {{0, 0}, {-5, 2147483647}, {-2147483647 - 1, 17}};
  for (const auto& [printer, fiscal] : words) {
    recorder_.reset();
    recorder_.setResult("getPrinterStatus", printer);
    recorder_.setResult("getFiscalStatus", fiscal);
    click(0x07000015);
    EXPECT_EQ(recorder_.names(), (std::vector<std::string>{"getPrinterStatus", "getFiscalStatus"}));
    EXPECT_EQ(at(ControlTable::kCm1).shown, std::to_string(printer));
    EXPECT_EQ(at(ControlTable::kCm2).shown, std::to_string(fiscal));
    // Cm1 is set after the first call and before the second.
    EXPECT_EQ(at(ControlTable::kCm1).puts.back().libraryCallsBefore, 1u);
  }
  EXPECT_TRUE(estado().puts.empty());
  EXPECT_TRUE(comunicacion().puts.empty());
}

TEST_F(Status, ClosingsLeaveTheLastCodeOrTheEmptyDisplay) {
  click(0x07000018);  // CIERRE X before any command: ESTADO stays empty
  EXPECT_EQ(estado().shown, "");
  recorder_.setResult("getLastError", -42);
  click(0x07000009);
  EXPECT_EQ(estado().shown, "-42");
  recorder_.setResult("getLastError", 0);
  for (console::ControlId closing : {0x07000017u, 0x07000018u, 0x07000019u}) click(closing);
  EXPECT_EQ(estado().shown, "-42");
  EXPECT_EQ(estado().puts.size(), 1u);
}

}  // namespace
