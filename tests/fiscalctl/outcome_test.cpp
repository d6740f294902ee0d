// What fiscalctl makes of the library's codes and bytes: the exit status of a
// run, JSON that a real parser reads back, and which fields N=VALUE may edit.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "fiscalctl/output.h"
#include "fiscalctl/request.h"
#include "tests/fiscalctl/fiscalctl_run.h"
#include "tests/support/recorder.h"

namespace fiscalctl_test {
namespace {

// The library answers each command with the next code of `codes` (the port
// opens with 0); 3 (no printer) outranks 1 (refused or failed), whatever the order.
TEST(FiscalctlOutcome, ExitStatusFollowsTheWorstCode) {
  const struct {
    const char* codes;
    int commands;
    int exitCode;
  } cases[] = {
      {"0", 1, 0},  {"1002", 1, 1}, {"7", 1, 1},       {"3", 1, 3},       {"11", 1, 3},
      {"12", 1, 3}, {"13", 1, 3},   {"11,1002", 2, 3}, {"1002,13", 2, 3}, {"13,0,1002", 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codes);
    std::vector<std::string> args = {"--library", testing_support::recordingLibraryPath(),
                                     "--keep-going"};
    for (int i = 0; i < c.commands; ++i) args.push_back("drawer-open");
    const Result run = fiscalctl(args, {"REC_LAST_ERRORS=0," + std::string(c.codes)});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    EXPECT_EQ(count(run.out, "drawer-open  [0707|0000]"), c.commands) << run.out;
  }
}

// A library that cannot be loaded is named with the loader's own reason.
TEST(FiscalctlOutcome, ALibraryThatDoesNotLoadIsNamedWithTheReason) {
  const Result run = fiscalctl({"--library", "/nonexistent/libprinter.so", "status"});
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("cannot use the printer library /nonexistent/libprinter.so: "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
}

// Whatever OpenPort gives, the message names the code and what it means: a
// refused handshake by the printer's return code, a code without a text as such.
TEST(FiscalctlOutcome, APortThatDoesNotOpenNamesItsCodeAndMeaning) {
  const struct {
    const char* code;
    std::string said;
  } cases[] = {
      {"1011",
       ": the printer refused the opening handshake with return code 11 (fiscal memory write "
       "failed) (code 1011"},
      {"1099",
       ": the printer refused the opening handshake with return code 99, one it does not "
       "document (code 1099"},
      {"11", ": code 11, which this library gives no text for\n"},
      {"10",
       ": connected, but no printer answered within 3 s (is one behind the server? --baud?) "
       "(code 10"},
  };
  for (const auto& c : cases) {
    const Result run = fiscalctl(
        {"--library", testing_support::recordingLibraryPath(), "--port=tcp:127.0.0.1:9", "status"},
        {"REC_LAST_ERRORS=" + std::string(c.code)});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("cannot open the printer port tcp:127.0.0.1:9" + c.said),
              std::string::npos)
        << run.err;
  }
}

// "sent" says whether the handshake may have gone out: never through a port
// that did not open, but a network server says "busy" only once connected.
TEST(FiscalctlOutcome, AnOpenFailureSaysWhetherTheHandshakeWentOut) {
  const struct {
    const char* port;
    const char* code;
    bool sent;
  } cases[] = {
      {"/dev/ttyS9", "1", false},      {"tcp:127.0.0.1:9", "1", true},
      {"rfc2217:[::1]:9", "1", true},  {"tcp:127.0.0.1:9", "2", false},
      {"tcp:127.0.0.1:9", "10", true}, {"/dev/ttyS9", "4", false},
  };
  for (const auto& c : cases) {
    const Result run = fiscalctl({"--json", "--library", testing_support::recordingLibraryPath(),
                                  std::string("--port=") + c.port, "status"},
                                 {"REC_LAST_ERRORS=" + std::string(c.code)});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["sent"], c.sent) << c.port << " " << c.code;
  }
}

// A script that cannot be read is named with the system's reason.
TEST(FiscalctlOutcome, AnUnreadableScriptSaysWhy) {
  TempDir dir;
  writeFile(dir.file("file"), "status\n");
  const struct {
    std::string path;
    std::string reason;
  } cases[] = {
      {dir.file("missing"), "No such file or directory"},
      {dir.file("file") + "/below", "Not a directory"},
      {dir.file(""), "Is a directory"},
  };
  for (const auto& c : cases) {
    const Result run = fiscalctl({"--script", c.path});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.err, "fiscalctl: cannot read the script " + c.path + ": " + c.reason + "\n");
  }
}

// Every ASCII byte, quotes, backslashes and control bytes included, comes back
// from a JSON parser as it went in; bytes beyond ASCII still make valid JSON.
TEST(FiscalctlOutcome, JsonReadsBackEveryByte) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii += static_cast<char>(byte);
  std::string high;
  for (int byte = 0x80; byte < 0x100; ++byte) high += static_cast<char>(byte);
  fiscalctl::Outcome outcome;
  outcome.label = ascii;
  outcome.words = "\\\"\\";
  outcome.fieldsKnown = true;
  outcome.replyFields = {ascii, high, "\\x41", ""};
  const fiscalctl::PrinterApi api(testing_support::recordingLibraryPath());
  ASSERT_TRUE(api.loaded()) << api.error();
  std::ostringstream out;
  fiscalctl::printJson(out, api, outcome);
  nlohmann::json object;
  ASSERT_NO_THROW(object = nlohmann::json::parse(out.str())) << out.str();
  EXPECT_EQ(object["command"], ascii);
  EXPECT_EQ(object["words"], "\\\"\\");
  ASSERT_EQ(object["fields"].size(), 4u);
  EXPECT_EQ(object["fields"][0], ascii);
  EXPECT_EQ(object["fields"][2], "\\x41");
  EXPECT_EQ(object["fields"][3], "");
}

// N=VALUE edits field N of the console's command, counting from 1.
TEST(FiscalctlOutcome, EditsOnlyFieldsThatExist) {
  const struct {
    const char* edit;
    bool accepted;
    std::size_t index;  // of the field that holds the value
  } cases[] = {
      {"0=EDIT", false, 0}, {"1=EDIT", true, 0}, {"15=EDIT", true, 14}, {"16=EDIT", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.edit);
    std::vector<fiscalctl::Request> requests;
    std::string error;
    const bool parsed = fiscalctl::parseRequests({"ticket-item", c.edit}, requests, error);
    EXPECT_EQ(parsed, c.accepted) << error;
    if (!c.accepted) {
      EXPECT_NE(error.find("has no field"), std::string::npos) << error;
      continue;
    }
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].fields.size(), 15u);
    for (std::size_t i = 0; i < requests[0].fields.size(); ++i) {
      EXPECT_EQ(requests[0].fields[i] == "EDIT", i == c.index) << "field " << i + 1;
    }
  }
}

// Escapes in values and fields: \xHH and \\ anywhere, the end included.
TEST(FiscalctlOutcome, EscapesAreDecodedUpToTheEnd) {
  const struct {
    const char* text;
    bool accepted;
    std::string bytes;
  } cases[] = {{"\\x41", true, "A"},       {"a\\x00b", true, std::string("a\0b", 3)},
               {"end\\\\", true, "end\\"}, {"\\x4", false, ""},
               {"\\q", false, ""},         {"x\\", false, ""}};
  for (const auto& c : cases) {
    std::string bytes, error;
    EXPECT_EQ(fiscalctl::decodeEscapes(c.text, bytes, error), c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

// A script line reads send as the command line does: the first `--` is
// dropped and ends its options; an option it lacks or its --help is an error.
TEST(FiscalctlOutcome, SendDropsTheFirstDoubleDashOnly) {
  const struct {
    std::vector<std::string> args;
    std::string error;  // part of it; "" when accepted
    std::vector<std::string> fields;
  } cases[] = {
      {{"send", "--", "0E02", "0000", "-5", "--help"}, "", {"-5", "--help"}},
      {{"send", "0E02", "--", "0000", "--"}, "", {"--"}},
      {{"send", "0E02", "0000", "-5"}, "send: unknown option -5", {}},
      {{"send", "--packed=0707|0000", "--"}, "", {}},
      {{"send", "--packed", "0707|0000", "x"}, "takes one text", {}},
      {{"send", "0E02", "0000", "--help"}, "--help", {}},
      {{"send", "0E0G", "0000"}, "send: \"0E0G\" \"0000\" are not two hexadecimal words", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    std::vector<fiscalctl::Request> requests;
    std::string error;
    EXPECT_EQ(fiscalctl::parseRequests(c.args, requests, error), c.error.empty()) << error;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    if (!c.error.empty() || requests.size() != 1) continue;
    EXPECT_EQ(requests[0].fields, c.fields);
  }
}

// Words for send: one to four hexadecimal digits, "0x" allowed in front.
TEST(FiscalctlOutcome, WordsHaveOneToFourHexDigits) {
  const struct {
    const char* text;
    bool accepted;
    std::uint16_t word;
  } cases[] = {{"0A02", true, 0x0A02}, {"0xffff", true, 0xFFFF}, {"7", true, 7},
               {"12345", false, 0},    {"0x12345", false, 0},    {"", false, 0},
               {"0x", false, 0},       {"0G", false, 0}};
  for (const auto& c : cases) {
    std::uint16_t word = 0;
    EXPECT_EQ(fiscalctl::parseWord(c.text, word), c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(word, c.word) << c.text;
    }
  }
}

}  // namespace
}  // namespace fiscalctl_test
