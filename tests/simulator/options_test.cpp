// The simulator's command line: every option, and clear refusals of bad ones.
#include "simulator/program/options.h"

#include <gtest/gtest.h>

namespace {

sim::ParsedOptions parse(std::vector<std::string> args) {
  return sim::parseOptions(args);
}

TEST(Options, DefaultsAndEveryOption) {
  const auto none = parse({});
  ASSERT_TRUE(none.options);
  EXPECT_TRUE(none.options->exec.empty());
  EXPECT_FALSE(none.options->paper);
  EXPECT_EQ(none.options->zClosingMs, 1500u);

  const auto all = parse({"--paper", "roll.txt", "--stats", "s.txt", "--corrupt-every", "3",
                          "--drop-every", "4", "--delay-ms", "0", "--baud", "9600", "--silent",
                          "--roll-lines", "100", "--z-ms", "3600000"});
  ASSERT_TRUE(all.options) << all.error;
  const sim::Options& o = *all.options;
  EXPECT_EQ(o.paper, "roll.txt");
  EXPECT_EQ(o.stats, "s.txt");
  EXPECT_EQ(o.corruptEvery, 3u);
  EXPECT_EQ(o.dropEvery, 4u);
  EXPECT_EQ(o.delayMs, 0u);
  EXPECT_EQ(o.baud, 9600u);
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(o.rollLines, 100u);
  EXPECT_EQ(o.zClosingMs, 3'600'000u);
}

// Every option of ours reads "--opt value" and "--opt=value" alike (an empty
// value after '=' is a value); "--" ends the options.
TEST(Options, ValuesAfterAnEqualsSignAndTheEndOfOptions) {
  const auto joined = parse({"--baud=9600", "--paper=roll=1.txt", "--exec=sh", "-c", "exit 3"});
  ASSERT_TRUE(joined.options) << joined.error;
  EXPECT_EQ(joined.options->baud, 9600u);
  EXPECT_EQ(joined.options->paper, "roll=1.txt");
  EXPECT_EQ(joined.options->exec, (std::vector<std::string>{"sh", "-c", "exit 3"}));
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"--paper="}, "--paper needs a file name"},
      {{"--silent=yes"}, "--silent takes no value"},
      {{"--", "--silent"}, "unexpected argument --silent"},
      {{"-x"}, "unknown option -x"},
  };
  for (const auto& [args, said] : refused) {
    const auto parsed = parse(args);
    EXPECT_FALSE(parsed.options) << args.back();
    EXPECT_EQ(parsed.error, said);
  }
}

TEST(Options, ExecTakesEverythingAfterIt) {
  const auto parsed = parse({"--delay-ms", "5", "--exec", "console", "--silent", "-x"});
  ASSERT_TRUE(parsed.options);
  EXPECT_EQ(parsed.options->exec, (std::vector<std::string>{"console", "--silent", "-x"}));
  EXPECT_FALSE(parsed.options->silent);  // belongs to the command
  EXPECT_EQ(parsed.options->delayMs, 5u);
}

TEST(Options, BadArgumentsGiveAMessageNamingThem) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--exec"}, "--exec"},
      {{"--paper"}, "--paper"},
      {{"--paper", ""}, "--paper"},
      {{"--baud"}, "--baud"},
      {{"--baud", "0"}, "--baud"},
      {{"--baud", "-9600"}, "--baud"},
      {{"--baud", "96OO"}, "--baud"},
      {{"--corrupt-every", "0"}, "--corrupt-every"},
      {{"--drop-every", "99999999999"}, "--drop-every"},
      {{"--delay-ms", "1000000001"}, "--delay-ms"},
      {{"--delay-ms", "3600001"}, "--delay-ms"},  // times: at most an hour
      {{"--z-ms", "950400000"}, "--z-ms"},
      {{"--frobnicate"}, "--frobnicate"},
      {{"stray"}, "stray"},
  };
  for (const auto& [args, named] : cases) {
    const auto parsed = parse(args);
    EXPECT_FALSE(parsed.options) << args[0];
    EXPECT_NE(parsed.error.find(named), std::string::npos) << parsed.error;
  }
}

// A listening target without a host is loopback; whatever is wrong is named
// as it is, with the option's own form.
TEST(Options, ListenTargetsAndTheirRefusals) {
  const std::vector<std::pair<std::string, std::string>> taken = {
      {"tcp:0", "tcp:127.0.0.1:0"},
      {"rfc2217:2217", "rfc2217:127.0.0.1:2217"},
      {"tcp:0.0.0.0:9100", "tcp:0.0.0.0:9100"},
      {"tcp:[::1]:9100", "tcp:[::1]:9100"},
  };
  for (const auto& [given, target] : taken) {
    const auto parsed = parse({"--listen", given});
    ASSERT_TRUE(parsed.options) << parsed.error;
    ASSERT_TRUE(parsed.options->listen) << given;
    EXPECT_EQ(fp::line::targetText(*parsed.options->listen), target);
  }
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"tcp:abc", "\"tcp:abc\": port not a number from 0 to 65535 (tcp:[HOST:]PORT)"},
      {"rfc2217:-1", "\"rfc2217:-1\": port not a number from 0 to 65535 (rfc2217:[HOST:]PORT)"},
      {"tcp:", "\"tcp:\": port not a number from 0 to 65535 (tcp:[HOST:]PORT)"},
      {"tcp:65536", "\"tcp:65536\": port not a number from 0 to 65535 (tcp:[HOST:]PORT)"},
      {"tcp:host:x", "\"tcp:host:x\": port not a number from 0 to 65535"},
      {"udp:9", "\"udp:9\": not tcp:[HOST:]PORT or rfc2217:[HOST:]PORT"},
  };
  for (const auto& [given, said] : refused) {
    const auto parsed = parse({"--listen", given});
    EXPECT_FALSE(parsed.options) << given;
    EXPECT_EQ(parsed.error, "--listen " + said);
  }
}

}  // namespace
