#include "simulator/program/subcommands.h"

#include <iostream>
#include <optional>
#include <span>

#include "cli/command_line.h"
#include "simulator/control/control_client.h"
#include "simulator/control/control_requests.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/program/options.h"
#include "simulator/report/memory_report.h"

namespace sim {
namespace {

constexpr int kControlDeadlineMs = 2000;

constexpr cli::Option kMemory{"--memory", "FILE", "the fiscal memory file (a printer's --memory)"};
constexpr cli::Option kFrom{"--from", "DATE", "from this day on (YYYY-MM-DD)"};
constexpr cli::Option kTo{"--to", "DATE", "up to this day (YYYY-MM-DD)"};
constexpr cli::Option kZ{"--z", "N", "the day closed by Z closing N"};
constexpr cli::Option kDate{"--date", "DATE", "the documents ended on DATE (YYYY-MM-DD)"};
constexpr cli::Option kJson{"--json", "", "JSON instead of text"};

constexpr cli::Option kReportOptions[] = {kMemory, kFrom, kTo, kJson, cli::kHelpOption};
constexpr cli::Option kJournalOptions[] = {kMemory, kZ, kDate, kJson, cli::kHelpOption};
constexpr cli::Option kControlOptions[] = {cli::kHelpOption};

// A subcommand as its help describes it.
struct Subcommand {
  std::string_view name;
  std::string_view form;
  std::string_view description;
  std::span<const cli::Option> options;
};

constexpr Subcommand kReport{
    "report", "report --memory FILE [--from DATE] [--to DATE] [--json]",
    "Prints the fiscal memory report of FILE: the printer's identity, each Z closing\n"
    "(dated from --from to --to, both included) with its document ranges, counts and\n"
    "totals by rate, and the open day. The memory is left as it is: read access to\n"
    "the file (and its -wal) is enough, also while a printer runs on it.\n",
    kReportOptions};
constexpr Subcommand kJournal{
    "journal", "journal --memory FILE [--z N | --date DATE] [--json]",
    "Prints every document of one day kept in the fiscal memory FILE, with its\n"
    "lines: the day closed by Z closing N, the documents ended on DATE, or by\n"
    "default the open day. The memory is left as it is: read access to the file\n"
    "(and its -wal) is enough, also while a printer runs on it.\n",
    kJournalOptions};
constexpr Subcommand kControl{
    "ctl", "ctl SOCKET REQUEST...",
    "Sends one request to the printer listening on the control socket SOCKET (its\n"
    "--control PATH) and prints the answer line, all within 2 seconds, connecting\n"
    "included: exit code 0 for \"ok ...\", 1 for an error answer or no answer in time.\n"
    "\"watch\" instead prints the event stream, one JSON object a line, until the\n"
    "printer ends it (exit code 0).\n",
    kControlOptions};

// The subcommand's usage line, for errors.
std::string usageOf(const Subcommand& command) {
  const std::string_view forms[] = {command.form};
  return cli::usageLines(kProgramName, forms);
}

int usage(const Subcommand& command, const std::string& message) {
  return cli::usageError(std::cerr, kProgramName, std::string(command.name) + ": " + message,
                         usageOf(command),
                         std::string(kProgramName) + " " + std::string(command.name) + " --help");
}

int help(const Subcommand& command) {
  std::cout << usageOf(command) << "\n" << command.description << "\n";
  if (&command == &kControl) {
    // One request a line, from the list the socket itself accepts.
    std::cout << "Requests:\n";
    const std::string forms = requestForms();
    for (std::size_t at = 0; at < forms.size();) {
      const std::size_t end = forms.find('\n', at);
      std::cout << "  " << forms.substr(at, end - at) << "\n";
      at = end + 1;
    }
    std::cout << "\n";
  }
  std::cout << cli::optionList(command.options) << std::flush;
  return 0;
}

int failure(const std::string& message) {
  std::cerr << kProgramName << ": " << message << std::endl;
  return 1;
}

struct ReadingOptions {
  std::optional<std::string> memory, from, to, date;
  std::optional<std::uint32_t> z;
  bool json = false;
  bool help = false;
};

// Parses the options of report and journal; an error message, or empty.
std::string parseReading(const std::vector<std::string>& args, const Subcommand& command,
                         ReadingOptions& options) {
  cli::ArgumentReader reader(std::vector<std::string>(args.begin() + 1, args.end()),
                             command.options);
  cli::Argument argument;
  while (true) {
    const auto status = reader.next(argument);
    if (status == cli::ArgumentReader::Status::kEnd) break;
    if (status == cli::ArgumentReader::Status::kError) return reader.error();
    const std::string& value = argument.value;
    if (argument.option == nullptr) return cli::unexpectedArgument(value);
    if (argument.is(cli::kHelpOption)) {
      options.help = true;
    } else if (argument.is(kJson)) {
      options.json = true;
    } else if (argument.is(kMemory) && !value.empty()) {
      options.memory = value;
    } else if ((argument.is(kFrom) || argument.is(kTo)) && isDate(value)) {
      (argument.is(kFrom) ? options.from : options.to) = value;
    } else if (argument.is(kDate) && isDate(value)) {
      options.date = value;
    } else if (argument.is(kZ) && !value.empty() && value.size() <= 4 &&
               value.find_first_not_of("0123456789") == std::string::npos) {
      options.z = static_cast<std::uint32_t>(std::stoul(value));
    } else {
      return "bad value for " + std::string(argument.option->name) + ": \"" + value + "\"";
    }
  }
  if (options.help) return {};
  if (!options.memory) return "--memory FILE is required";
  if (options.z && options.date) return "--z and --date exclude each other";
  return {};
}

}  // namespace

namespace {

int read(const std::vector<std::string>& args, const Subcommand& command) {
  ReadingOptions options;
  if (const std::string error = parseReading(args, command, options); !error.empty()) {
    return usage(command, error);
  }
  if (options.help) return help(command);
  const bool journal = &command == &kJournal;
  std::string error;
  const auto memory = FiscalMemory::openForReading(*options.memory, error);
  if (!memory) return failure("fiscal memory " + *options.memory + ": " + error);
  const bool written = journal ? writeJournal(*memory, JournalDay{options.z, options.date},
                                              options.json, std::cout, error)
                               : writeMemoryReport(*memory, ReportRange{options.from, options.to},
                                                   options.json, std::cout, error);
  std::cout.flush();
  if (!written) return failure("fiscal memory " + *options.memory + ": " + error);
  return std::cout ? 0 : failure("cannot write to standard output");
}

int control(const std::vector<std::string>& args) {
  // -h or --help anywhere asks for the help; `--` lets a request word start with '-'.
  std::vector<std::string> operands;
  cli::ArgumentReader reader(std::vector<std::string>(args.begin() + 1, args.end()),
                             kControlOptions);
  cli::Argument argument;
  for (auto status = reader.next(argument); status != cli::ArgumentReader::Status::kEnd;
       status = reader.next(argument)) {
    if (status == cli::ArgumentReader::Status::kError) return usage(kControl, reader.error());
    if (argument.is(cli::kHelpOption)) return help(kControl);
    operands.push_back(argument.value);
  }
  if (operands.size() < 2) return usage(kControl, "needs a socket and a request");
  std::string request;
  for (std::size_t i = 1; i < operands.size(); ++i) request += (i > 1 ? " " : "") + operands[i];
  std::string error;
  const std::optional<ControlRequest> parsed = parseControlRequest(request, error);
  if (!parsed) return usage(kControl, error);
  if (parsed->watches()) {
    const bool watched = watchControl(
        operands[0], kControlDeadlineMs,
        [](const std::string& line) { return static_cast<bool>(std::cout << line << std::endl); },
        error);
    if (watched) return 0;
    // The printer's own refusal is its answer, shown where every answer is.
    if (error.rfind("error:", 0) != 0) return failure(error);
    std::cout << error << std::endl;
    return 1;
  }
  const auto answer = askControl(operands[0], request, kControlDeadlineMs, error);
  if (!answer) return failure(error);
  std::cout << *answer << std::endl;
  return answer->rfind("ok", 0) == 0 ? 0 : 1;
}

}  // namespace

bool isSubcommand(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "report" || args[0] == "journal" || args[0] == "ctl");
}

int runSubcommand(const std::vector<std::string>& args) {
  if (args[0] == "ctl") return control(args);
  return read(args, args[0] == "journal" ? kJournal : kReport);
}

}  // namespace sim
