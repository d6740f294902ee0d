// Missing library and entry points, PropertyPut value forms, start-up order.
#include <climits>

#include "app/process_entry.h"
#include "tests/spine/spine_fixture.h"

namespace {

using console::ControlTable;
using console::kMainFormId;

class MissingLibrary : public spine_test::SpineTest {
 protected:
  MissingLibrary() : SpineTest("no-such-directory/libfiscalprinter.so.1") {}
};

TEST_F(MissingLibrary, ConsoleSaysSoAndEveryCallYieldsMinusOne) {
  EXPECT_FALSE(module_->library().loaded());
  raise(kMainFormId, console::kFormOpened);
  EXPECT_EQ(comunicacion().shown, "Biblioteca del impresor no encontrada");
  click(0x0700000B);  // ITEM +: every step still runs, the code shown is -1
  EXPECT_EQ(estado().shown, "-1");
  click(0x07000015);
  EXPECT_EQ(at(ControlTable::kCm1).shown, "-1");
  EXPECT_EQ(at(ControlTable::kCm2).shown, "-1");
  raise(kMainFormId, console::kFormClosed);
  // One line on standard error per call that could not be made, naming the call.
  const std::string log = errors_.str();
  EXPECT_EQ(runtime_.errorsReported(), 7 + 19 + 2 + 1);  // connect, ITEM +, status, close
  EXPECT_NE(log.find("cannot call OpenPort"), std::string::npos);
  EXPECT_NE(log.find("no-such-directory"), std::string::npos);
  EXPECT_FALSE(runtime_.errorFlagged());
}

class MissingEntryPoints : public spine_test::SpineTest {
 protected:
  MissingEntryPoints() : SpineTest(testing_support::partialRecordingLibraryPath()) {}
};

TEST_F(MissingEntryPoints, MissingCallsYieldMinusOneAndTheRestStillRun) {
  testing_support::Recorder partial(testing_support::partialRecordingLibraryPath());
  raise(kMainFormId, console::kFormOpened);
  // The library is there, so no message is chosen for -1; the other calls ran.
  EXPECT_EQ(comunicacion().shown, "");
  EXPECT_EQ(partial.names(), (std::vector<std::string>{"Purge", "GetAPIVersion", "setComPort",
                                                       "setBaudRate", "setProtocolType"}));
  click(0x07000009);
  EXPECT_EQ(estado().shown, "-1");
  const std::string log = errors_.str();
  EXPECT_NE(log.find("no entry point OpenPort"), std::string::npos);
  EXPECT_NE(log.find("no entry point getLastError"), std::string::npos);
  EXPECT_NE(log.find(testing_support::partialRecordingLibraryPath()), std::string::npos);
  EXPECT_EQ(runtime_.errorsReported(), 3);
}

TEST(PropertyPut, ValueFormsAreExact) {
  spine_test::TestControl control;
  ControlTable table;
  table.set(5, &control);

  console::PropertyPut(table, 5, console::Property::Text, "Puerto Ok");
  EXPECT_EQ(control.puts.back().valueType, 0x02014008u);
  EXPECT_EQ(control.shown, "Puerto Ok");
  const console::TextField field = console::makeTextField("ab");
  EXPECT_EQ(field.size(), 8192u);
  EXPECT_EQ(std::string(field.data(), 4), "ab  ");
  EXPECT_EQ(field.back(), ' ');

  EXPECT_EQ(console::numericValue(INT_MIN), static_cast<std::int64_t>(INT_MIN) * 10000);
  EXPECT_EQ(console::numericValue(INT_MAX), 21474836470000LL);
  for (int n : {0, 7, -1, 1000, INT_MAX, INT_MIN}) {
    console::PropertyPut(table, 5, console::Property::Caption, n);
    EXPECT_EQ(control.puts.back().valueType, 0x02014006u);
    EXPECT_EQ(control.shown, std::to_string(n));
  }
  EXPECT_EQ(console::PropertyPut(table, 6, console::Property::Caption, 1), -1) << "no control";
}

TEST(PropertyPut, DisplayRulesForTextAndNumbers) {
  EXPECT_EQ(console::displayText(console::kTextValueType,
                                 console::makeTextField("  lead and trail   ").data()),
            "  lead and trail");
  EXPECT_EQ(console::displayText(console::kTextValueType, console::makeTextField("").data()), "");
  const std::int64_t fraction = -12345;  // not produced by the console, shown faithfully
  EXPECT_EQ(console::displayText(console::kNumberValueType, &fraction), "-1.2345");
  const std::int64_t small = -5;
  EXPECT_EQ(console::displayText(console::kNumberValueType, &small), "-0.0005");
  EXPECT_EQ(console::displayText(0x1234, &small), "");
  EXPECT_EQ(console::displayText(console::kNumberValueType, nullptr), "");
}

class RecordingForms : public console::FormsRuntime {
 public:
  explicit RecordingForms(console::ProgramRuntime& runtime) : runtime_(runtime) {}
  void markMainProgram() override { steps.push_back("mark"); }
  std::int32_t run(int argc, char** argv) override {
    steps.push_back("run users=" + std::to_string(runtime_.users()) +
                    " args=" + std::to_string(argc) + ":" + argv[1]);
    return 42;
  }
  std::vector<std::string> steps;

 private:
  console::ProgramRuntime& runtime_;
};

TEST(ProcessEntry, StepsRunInOrderAndTheFormsResultIsTheExitCode) {
  std::ostringstream errors;
  console::ProgramRuntime runtime(errors);
  RecordingForms forms(runtime);
  char program[] = "fiscal-console";
  char argument[] = "-unread";
  char* argv[] = {program, argument, nullptr};
  EXPECT_EQ(console::processEntry(runtime, forms, 2, argv), 42);
  EXPECT_EQ(forms.steps, (std::vector<std::string>{"mark", "run users=1 args=2:-unread"}));
  EXPECT_EQ(runtime.users(), 0);
  EXPECT_TRUE(runtime.released());
}

TEST(ProcessEntry, RuntimeStaysWhileAnotherUserRemains) {
  std::ostringstream errors;
  console::ProgramRuntime runtime(errors);
  runtime.registerUser();
  RecordingForms forms(runtime);
  char program[] = "fiscal-console";
  char argument[] = "x";
  char* argv[] = {program, argument, nullptr};
  console::processEntry(runtime, forms, 2, argv);
  EXPECT_FALSE(runtime.released());
}

}  // namespace
