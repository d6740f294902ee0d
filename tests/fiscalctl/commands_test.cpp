// fiscalctl's commands against the virtual printer: results, exit codes,
// edited fields on the paper, JSON.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "fiscalctl/command_names.h"
#include "fiscalctl/port_diagnosis.h"
#include "tests/fiscalctl/fiscalctl_run.h"
#include "tests/simulator/simulator_process.h"
#include "tests/support/recorder.h"

namespace fiscalctl_test {
namespace {

using sim_test::SimulatorProcess;

TEST(Fiscalctl, FullTicketInOneRunUnderTheSimulatorsExec) {
  const auto run = sim_test::runSimulatorToEnd(
      {"--exec", FISCALCTL_PATH, "ticket-open", "ticket-item", "ticket-pay", "ticket-close"});
  EXPECT_EQ(run.exitCode, 0) << run.standardError;
  EXPECT_EQ(count(run.standardOutput, "  result   0  no error\n"), 4) << run.standardOutput;
  EXPECT_NE(run.standardOutput.find("ticket-open  [0A01|0000]"), std::string::npos);
  EXPECT_NE(run.standardOutput.find("  fiscal   0x0001  ticket open\n"), std::string::npos);
  EXPECT_NE(run.standardOutput.find("  reply    \"00000001\"\n"), std::string::npos);  // ticket no.
  EXPECT_NE(run.standardOutput.find("PASS: all 4 commands ended with 0"), std::string::npos);
}

TEST(Fiscalctl, ExitCodeAndWordsSayWhatWentWrong) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string said;  // in standard output or error
  };
  const std::vector<Case> cases = {
      {{"--port", sim.port(), "ticket-item"}, 1, "1002  printer refused the command: out of order"},
      {{"--port", "/nonexistent/tty", "status"}, 3, "/nonexistent/tty: no such device (code 2"},
      {{"--library", "/nonexistent/lib.so", "status"}, 3, "cannot use the printer library"},
      {{"ticket-sell"}, 2, "unknown command \"ticket-sell\""},
      {{"send", "0A0G", "0000"}, 2, "not two hexadecimal words"},
      {{"send", "0E02", "0000", "a\\qb"}, 2, "bad escape"},
      {{"ticket-open", "3=x"}, 2, "sends no fields to edit"},
      {{"ticket-item", "16=x"}, 2, "has no field 16"},
      {{"--repeat", "0", "status"}, 2, "--repeat takes a count"},
      {{"--script", "/nonexistent/script"}, 2, "cannot read the script"},
  };
  for (const Case& c : cases) {
    const Result run = fiscalctl(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << "\n" << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
  }
  EXPECT_EQ(sim.stat("commands_refused"), 1u);
}

// The habits every program of ours shares: --opt=value, -h after a command for
// that command's help, -- before operands, and usage errors with the usage.
TEST(Fiscalctl, ReadsItsCommandLineAsEveryProgramOfOursDoes) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string out;  // the start of standard output
    std::string err;  // the start of standard error
  };
  const std::vector<Case> cases = {
      {{"-h"}, 0, "Usage: fiscalctl [OPTIONS] COMMAND", ""},
      {{"send", "--help"}, 0, "Usage: fiscalctl [OPTIONS] send WORD", ""},
      {{"--json", "trace", "-h"}, 0, "Usage: fiscalctl trace [--follow] [--json] FILE", ""},
      {{"ticket-open", "ticket-item", "--help"}, 0, "Usage: fiscalctl [OPTIONS] ticket-item", ""},
      {{"--port=" + sim.port(), "send", "--packed=0707|0000"}, 0, "printer: ", ""},
      {{"--json=yes", "status"}, 2, "", "fiscalctl: --json takes no value\nUsage: fiscalctl"},
      {{"--", "--json"}, 2, "", "fiscalctl: unknown command \"--json\""},
      {{"trace"}, 2, "", "fiscalctl: trace takes one trace file\nUsage: fiscalctl trace "},
      {{"send", "--packed=1|2", "x"}, 2, "", "fiscalctl: send --packed takes one text"},
      // send reads -h/--help up to a first `--` and refuses options it does not
      // have; --help and --version take no word but the command asking for help.
      // "--help" after "--" is a field: sent, and the drawer command refuses it.
      {{"--port=" + sim.port(), "send", "--", "0707", "0000", "--help"}, 1, "", ""},
      {{"send", "0707", "0000", "-h"}, 0, "Usage: fiscalctl [OPTIONS] send WORD", ""},
      {{"send", "0707", "-x", "0000"}, 2, "", "fiscalctl: send: unknown option -x\nUsage: "},
      {{"send", "--word", "0707", "0000"}, 2, "", "fiscalctl: send: unknown option --word\n"},
      {{"--", "send", "--help"}, 2, "", "fiscalctl: send needs a command word"},
      {{"--version", "junk"}, 2, "", "fiscalctl: unexpected argument junk\nUsage: fiscalctl "},
      {{"--help", "status"}, 2, "", "fiscalctl: unexpected argument status\n"},
      {{"ticket-item", "-h", "5=x"},
       2,
       "",
       "fiscalctl: unexpected argument 5=x\nUsage: fiscalctl [OPTIONS] ticket-item"},
      {{"status", "--version"}, 2, "", "fiscalctl: unexpected argument status\n"},
  };
  for (const Case& c : cases) {
    const Result run = fiscalctl(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << "\n" << run.out << run.err;
    EXPECT_EQ(run.out.substr(0, c.out.size()), c.out) << c.args.back();
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err) << c.args.back();
  }
  EXPECT_EQ(sim.stat("executed.drawer_open"), 1u);
  EXPECT_EQ(sim.stat("refused.drawer_open"), 1u);
}

// `list` is a table: one row per command the program accepts, the buttons in
// one column (or, without one, what the command does), counts in words ("1 field").
TEST(Fiscalctl, ListsTheCommandsInAlignedColumns) {
  const Result run = fiscalctl({"list"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::istringstream lines(run.out);
  std::size_t column = std::string::npos;
  int rows = 0;
  for (std::string line; std::getline(lines, line); ++rows) {
    const fiscalctl::NamedCommand* named = fiscalctl::findCommand(line.substr(0, line.find(' ')));
    ASSERT_NE(named, nullptr) << line;
    const std::size_t shown = line.rfind(fiscalctl::shownAs(*named));
    if (column == std::string::npos) column = shown;
    EXPECT_EQ(shown, column) << line;
  }
  EXPECT_EQ(rows, static_cast<int>(fiscalctl::namedCommands().size()));
  EXPECT_NE(run.out.find("0E02|0000  1 field "), std::string::npos) << run.out;
}

// A port that does not open says why, where the user looks (the library's code
// alone says only "port invalid" or "port busy"); nothing was sent.
TEST(Fiscalctl, APortThatDoesNotOpenSaysWhy) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  TempDir dir;
  writeFile(dir.file("not-a-tty"), "");
  const int held = open(sim.port().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const struct {
    std::string device;
    std::string said;
  } cases[] = {
      {"/nonexistent/tty", "no such device (code 2 port invalid)"},
      {dir.file("not-a-tty"), "not a terminal but a regular file (code 2 port invalid)"},
      {"/dev/null", "not a terminal (code 2 port invalid)"},
      {sim.port(), "held by process " + std::to_string(getpid()) + " ("},
  };
  for (const auto& c : cases) {
    const Result run = fiscalctl({"--json", "--port=" + c.device, "ticket-open"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_NE(run.err.find("cannot open the printer port " + c.device + ": " + c.said),
              std::string::npos)
        << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["sent"], false) << run.out;
  }
  close(held);
  EXPECT_EQ(sim.stat("frames_received"), 0u);
}

// Who may open a device, and how to join that group.
TEST(Fiscalctl, PermissionAdviceNamesTheGroupThatGrantsTheDevice) {
  EXPECT_EQ(fiscalctl::permissionAdvice(S_IFCHR | 0660, "root", "dialout"),
            "crw-rw---- root:dialout; members of the group dialout may use it "
            "(sudo adduser $USER dialout, then log in again)");
  EXPECT_EQ(fiscalctl::permissionAdvice(S_IFCHR | 0620, "root", "tty"),
            "crw--w---- root:tty; only root may use it");
}

TEST(Fiscalctl, StopsAtTheFirstFailureUnlessKeepGoing) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  const Result stopped = fiscalctl({"--port", sim.port(), "ticket-item", "drawer-open"});
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_EQ(stopped.out.find("drawer-open"), std::string::npos);
  EXPECT_NE(stopped.out.find("FAIL: ticket-item ended with 1002"), std::string::npos)
      << stopped.out;
  const Result going = fiscalctl(
      {"--port", sim.port(), "--keep-going", "--repeat", "2", "ticket-item", "drawer-open"});
  EXPECT_EQ(going.exitCode, 1);
  EXPECT_EQ(sim.stat("executed.drawer_open"), 2u);
  EXPECT_NE(going.out.find("2 of 4 commands ended with 0"), std::string::npos) << going.out;
}

TEST(Fiscalctl, EditedAndRawFieldsReachThePaper) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  TempDir dir;
  writeFile(dir.file("edited"),
            "# a ticket with another item, then a raw text line\n"
            "ticket-open\n"
            "ticket-item 5=\"Cafe con leche\" 7=00000000250   # 2.50\n"
            "ticket-pay\n"
            "ticket-close\n"
            "nonfiscal-open\n"
            "send 0E02 0000 'Linea \\x41 editada'\n"
            "nonfiscal-close\n");
  const Result run = fiscalctl({"--port", sim.port(), "--script", dir.file("edited")});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  const std::string paper = sim.paper();
  EXPECT_NE(paper.find("Cafe con leche"), std::string::npos) << paper;
  EXPECT_NE(paper.find("2.50"), std::string::npos) << paper;
  EXPECT_NE(paper.find("Linea A editada"), std::string::npos) << paper;
  EXPECT_EQ(paper.find("Venta de item"), std::string::npos) << paper;
}

TEST(Fiscalctl, JsonGivesOneObjectPerCommand) {
  SimulatorProcess sim({});
  ASSERT_TRUE(sim.started());
  const Result run = fiscalctl({"--port", sim.port(), "--json", "ticket-open", "ticket-item",
                                "ticket-cancel", "ticket-item", "status"});
  EXPECT_EQ(run.exitCode, 1);
  std::vector<nlohmann::json> objects;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 4u) << run.out;  // stopped at the refusal
  EXPECT_EQ(objects[0]["command"], "ticket-open");
  EXPECT_EQ(objects[0]["words"], "0A01|0000");
  EXPECT_EQ(objects[0]["code"], 0);
  EXPECT_EQ(objects[0]["fields"][0].get<std::string>().size(), 8u);
  EXPECT_EQ(objects[1]["fiscal_status"], 1);
  EXPECT_EQ(objects[1]["fiscal_bits"], nlohmann::json::array({"ticket open"}));
  EXPECT_EQ(objects[1]["fields"], nlohmann::json::array({"00000000100"}));
  EXPECT_EQ(objects[2]["command"], "ticket-cancel");
  EXPECT_EQ(objects[3]["code"], 1002);
  EXPECT_EQ(objects[3]["text"], "printer refused the command: out of order");
  EXPECT_EQ(objects[3]["fiscal_bits"],
            nlohmann::json::array({"day totals pending", "last command refused"}));
}

}  // namespace
}  // namespace fiscalctl_test
