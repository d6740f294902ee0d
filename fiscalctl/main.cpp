// fiscalctl: the printer's commands from the shell. See usage.h or --help.
#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "fiscalctl/command_names.h"
#include "fiscalctl/output.h"
#include "fiscalctl/printer_api.h"
#include "fiscalctl/request.h"
#include "fiscalctl/session.h"
#include "fiscalctl/trace_decoder.h"
#include "fiscalctl/trace_reader.h"
#include "fiscalctl/usage.h"

namespace fiscalctl {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoPrinter = 3;

std::atomic<bool> stopRequested{false};

struct Options {
  std::string library;
  std::optional<std::string> port;
  int baud = 115200;
  int repeat = 1;
  bool keepGoing = false;
  bool json = false;
  std::string script;
  bool follow = false;
  std::vector<std::string> words;  // everything else, in order
};

// A request and where it came from, for the summary.
struct Step {
  Request request;
  std::string origin;  // "" or "FILE:LINE"
};

int usageError(const std::string& message) {
  std::cerr << "fiscalctl: " << message << "\n(fiscalctl --help shows the usage)\n";
  return kExitUsage;
}

bool parseCount(const std::string& text, int low, int high, int& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoi(text);
  return value >= low && value <= high;
}

// Options anywhere before `send`; after it, every argument is a field.
std::optional<std::string> parseOptions(int argc, char** argv, Options& options) {
  bool literal = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (literal || arg.empty() || arg[0] != '-' || arg == "-") {
      literal = literal || arg == "send";
      options.words.push_back(arg);
      continue;
    }
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (arg == "--keep-going") {
      options.keepGoing = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--follow") {
      options.follow = true;
    } else if (arg == "--help" || arg == "--version") {
      options.words.insert(options.words.begin(), arg);
    } else if (arg == "--library" || arg == "--port" || arg == "--script" || arg == "--baud" ||
               arg == "--repeat") {
      const auto given = value();
      if (!given) return arg + " needs a value";
      if (arg == "--library") options.library = *given;
      if (arg == "--port") options.port = *given;
      if (arg == "--script") options.script = *given;
      if (arg == "--baud" && !parseCount(*given, 1, 100'000'000, options.baud)) {
        return "--baud takes a speed in bit/s, not \"" + *given + "\"";
      }
      if (arg == "--repeat" && !parseCount(*given, 1, 1'000'000, options.repeat)) {
        return "--repeat takes a count from 1, not \"" + *given + "\"";
      }
    } else {
      return "unknown option " + arg;
    }
  }
  return std::nullopt;
}

std::string sharedScript(const std::string& name) {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return (exe.parent_path().parent_path() / "share" / "fiscalctl" / name).string();
}

// Reads the script's lines into steps; false with the message on error.
bool readScript(const std::string& path, std::vector<Step>& steps, std::string& error) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    if (std::filesystem::is_directory(path)) {
      error = path + ": is a directory";
      return false;
    }
    file.open(path);
    if (!file) {
      error = "cannot read the script " + path;
      return false;
    }
    in = &file;
  }
  std::string line;
  for (int number = 1; std::getline(*in, line); ++number) {
    const std::string origin = path + ":" + std::to_string(number);
    std::vector<std::string> args;
    std::vector<Request> requests;
    if (!splitScriptLine(line, args, error) || !parseRequests(args, requests, error)) {
      error = origin + ": " + error;
      return false;
    }
    for (Request& request : requests) steps.push_back({std::move(request), origin});
  }
  if (in->bad()) {
    error = "cannot read the script " + path;
    return false;
  }
  return true;
}

void setPort(const Options& options) {
  if (options.port) ::setenv("FISCALPRINTER_PORT1", options.port->c_str(), 1);
}

std::string libraryPath(const Options& options) {
  return options.library.empty() ? PrinterApi::besideExecutable() : options.library;
}

// The code in words; our library's area adds the reason (a target that does not
// parse, a refused connection) after the same words, and then says it all.
std::string openingText(const PrinterApi& api, const Session& session, int code) {
  const std::string text = codeText(api, code);
  const std::string said = session.identification();
  return !text.empty() && said.size() > text.size() && said.rfind(text + ": ", 0) == 0 ? said
                                                                                       : text;
}

// Loads the library and opens the port; prints why not and gives the exit code.
std::optional<int> openPrinter(const Options& options, PrinterApi& api, Session& session) {
  if (!api.loaded()) {
    std::cerr << "fiscalctl: cannot use the printer library " << libraryPath(options) << ": "
              << api.error() << "\n";
    return kExitNoPrinter;
  }
  const Outcome opened = session.open(PortSettings{options.baud});
  if (opened.code == 0) return std::nullopt;
  const char* device = std::getenv("FISCALPRINTER_PORT1");
  std::cerr << "fiscalctl: cannot open the printer port"
            << (device != nullptr && *device != '\0' ? " " + std::string(device) : "") << ": code "
            << opened.code << " " << openingText(api, session, opened.code) << "\n";
  if (options.json) printJson(std::cout, api, opened);
  return kExitNoPrinter;
}

int runSteps(const Options& options, const std::vector<Step>& steps) {
  setPort(options);
  PrinterApi api(libraryPath(options));
  Session session(api);
  if (const auto failed = openPrinter(options, api, session)) return *failed;
  if (!options.json) {
    std::cout << "printer: " << session.identification() << " (library: " << session.version()
              << ")\n";
  }
  int exitCode = kExitOk;
  std::size_t run = 0;
  std::size_t good = 0;
  std::string firstFailure;
  const std::size_t total = steps.size() * static_cast<std::size_t>(options.repeat);
  for (int round = 0; round < options.repeat && !stopRequested; ++round) {
    for (const Step& step : steps) {
      if (stopRequested) break;
      const Outcome outcome = session.run(step.request);
      ++run;
      if (options.json) {
        printJson(std::cout, api, outcome);
      } else {
        printText(std::cout, api, outcome);
      }
      if (outcome.code == 0) {
        ++good;
        continue;
      }
      const int code = isLinkFailure(outcome.code) ? kExitNoPrinter : kExitFailed;
      exitCode = std::max(exitCode, code);
      if (firstFailure.empty()) {
        firstFailure = outcome.label + (step.origin.empty() ? "" : " (" + step.origin + ")") +
                       " ended with " + std::to_string(outcome.code) + " " +
                       codeText(api, outcome.code);
      }
      if (!options.keepGoing) break;
    }
    if (exitCode != kExitOk && !options.keepGoing) break;
  }
  if (!options.json && total > 1) {
    if (exitCode == kExitOk && run == total) {
      std::cout << "PASS: all " << run << " commands ended with 0\n";
    } else {
      std::cout << "FAIL: " << firstFailure << "; " << good << " of " << total
                << " commands ended with 0\n";
    }
  }
  return exitCode;
}

int listCommands() {
  for (const NamedCommand& named : namedCommands()) {
    std::cout << named.name;
    for (std::size_t pad = named.name.size(); pad < 16; ++pad) std::cout << ' ';
    if (named.spec == nullptr) {
      std::cout << "(reads the status words)";
    } else {
      std::cout << wordsText(named.spec->command.value, named.spec->extension.value) << "  "
                << (named.spec->sending == fp::contract::Sending::Packed
                        ? "packed"
                        : std::to_string(named.spec->fields.size()) + " fields");
    }
    std::cout << "  \"" << named.button << "\"\n";
  }
  return kExitOk;
}

void onStopSignal(int) {
  stopRequested = true;
}

int decodeTrace(const std::string& path, bool follow) {
  if (follow) {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  TraceDecoder decoder(std::cout);
  std::string error;
  const bool read = readTraceLines(
      path, follow, stopRequested,
      [&](std::string_view line) {
        decoder.line(line);
        if (follow) std::cout.flush();  // a person is watching
      },
      error);
  decoder.finish();
  if (!read) return usageError(error);
  const int failed = decoder.failedCommands();
  std::cout << "trace: " << decoder.commands().size() << " commands, " << failed
            << " not ended with 0, " << decoder.malformedLines() << " malformed lines\n";
  return failed == 0 ? kExitOk : kExitFailed;
}

int replayTrace(const Options& options, const std::string& path) {
  std::ostream silent(nullptr);
  TraceDecoder decoder(silent);
  std::string error;
  const std::atomic<bool> never{false};
  if (!readTraceLines(
          path, false, never, [&](std::string_view line) { decoder.line(line); }, error)) {
    return usageError(error);
  }
  decoder.finish();
  setPort(options);
  PrinterApi api(libraryPath(options));
  Session session(api);
  if (const auto failed = openPrinter(options, api, session)) return *failed;
  std::cout << "printer: " << session.identification() << "\n";
  int differences = 0;
  for (const TracedCommand& traced : decoder.commands()) {
    Request request;
    request.label = commandLabel(traced.command, traced.extension);
    if (traced.fields.empty()) {
      request.kind = Request::Kind::Packed;  // the same bytes on the line
      request.packed = wordsText(traced.command, traced.extension);
    } else {
      request.kind = Request::Kind::Fields;
      request.command = traced.command;
      request.extension = traced.extension;
      request.fields = traced.fields;
    }
    const Outcome outcome = session.run(request);
    const bool same = traced.code && *traced.code == outcome.code;
    if (!same) ++differences;
    std::string oldText = verdictText(traced.code);
    oldText.resize(std::max<std::size_t>(oldText.size(), 36), ' ');
    std::cout << "#" << int{traced.sequence} << ' ' << request.label << "  ["
              << wordsText(traced.command, traced.extension) << "]\n"
              << "  old " << oldText << "  new " << outcome.code << ' '
              << codeText(api, outcome.code) << "  " << (same ? "same" : "DIFFERENT") << "\n";
  }
  std::cout << "replay: " << decoder.commands().size() << " commands, " << differences
            << " with a different verdict\n";
  return differences == 0 ? kExitOk : kExitFailed;
}

int main(int argc, char** argv) {
  Options options;
  if (const auto error = parseOptions(argc, argv, options)) return usageError(*error);
  const std::vector<std::string>& words = options.words;
  const std::string first = words.empty() ? "" : words[0];
  if (first == "--help") {
    std::cout << kUsage;
    return kExitOk;
  }
  if (first == "--version") {
    std::cout << "fiscalctl 1.0.0\n";
    return kExitOk;
  }
  if (first == "list") return words.size() == 1 ? listCommands() : usageError("list takes nothing");
  if (first == "trace" || first == "replay") {
    if (words.size() != 2) return usageError(first + " takes one trace file");
    if (first == "trace") return decodeTrace(words[1], options.follow);
    return replayTrace(options, words[1]);
  }
  if (options.follow) return usageError("--follow goes with trace");
  std::vector<Step> steps;
  std::string error;
  if (first == "acceptance") {
    if (words.size() != 1 || !options.script.empty()) return usageError("acceptance takes nothing");
    options.script = sharedScript("acceptance.fiscalctl");
  } else {
    std::vector<Request> requests;
    if (!parseRequests(words, requests, error)) return usageError(error);
    for (Request& request : requests) steps.push_back({std::move(request), ""});
  }
  if (!options.script.empty() && !readScript(options.script, steps, error)) {
    return usageError(error);
  }
  if (steps.empty()) return usageError("no command given");
  return runSteps(options, steps);
}

}  // namespace
}  // namespace fiscalctl

int main(int argc, char** argv) {
  try {
    return fiscalctl::main(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "fiscalctl: " << error.what() << "\n";
    return 2;
  }
}
