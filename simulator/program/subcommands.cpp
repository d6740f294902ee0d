#include "simulator/program/subcommands.h"

#include <cstdio>
#include <iostream>
#include <optional>

#include "simulator/control/control_client.h"
#include "simulator/control/control_verbs.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/memory/memory_report.h"

namespace sim {
namespace {

constexpr int kControlDeadlineMs = 2000;

int usage(const std::string& message) {
  std::fprintf(
      stderr,
      "fiscal-printer-sim: %s\n"
      "Usage: fiscal-printer-sim report --memory FILE [--from DATE] [--to DATE] [--json]\n"
      "       fiscal-printer-sim journal --memory FILE [--z N | --date DATE] [--json]\n"
      "       fiscal-printer-sim ctl SOCKET REQUEST...\n"
      "  DATE is YYYY-MM-DD; REQUEST is one of: %s\n"
      "  ctl prints the answer line within 2 s in all, connecting included: exit 0 on\n"
      "  ok, 1 on an error answer or no answer in time, 2 for a request it does not know;\n"
      "  ctl SOCKET watch prints the event stream until the simulator ends it (exit 0)\n",
      message.c_str(), controlVerbsText());
  return 2;
}

int failure(const std::string& message) {
  std::fprintf(stderr, "fiscal-printer-sim: %s\n", message.c_str());
  return 1;
}

struct ReadingOptions {
  std::optional<std::string> memory, from, to, date;
  std::optional<std::uint32_t> z;
  bool json = false;
};

// Parses the options of report and journal; an error message, or empty.
std::string parseReading(const std::vector<std::string>& args, bool journal,
                         ReadingOptions& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      options.json = true;
      continue;
    }
    if (i + 1 >= args.size()) return arg + " needs a value";
    const std::string& value = args[++i];
    if (arg == "--memory" && !value.empty()) {
      options.memory = value;
    } else if (!journal && (arg == "--from" || arg == "--to") && isDate(value)) {
      (arg == "--from" ? options.from : options.to) = value;
    } else if (journal && arg == "--date" && isDate(value)) {
      options.date = value;
    } else if (journal && arg == "--z" && !value.empty() && value.size() <= 4 &&
               value.find_first_not_of("0123456789") == std::string::npos) {
      options.z = static_cast<std::uint32_t>(std::stoul(value));
    } else {
      return "bad argument: " + arg + " " + value;
    }
  }
  if (!options.memory) return "--memory FILE is required";
  if (options.z && options.date) return "--z and --date exclude each other";
  return {};
}

int read(const std::vector<std::string>& args, bool journal) {
  ReadingOptions options;
  if (const std::string error = parseReading(args, journal, options); !error.empty()) {
    return usage(error);
  }
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
  if (args.size() < 3) return usage("ctl needs a socket and a request");
  std::string request;
  for (std::size_t i = 2; i < args.size(); ++i) request += (i > 2 ? " " : "") + args[i];
  std::string error;
  const std::optional<ControlRequest> parsed = parseControlRequest(request, error);
  if (!parsed) return usage(error);
  if (parsed->verb == ControlRequest::Verb::kWatch) {
    const bool watched = watchControl(
        args[1], kControlDeadlineMs,
        [](const std::string& line) { return static_cast<bool>(std::cout << line << std::endl); },
        error);
    return watched ? 0 : failure(error);
  }
  const auto answer = askControl(args[1], request, kControlDeadlineMs, error);
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
  return read(args, args[0] == "journal");
}

}  // namespace sim
