// The shared oracle: each fiscalctl command hands the library exactly the calls,
// bytes, lengths and standing bytes that the console's button hands it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <sstream>

#include "contract/command_set.h"
#include "fiscalctl/command_names.h"
#include "printer/port_connection.h"
#include "protocol/wire.h"
#include "tests/fiscalctl/fiscalctl_run.h"
#include "tests/support/expected_commands.h"
#include "tests/support/recorder.h"

namespace fiscalctl_test {
namespace {

using testing_support::Case;

std::string hex(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char byte : bytes) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text.empty() ? "-" : text;
}

// The command's own calls as "AddDataField LENGTH BYTES STANDING" (the bytes
// standing at the address count only for an empty field, as in the window's
// suites), then "SendCommand AREA-ZERO" or "SendCommandComplete TEXT".
std::vector<std::string> expectedCalls(const Case& c) {
  std::vector<std::string> lines;
  for (const testing_support::Field& field : c.fields) {
    lines.push_back("AddDataField " + std::to_string(field.length) + " " + hex(field.bytes) + " " +
                    (field.length == 0 ? hex(field.atAddress) : "*"));
  }
  lines.push_back(c.packed.empty() ? "SendCommand 1"
                                   : "SendCommandComplete " + hex(c.packed + '\0'));
  return lines;
}

// The same from the recording library's dump: the calls after the port was
// opened (its getFiscalStatus) up to the send.
std::vector<std::string> commandCalls(const std::string& dump) {
  std::vector<std::string> lines;
  std::istringstream in(dump);
  bool opened = false;
  for (std::string line; std::getline(in, line);) {
    std::istringstream columns(line);
    std::string name, length, bytes, standing, areaZero;
    columns >> name >> length >> bytes >> standing >> areaZero;
    if (!opened) {
      opened = name == "getFiscalStatus";
    } else if (name == "AddDataField") {
      lines.push_back(name + " " + length + " " + bytes + " " + (length == "0" ? standing : "*"));
    } else if (name == "SendCommand") {
      lines.push_back(name + " " + areaZero);
      break;
    } else if (name == "SendCommandComplete") {
      lines.push_back(name + " " + bytes);
      break;
    }
  }
  return lines;
}

class ConsoleBytes : public ::testing::TestWithParam<Case> {};

TEST_P(ConsoleBytes, AreTheButtonsBytes) {
  const Case& c = GetParam();
  const fiscalctl::NamedCommand* named = nullptr;
  for (const auto& command : fiscalctl::namedCommands()) {
    if (command.row != nullptr && command.row->procedure == c.procedure) named = &command;
  }
  ASSERT_NE(named, nullptr) << c.procedure << " has no fiscalctl name";
  TempDir dir;
  const Result run =
      fiscalctl({"--library", testing_support::recordingLibraryPath(), std::string(named->name)},
                {"REC_DUMP_FILE=" + dir.file("calls")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(commandCalls(readFile(dir.file("calls"))), expectedCalls(c)) << named->name;
}

INSTANTIATE_TEST_SUITE_P(EveryButton, ConsoleBytes, ::testing::ValuesIn(testing_support::cases()),
                         [](const auto& param) { return std::string(param.param.procedure); });

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// fiscalctl opens the port with the calls of the console's PortConnect, in its
// order, with its values and the same bytes in the areas (GetAPIVersion's text
// still in the area OpenPort gets): the console's dump, made in this process,
// is the start of fiscalctl's.
TEST(ConsoleBytes, TheOpeningIsTheConsoles) {
  TempDir dir;
  ::setenv("REC_DUMP_FILE", dir.file("console").c_str(), 1);
  {
    std::ostringstream errors;
    console::ProgramRuntime runtime(errors);
    console::PrinterLibrary library(runtime, testing_support::recordingLibraryPath());
    console::ControlTable controls;
    console::ScratchArea scratch{};
    console::PortStorage port;
    console::PortConnect(library, {controls, scratch}, port);
    EXPECT_EQ(errors.str(), "");
  }
  ::unsetenv("REC_DUMP_FILE");
  const std::vector<std::string> console = linesOf(readFile(dir.file("console")));
  ASSERT_EQ(console.size(), 7u);  // Purge ... OpenPort, getLastError

  const Result run = fiscalctl({"--library", testing_support::recordingLibraryPath(), "status"},
                               {"REC_DUMP_FILE=" + dir.file("fiscalctl")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> opening = linesOf(readFile(dir.file("fiscalctl")));
  ASSERT_GT(opening.size(), console.size());
  opening.resize(console.size());
  EXPECT_EQ(opening, console);
}

TEST(CommandNames, NameEveryConsoleCommandOnceAndStatus) {
  EXPECT_EQ(fiscalctl::namedCommands().size(), fp::contract::commandTable().size() + 1);
  // The names a trace and the watch stream give: the row's, the handshake's, the words.
  EXPECT_EQ(fp::contract::commandLabel(0x0A02, 0x0001), "ticket-return");
  EXPECT_EQ(fp::contract::commandLabel(fp::protocol::kHelloCommand, 0), "hello");
  EXPECT_EQ(fp::contract::commandLabel(0x0A09, 0x0000), "0A09|0000");
  const Result list = fiscalctl({"list"});
  EXPECT_EQ(count(list.out, "\n"), static_cast<int>(fp::contract::commandTable().size()) + 1);
  EXPECT_NE(list.out.find("ticket-item      0A02|0000  15 fields      \"ITEM + (ticket)\""),
            std::string::npos)
      << list.out;
}

}  // namespace
}  // namespace fiscalctl_test
