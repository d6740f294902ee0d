// fiscalctl's options and help texts: the program's --help, and the help of each
// tool command and printer command (`fiscalctl COMMAND --help`). The printer
// commands are listed from the command table, so the help names each one the
// program accepts. The manual page fiscalctl(1) says the same at length.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/command_line.h"

namespace fiscalctl {

inline constexpr std::string_view kProgramName = "fiscalctl";

inline constexpr cli::Option kLibraryOption{
    "--library", "PATH",
    "the printer library to load (default:\n"
    "lib/libfiscalprinter.so.1 beside the bin directory of\n"
    "fiscalctl, else the installed library folder)"};
inline constexpr cli::Option kPortOption{"--port", "DEVICE",
                                         "port 1: a serial device, tcp:HOST:PORT or\n"
                                         "rfc2217:HOST:PORT (sets FISCALPRINTER_PORT1)"};
inline constexpr cli::Option kBaudOption{"--baud", "N", "line speed in bit/s (default 115200)"};
inline constexpr cli::Option kRepeatOption{"--repeat", "N",
                                           "runs the whole list of commands N times (default 1)"};
inline constexpr cli::Option kScriptOption{
    "--script", "FILE",
    "reads the commands from FILE: one command a line, as on the\n"
    "command line ('...' and \"...\" quote, # starts a comment);\n"
    "- reads standard input"};
inline constexpr cli::Option kKeepGoingOption{"--keep-going", "",
                                              "goes on after a command that failed"};
inline constexpr cli::Option kJsonOption{
    "--json", "",
    "prints one JSON object a line per command instead of text:\n"
    "command, words, sent, code, text, printer_status,\n"
    "printer_bits, fiscal_status, fiscal_bits, fields; with\n"
    "trace and replay, one object per command of the trace, and\n"
    "their closing count on standard error. Printer texts\n"
    "(ISO-8859-1) appear as UTF-8, control characters as \\u00XX"};
inline constexpr cli::Option kFollowOption{
    "--follow", "", "with trace: keeps reading as the file grows, until interrupted"};
inline constexpr cli::Option kPackedOption{"--packed", "HHHH|HHHH",
                                           "hands the text whole to SendCommandComplete"};

// What a command word is: a tool command, a printer command, or neither.
enum class CommandKind { Tool, Printer, None };
CommandKind commandKind(std::string_view word);

// The options read before (and between) the commands.
std::span<const cli::Option> programOptions();
// The options of send, read right after it.
std::span<const cli::Option> sendOptions();

// `fiscalctl list`: one row per printer command, in aligned columns: name,
// words, what it sends, its button's caption or what it does.
std::string listText();

// The usage lines of every form, printed after a usage error.
std::string usageLines();
// The whole --help text.
std::string helpText();

// The usage lines of `command` (a tool or printer command) for a usage error,
// and its --help text; the program's when `command` is neither.
std::string usageLinesOf(std::string_view command);
std::string helpTextOf(std::string_view command);

}  // namespace fiscalctl
