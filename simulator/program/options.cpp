#include "simulator/program/options.h"

#include <array>
#include <string_view>

#include "simulator/control/parse_count.h"

namespace sim {
namespace {

constexpr std::uint32_t kMaxNumber = 1'000'000'000;
constexpr std::uint32_t kMaxZClosings = 9999;          // Z numbers have four digits
constexpr std::uint32_t kMaxMilliseconds = 3'600'000;  // an hour: longer is a mistake

struct NumberOption {
  std::string_view name;
  std::uint32_t Options::*target;
  std::uint32_t minimum;
  std::uint32_t maximum;
};

constexpr std::array<NumberOption, 6> kNumberOptions = {{
    {"--corrupt-every", &Options::corruptEvery, 1, kMaxNumber},
    {"--drop-every", &Options::dropEvery, 1, kMaxNumber},
    {"--delay-ms", &Options::delayMs, 0, kMaxMilliseconds},
    {"--baud", &Options::baud, 1, kMaxNumber},
    {"--roll-lines", &Options::rollLines, 1, kMaxNumber},
    {"--z-ms", &Options::zClosingMs, 0, kMaxMilliseconds},
}};

const NumberOption* findNumberOption(std::string_view name) {
  for (const NumberOption& option : kNumberOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

ParsedOptions failure(std::string message) {
  return ParsedOptions{std::nullopt, std::move(message)};
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--exec") {
      if (!hasValue) return failure("--exec needs a command");
      options.exec.assign(args.begin() + static_cast<std::ptrdiff_t>(i + 1), args.end());
      break;
    } else if (arg == "--silent") {
      options.silent = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--paper" || arg == "--stats" || arg == "--memory" || arg == "--control") {
      if (!hasValue || args[i + 1].empty()) return failure(arg + " needs a file name");
      (arg == "--paper"    ? options.paper
       : arg == "--stats"  ? options.stats
       : arg == "--memory" ? options.memory
                           : options.control) = args[++i];
    } else if (arg == "--memory-fsync") {
      options.memoryFsync = true;
    } else if (arg == "--memory-capacity") {
      const auto value = hasValue ? parseCount(args[i + 1], kMaxNumber) : std::nullopt;
      if (!value || *value < 1 || *value > kMaxZClosings) {
        return failure(arg + " needs a whole number from 1 to " + std::to_string(kMaxZClosings));
      }
      options.memoryCapacity = *value;
      ++i;
    } else if (const NumberOption* number = findNumberOption(arg)) {
      const auto value = hasValue ? parseCount(args[i + 1], kMaxNumber) : std::nullopt;
      if (!value || *value < number->minimum || *value > number->maximum) {
        return failure(arg + " needs a whole number from " + std::to_string(number->minimum) +
                       " to " + std::to_string(number->maximum));
      }
      options.*(number->target) = *value;
      ++i;
    } else {
      return failure("unknown argument: " + arg);
    }
  }
  return ParsedOptions{options, {}};
}

const char* usageText() {
  return "Usage: fiscal-printer-sim [OPTIONS] [--exec COMMAND [ARGS...]]\n"
         "       fiscal-printer-sim report --memory FILE [--from DATE] [--to DATE] [--json]\n"
         "       fiscal-printer-sim journal --memory FILE [--z N | --date DATE] [--json]\n"
         "       fiscal-printer-sim ctl SOCKET REQUEST...\n"
         "Opens a pseudo-terminal, prints its path and answers there as a fiscal printer.\n"
         "\n"
         "Options:\n"
         "  --exec COMMAND ARGS  run COMMAND with FISCALPRINTER_PORT1 set to the terminal;\n"
         "                       end with its exit code when it ends\n"
         "  --paper FILE         write the paper roll to FILE (default: standard output,\n"
         "                       or nowhere under --exec)\n"
         "  --stats FILE         keep the link and command counters in FILE\n"
         "  --corrupt-every N    damage one byte of every Nth reply\n"
         "  --drop-every N       leave out one byte of every Nth reply\n"
         "  --delay-ms N         wait N milliseconds before each reply (at most 3600000);\n"
         "                       from about 1100 ms on, our library gives up on every\n"
         "                       command reply (timeout); beyond 3000 ms, the handshake\n"
         "                       too, and the printer looks absent\n"
         "  --baud N             take the line time of N bit/s, 10 bits a byte\n"
         "  --roll-lines N       the paper roll ends after N lines\n"
         "  --z-ms N             a Z closing takes N milliseconds (default 1500, at most\n"
         "                       3600000)\n"
         "  --memory FILE        keep the fiscal memory in FILE (created when missing; it\n"
         "                       and its folder must be writable, while report and journal\n"
         "                       only read it); without it the printer starts blank and\n"
         "                       forgets at exit\n"
         "  --memory-capacity N  the fiscal memory has room for N Z closings (default 9999)\n"
         "  --memory-fsync       wait for the disk at every commit of the fiscal memory\n"
         "  --control PATH       listen for control requests on the Unix socket PATH;\n"
         "                       served apart from the line, each carried out between\n"
         "                       two commands or within 20 ms during a long wait (a Z),\n"
         "                       or refused after 1 s and never carried out\n"
         "  --silent             never answer\n"
         "  --help               print this text and exit\n"
         "  --version            print the program's name and version and exit\n"
         "  SIGINT, SIGTERM and SIGHUP stop it: exit code 0, or under --exec the command is\n"
         "  stopped and the code is 128 + the signal's number. A paper roll or counters file\n"
         "  that could not be written makes the code 3.\n"
         "ctl sends one request and prints the answer line, all within 2 s: exit 0 on ok,\n"
         "1 on an error answer or no answer in time, 2 for a request it does not know.\n"
         "ctl SOCKET watch prints the event stream, one JSON object a line, until the\n"
         "simulator ends it (exit 0).\n";
}

}  // namespace sim
