// The command-line habits shared by fiscal-console, fiscal-printer-sim and
// fiscalctl: every option is written `--name value` or `--name=value` (and its
// short form, if any, `-h value`); `--` ends the options, after it everything
// is an operand; `-h`/`--help` and `--version` are spelled alike everywhere; a
// usage error is one line naming the program and the problem, then the usage,
// with exit code 2. The programs describe their options as tables, from which
// the help texts are printed, so a help text lists exactly what is accepted.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

inline constexpr int kExitUsage = 2;

struct Option {
  std::string_view name;         // "--port"
  std::string_view valueName;    // "DEVICE"; empty for an option that takes no value
  std::string_view help;         // one line, or several separated by '\n'
  std::string_view shortName{};  // "-h", or empty
  bool hidden = false;           // accepted but left out of the help (the toolkit's own)
};

inline constexpr Option kHelpOption{"--help", "", "print this help and exit", "-h"};
inline constexpr Option kVersionOption{"--version", "",
                                       "print the program's name and version and exit", ""};

// One argument as read: an option of the table with its value, or an operand.
struct Argument {
  const Option* option = nullptr;  // null for an operand
  std::string value;               // the option's value (empty without one), or the operand
  bool is(const Option& other) const { return option != nullptr && option->name == other.name; }
};

// Reads arguments one at a time against a table of options. The table may be
// changed between reads (a subcommand has options of its own).
class ArgumentReader {
 public:
  enum class Status { kArgument, kEnd, kError };

  ArgumentReader(std::vector<std::string> arguments, std::span<const Option> options)
      : arguments_(std::move(arguments)), options_(options) {}

  void useOptions(std::span<const Option> options) { options_ = options; }

  // The next argument. kError leaves the reason in error(): an option not in the
  // table, a value missing, or a value given to an option that takes none.
  Status next(Argument& argument);
  const std::string& error() const { return error_; }

  // The arguments not read yet, as they are (for `--exec COMMAND ARGS...`).
  std::vector<std::string> rest();
  // Whether `--` has been read: every further argument is an operand.
  bool optionsEnded() const { return optionsEnded_; }

 private:
  const Option* find(std::string_view name) const;

  std::vector<std::string> arguments_;
  std::span<const Option> options_;
  std::size_t at_ = 0;
  bool optionsEnded_ = false;
  std::string error_;
};

// The problem with an operand a program (or its --help, --version) does not
// take: "unexpected argument ARGUMENT", in the same words everywhere.
std::string unexpectedArgument(std::string_view argument);

// "Usage: PROGRAM FORM\n       PROGRAM FORM\n": one line per form, each
// naming the program; forms are written without it.
std::string usageLines(std::string_view program, std::span<const std::string_view> forms);

// "Options:" and one entry per shown option, the help aligned in one column:
//   -h, --help          print this help and exit
//       --port DEVICE   the serial device of port 1
std::string optionList(std::span<const Option> options);

// Writes a usage error to `err` and returns kExitUsage:
//   PROGRAM: PROBLEM
//   USAGE (as usageLines gives it)
//   Run 'HELP_COMMAND' for more.
int usageError(std::ostream& err, std::string_view program, std::string_view problem,
               std::string_view usage, std::string_view helpCommand);

}  // namespace cli
