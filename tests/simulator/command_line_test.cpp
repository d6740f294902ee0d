// The simulator program: arguments, the device it opens, --exec and stopping.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/simulator/simulator_process.h"

namespace sim_test {
namespace {

TEST(CommandLine, BadArgumentsEndWithCode2AndAMessage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--baud", "fast"},
                                               {"--corrupt-every"},
                                               {"--nonsense"},
                                               {"--memory-capacity", "10000"},
                                               {"report", "--from", "10/12/2026"},
                                               {"--exec"}}) {
    const Finished finished = runSimulatorToEnd(args);
    EXPECT_EQ(finished.exitCode, 2) << args[0];
    EXPECT_NE(finished.standardError.find(args[0]), std::string::npos) << finished.standardError;
    EXPECT_NE(finished.standardError.find("Usage:"), std::string::npos);
    EXPECT_EQ(finished.standardOutput, "");  // no device was opened
  }
}

TEST(CommandLine, FilesThatCannotBeWrittenEndWithCode1) {
  const std::string underAFile = std::string(SIMULATOR_PATH) + "/roll.txt";
  for (const std::string option : {"--paper", "--stats"}) {
    const Finished finished = runSimulatorToEnd({option, underAFile});
    EXPECT_EQ(finished.exitCode, 1) << option;
    EXPECT_NE(finished.standardError.find(underAFile), std::string::npos) << finished.standardError;
  }
}

// Under --exec standard output is the command's alone: it may be read by a
// program (fiscalctl --json | jq), so the printer adds no line of its own.
TEST(CommandLine, ExecHandsTheDeviceToTheCommandAndReturnsItsExitCode) {
  const std::string socket = testing::TempDir() + "exec-control-" + std::to_string(getpid());
  const Finished finished = runSimulatorToEnd(
      {"--control", socket, "--exec", "sh", "-c",
       "test -c \"$FISCALPRINTER_PORT1\" && stat -L -c 'mode=%a' \"$FISCALPRINTER_PORT1\"; "
       "echo \"port=$FISCALPRINTER_PORT1\"; exit 7"});
  EXPECT_EQ(finished.exitCode, 7) << finished.standardError;
  EXPECT_EQ(finished.standardOutput.rfind("mode=600\nport=/dev/pts/", 0), 0u)
      << finished.standardOutput;
  EXPECT_EQ(finished.standardError, "");
}

TEST(CommandLine, ExecOfAMissingCommandReturns127) {
  const Finished finished = runSimulatorToEnd({"--exec", "no-such-command-for-the-simulator"});
  EXPECT_EQ(finished.exitCode, 127);
  EXPECT_NE(finished.standardError.find("no-such-command-for-the-simulator"), std::string::npos);
}

TEST(CommandLine, RunsUntilTerminatedAndWritesItsCounters) {
  SimulatorProcess simulator({});
  ASSERT_TRUE(simulator.started());
  struct stat device {};
  ASSERT_EQ(stat(simulator.port().c_str(), &device), 0) << simulator.port();
  EXPECT_TRUE(S_ISCHR(device.st_mode));
  EXPECT_EQ(device.st_mode & 0777, 0600u);
  EXPECT_EQ(simulator.stats().count("commands_executed"), 1u);
  EXPECT_EQ(simulator.stat("commands_executed"), 0u);
  for (const char* file : {"paper.txt", "stats.txt"}) {
    struct stat created {};
    ASSERT_EQ(stat((simulator.directory() / file).c_str(), &created), 0);
    EXPECT_EQ(created.st_mode & 0777, 0600u) << file;
  }
  EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace
}  // namespace sim_test
