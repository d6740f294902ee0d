#include "simulator/program/options.h"

#include <array>
#include <string_view>

#include "cli/command_line.h"
#include "line/net_target.h"
#include "simulator/control/parse_count.h"

namespace sim {
namespace {

constexpr std::uint32_t kMaxNumber = 1'000'000'000;
constexpr std::uint32_t kMaxZClosings = 9999;          // Z numbers have four digits
constexpr std::uint32_t kMaxMilliseconds = 3'600'000;  // an hour: longer is a mistake

// The program's options, in the order --help lists them.
constexpr cli::Option kExec{"--exec", "COMMAND",
                            "run COMMAND, with the ARGS after it, with FISCALPRINTER_PORT1\n"
                            "set to the terminal; end with its exit code when it ends"};
constexpr cli::Option kPaper{"--paper", "FILE",
                             "write the paper roll to FILE (default: standard output,\n"
                             "or nowhere under --exec)"};
constexpr cli::Option kStats{"--stats", "FILE", "keep the link and command counters in FILE"};
constexpr cli::Option kCorruptEvery{"--corrupt-every", "N", "damage one byte of every Nth reply"};
constexpr cli::Option kDropEvery{"--drop-every", "N", "leave out one byte of every Nth reply"};
constexpr cli::Option kDelayMs{"--delay-ms", "N",
                               "wait N milliseconds before each reply (at most 3600000);\n"
                               "from about 1100 ms on, our library gives up on every\n"
                               "command reply (timeout); beyond 3000 ms, the handshake\n"
                               "too, and the printer looks absent"};
constexpr cli::Option kBaud{"--baud", "N", "take the line time of N bit/s, 10 bits a byte"};
constexpr cli::Option kRollLines{"--roll-lines", "N", "the paper roll ends after N lines"};
constexpr cli::Option kZMs{"--z-ms", "N",
                           "a Z closing takes N milliseconds (default 1500, at most\n3600000)"};
constexpr cli::Option kMemory{"--memory", "FILE",
                              "keep the fiscal memory in FILE (created when missing; it\n"
                              "and its folder must be writable, while report and journal\n"
                              "only read it); without it the printer starts blank and\n"
                              "forgets at exit"};
constexpr cli::Option kMemoryCapacity{"--memory-capacity", "N",
                                      "the fiscal memory has room for N Z closings (default 9999)"};
constexpr cli::Option kMemoryFsync{"--memory-fsync", "",
                                   "wait for the disk at every commit of the fiscal memory"};
constexpr cli::Option kControl{"--control", "PATH",
                               "listen for control requests on the Unix socket PATH;\n"
                               "served apart from the line, each carried out between\n"
                               "two commands or within 20 ms during a long wait (a Z),\n"
                               "or refused after 1 s and never carried out"};
constexpr cli::Option kListen{"--listen", "TARGET",
                              "also serve the printer on a TCP port, tcp:[HOST:]PORT raw\n"
                              "or rfc2217:[HOST:]PORT as an RFC 2217 (telnet COM port)\n"
                              "server, one client at a time; HOST defaults to 127.0.0.1,\n"
                              "PORT 0 takes a free port; the target is printed after the\n"
                              "device path, and --exec gets it as FISCALPRINTER_PORT1"};
constexpr cli::Option kSilent{"--silent", "", "never answer"};

constexpr std::array<cli::Option, 17> kOptions = {
    kExec,    kPaper,     kStats,  kCorruptEvery,    kDropEvery,          kDelayMs,
    kBaud,    kRollLines, kZMs,    kMemory,          kMemoryCapacity,     kMemoryFsync,
    kControl, kListen,    kSilent, cli::kHelpOption, cli::kVersionOption,
};

struct NumberOption {
  const cli::Option& option;
  std::uint32_t Options::*target;
  std::uint32_t minimum;
  std::uint32_t maximum;
};

const std::array<NumberOption, 7> kNumberOptions = {{
    {kCorruptEvery, &Options::corruptEvery, 1, kMaxNumber},
    {kDropEvery, &Options::dropEvery, 1, kMaxNumber},
    {kDelayMs, &Options::delayMs, 0, kMaxMilliseconds},
    {kBaud, &Options::baud, 1, kMaxNumber},
    {kRollLines, &Options::rollLines, 1, kMaxNumber},
    {kZMs, &Options::zClosingMs, 0, kMaxMilliseconds},
    {kMemoryCapacity, &Options::memoryCapacity, 1, kMaxZClosings},
}};

struct FileOption {
  const cli::Option& option;
  std::optional<std::string> Options::*target;
};

const std::array<FileOption, 4> kFileOptions = {{
    {kPaper, &Options::paper},
    {kStats, &Options::stats},
    {kMemory, &Options::memory},
    {kControl, &Options::control},
}};

constexpr std::string_view kForms[] = {
    "[OPTIONS] [--exec COMMAND [ARGS...]]",
    "report --memory FILE [--from DATE] [--to DATE] [--json]",
    "journal --memory FILE [--z N | --date DATE] [--json]",
    "ctl SOCKET REQUEST...",
    "-h | --help | --version",
};

ParsedOptions failure(std::string message) {
  return ParsedOptions{std::nullopt, std::move(message)};
}

// tcp:HOST:PORT or rfc2217:HOST:PORT, or without HOST: loopback (127.0.0.1).
// PORT 0 takes any free port.
fp::line::ParsedTarget parseListen(const std::string& text) {
  for (const std::string_view scheme : {"tcp:", "rfc2217:"}) {
    if (text.rfind(scheme, 0) != 0) continue;
    const std::string rest = text.substr(scheme.size());
    const bool hostNamed = rest.find(':') != std::string::npos;
    if (hostNamed) return fp::line::parseTarget(text, true);
    // Without a host, all of it is the port.
    fp::line::ParsedTarget parsed =
        fp::line::parseTarget(std::string(scheme) + "127.0.0.1:" + rest, true);
    if (!parsed.target) {
      parsed.error = "\"" + text + "\": port not a number from 0 to 65535 (" + std::string(scheme) +
                     "[HOST:]PORT)";
    }
    return parsed;
  }
  return fp::line::ParsedTarget{std::nullopt,
                                "\"" + text + "\": not tcp:[HOST:]PORT or rfc2217:[HOST:]PORT"};
}

// Sets the option read; an error message, or empty.
std::string take(const cli::Argument& argument, Options& options) {
  for (const NumberOption& number : kNumberOptions) {
    if (!argument.is(number.option)) continue;
    const auto value = parseCount(argument.value, kMaxNumber);
    if (!value || *value < number.minimum || *value > number.maximum) {
      return std::string(number.option.name) + " needs a whole number from " +
             std::to_string(number.minimum) + " to " + std::to_string(number.maximum);
    }
    options.*(number.target) = *value;
    return {};
  }
  for (const FileOption& file : kFileOptions) {
    if (!argument.is(file.option)) continue;
    if (argument.value.empty()) return std::string(file.option.name) + " needs a file name";
    options.*(file.target) = argument.value;
    return {};
  }
  if (argument.is(kListen)) {
    const fp::line::ParsedTarget parsed = parseListen(argument.value);
    if (!parsed.target) return "--listen " + parsed.error;
    options.listen = parsed.target;
  }
  if (argument.is(kMemoryFsync)) options.memoryFsync = true;
  if (argument.is(kSilent)) options.silent = true;
  if (argument.is(cli::kHelpOption)) options.help = true;
  if (argument.is(cli::kVersionOption)) options.version = true;
  return {};
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
  Options options;
  cli::ArgumentReader reader(args, kOptions);
  cli::Argument argument;
  while (true) {
    const auto status = reader.next(argument);
    if (status == cli::ArgumentReader::Status::kEnd) break;
    if (status == cli::ArgumentReader::Status::kError) return failure(reader.error());
    if (argument.option == nullptr) return failure(cli::unexpectedArgument(argument.value));
    if (argument.is(kExec)) {
      if (argument.value.empty()) return failure("--exec needs a command");
      options.exec.push_back(argument.value);
      for (std::string& more : reader.rest()) options.exec.push_back(std::move(more));
      break;
    }
    if (std::string error = take(argument, options); !error.empty()) return failure(error);
  }
  return ParsedOptions{options, {}};
}

std::string usageLines() {
  return cli::usageLines(kProgramName, kForms);
}

std::string usageText() {
  return usageLines() +
         "\n"
         "Opens a pseudo-terminal and answers there as a fiscal printer. Without --exec it\n"
         "prints the terminal's path as the first line of standard output (then, with\n"
         "--control, the socket's path, and with --listen the network target); under\n"
         "--exec the command finds its port in FISCALPRINTER_PORT1 (the network target\n"
         "with --listen) and standard output is left to the command.\n"
         "\n" +
         cli::optionList(kOptions) +
         "\n"
         "Commands:\n"
         "  report   print the Z closings kept in a fiscal memory file\n"
         "  journal  print the documents of one day of a fiscal memory file\n"
         "  ctl      send a control request to a running printer's --control socket\n"
         "  'fiscal-printer-sim COMMAND --help' describes each.\n"
         "\n"
         "Exit status:\n"
         "  0    stopped by SIGINT, SIGTERM or SIGHUP, without --exec\n"
         "  1    the terminal, the paper roll, the counters file, the fiscal memory, the\n"
         "       control socket or the --listen socket could not be set up\n"
         "  2    bad usage\n"
         "  3    instead of 0: a paper roll or counters write failed during the run\n"
         "  127  under --exec: the command could not be started\n"
         "  N    under --exec: the command's own exit code (128 + the signal's number when\n"
         "       a signal ended it, or when a signal stopped the printer)\n";
}

}  // namespace sim
