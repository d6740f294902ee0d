// The command line of fiscal-printer-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "line/net_target.h"

namespace sim {

struct Options {
  std::vector<std::string> exec;           // --exec COMMAND [ARGS...]: run it, then end
  std::optional<std::string> paper;        // --paper FILE: the paper roll
  std::optional<std::string> stats;        // --stats FILE: counters, rewritten after each frame
  std::uint32_t corruptEvery = 0;          // --corrupt-every N: damage every Nth reply
  std::uint32_t dropEvery = 0;             // --drop-every N: drop a byte of every Nth reply
  std::uint32_t delayMs = 0;               // --delay-ms N: wait before each reply
  std::uint32_t baud = 0;                  // --baud N: line time of N bit/s, 10 bits a byte
  std::uint32_t rollLines = 0;             // --roll-lines N: paper roll length (0 endless)
  std::uint32_t zClosingMs = 1500;         // --z-ms N: how long a Z closing takes
  std::optional<std::string> memory;       // --memory FILE: the fiscal memory, kept across runs
  std::uint32_t memoryCapacity = 9999;     // --memory-capacity N: Z closings it has room for
  bool memoryFsync = false;                // --memory-fsync: wait for the disk at every commit
  std::optional<std::string> control;      // --control PATH: the control socket
  std::optional<fp::line::Target> listen;  // --listen tcp:|rfc2217:[HOST:]PORT
  bool silent = false;                     // --silent: never answer
  bool help = false;                       // --help
  bool version = false;                    // --version
};

// Either the options or a one-line error message naming the offending argument.
struct ParsedOptions {
  std::optional<Options> options;
  std::string error;
};

inline constexpr const char* kProgramName = "fiscal-printer-sim";

// Parses the arguments after the program name, the way every program of ours
// reads them (cli/command_line.h: `--opt value`, `--opt=value`, `--`). Numbers
// are decimal, without sign, at most 1000000000, and times (--delay-ms, --z-ms)
// at most 3600000 (an hour); every option that takes a number needs one.
ParsedOptions parseOptions(const std::vector<std::string>& args);

// The usage lines of every form, printed after a usage error.
std::string usageLines();

// The whole help text (--help, and the source of the manual page's options).
std::string usageText();

}  // namespace sim
