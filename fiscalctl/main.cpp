// fiscalctl: the printer's commands from the shell. See usage.h or --help.
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "fiscalctl/command_names.h"
#include "fiscalctl/output.h"
#include "fiscalctl/port_diagnosis.h"
#include "fiscalctl/printer_api.h"
#include "fiscalctl/request.h"
#include "fiscalctl/session.h"
#include "fiscalctl/trace_decoder.h"
#include "fiscalctl/trace_reader.h"
#include "fiscalctl/usage.h"
#include "line/net_target.h"

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
  bool version = false;
  std::optional<std::string> helpFor;  // -h/--help: the command before it, or ""
  std::size_t wordsBeforeHelp = 0;     // the run up to that command
  std::vector<std::string> words;      // everything else, in order
};

// A request and where it came from, for the summary.
struct Step {
  Request request;
  std::string origin;  // "" or "FILE:LINE"
};

// A usage error: the problem, then the usage of `command` (or of the program).
int usageError(const std::string& message, std::string_view command = {}) {
  const std::string help =
      std::string(kProgramName) + (command.empty() ? "" : " " + std::string(command)) + " --help";
  return cli::usageError(std::cerr, kProgramName, message, usageLinesOf(command), help);
}

// A script or trace that cannot be used: exit code 2 like a usage error, but
// the usage would not help.
int inputError(const std::string& message) {
  std::cerr << kProgramName << ": " << message << "\n";
  return kExitUsage;
}

bool parseCount(const std::string& text, int low, int high, int& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  value = std::stoi(text);
  return value >= low && value <= high;
}

// The last command word read so far ("" when none): -h or --help after it asks
// for its help.
std::string lastCommand(const std::vector<std::string>& words) {
  for (auto word = words.rbegin(); word != words.rend(); ++word) {
    if (commandKind(*word) != CommandKind::None) return *word;
  }
  return {};
}

// Sets the option read; an error message, or nothing.
std::optional<std::string> takeOption(const cli::Argument& argument, Options& options) {
  const std::string& value = argument.value;
  if (argument.is(kKeepGoingOption)) options.keepGoing = true;
  if (argument.is(kJsonOption)) options.json = true;
  if (argument.is(kFollowOption)) options.follow = true;
  if (argument.is(cli::kVersionOption)) options.version = true;
  if (argument.is(cli::kHelpOption)) {
    options.helpFor = lastCommand(options.words);
    options.wordsBeforeHelp = options.words.size();
  }
  if (argument.is(kLibraryOption)) options.library = value;
  if (argument.is(kPortOption)) options.port = value;
  if (argument.is(kScriptOption)) options.script = value;
  if (argument.is(kBaudOption) && !parseCount(value, 1, 100'000'000, options.baud)) {
    return "--baud takes a speed in bit/s, not \"" + value + "\"";
  }
  if (argument.is(kRepeatOption) && !parseCount(value, 1, 1'000'000, options.repeat)) {
    return "--repeat takes a count from 1, not \"" + value + "\"";
  }
  if ((argument.is(kLibraryOption) || argument.is(kPortOption) || argument.is(kScriptOption)) &&
      value.empty()) {
    return std::string(argument.option->name) + " needs a value that is not empty";
  }
  return std::nullopt;
}

// Options anywhere before `send`; after it, send's own (see
// readSendArguments): its -h or --help before a `--` asks for its help.
std::optional<std::string> parseOptions(int argc, char** argv, Options& options) {
  cli::ArgumentReader reader(std::vector<std::string>(argv + 1, argv + argc), programOptions());
  cli::Argument argument;
  while (true) {
    const auto status = reader.next(argument);
    if (status == cli::ArgumentReader::Status::kEnd) return std::nullopt;
    if (status == cli::ArgumentReader::Status::kError) return reader.error();
    if (argument.option != nullptr) {
      if (auto error = takeOption(argument, options)) return error;
      continue;
    }
    options.words.push_back(argument.value);
    if (argument.value != "send") continue;
    std::vector<std::string> rest = reader.rest();
    // A `--` before send has ended every option already, send's too.
    if (reader.optionsEnded()) rest.insert(rest.begin(), "--");
    SendArguments send;
    std::string ignored;  // parseRequests says it, with send's usage
    if (readSendArguments(rest, send, ignored) && send.help) {
      options.helpFor = "send";
      options.wordsBeforeHelp = options.words.size();
      return std::nullopt;
    }
    options.words.insert(options.words.end(), rest.begin(), rest.end());
    return std::nullopt;
  }
}

// A word --help or --version does not take: --version takes none, --help
// only the run up to the command whose help it asks for.
std::optional<std::string> strayWord(const Options& options) {
  const bool forCommand = options.helpFor && !options.helpFor->empty();
  const std::size_t allowed = forCommand ? options.wordsBeforeHelp : 0;
  if (options.words.size() > allowed) return options.words[allowed];
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
      error = "cannot read the script " + path + ": " + std::strerror(EISDIR);
      return false;
    }
    errno = 0;
    file.open(path);
    if (!file) {
      error = "cannot read the script " + path + ": " + std::strerror(errno != 0 ? errno : EIO);
      return false;
    }
    in = &file;
  }
  std::string line;
  errno = 0;  // a failed read says why here
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
    error = "cannot read the script " + path + ": " + std::strerror(errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

// A printer's text (ISO-8859-1) on the terminal: in UTF-8, controls escaped.
std::string shownText(const std::string& printerText) {
  return fp::protocol::terminalText(fp::protocol::utf8FromPrinterText(printerText));
}

void setPort(const Options& options) {
  if (options.port) ::setenv("FISCALPRINTER_PORT1", options.port->c_str(), 1);
}

std::string libraryPath(const Options& options) {
  return options.library.empty() ? PrinterApi::besideExecutable() : options.library;
}

// The reason our library's area gives after the code's words (a target that
// does not parse, a refused connection); empty when it gives none.
std::string libraryReason(const PrinterApi& api, const Session& session, int code) {
  const std::string prefix = codeText(api, code) + ": ";
  const std::string said = session.identification();
  return prefix.size() > 2 && said.size() > prefix.size() && said.rfind(prefix, 0) == 0
             ? said.substr(prefix.size())
             : std::string();
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
  // A device is looked at here, where its owners and holders can be named; a
  // printer on the network is explained by the library, which connected.
  const std::string device = port1Device();
  const fp::line::ParsedTarget target = fp::line::parseTarget(device);
  const bool onDevice = target.target && target.target->kind == fp::line::TargetKind::kDevice;
  std::string reason = onDevice ? portFailureReason(device, opened.code) : std::string();
  if (reason.empty()) reason = libraryReason(api, session, opened.code);
  if (reason.empty()) reason = handshakeRefusal(opened.code);
  if (reason.empty() && opened.code == FP_NO_PRINTER) {
    reason = "connected, but no printer answered within 3 s (is one behind the server? --baud?)";
  }
  const std::string text = codeText(api, opened.code);
  const std::string code = "code " + std::to_string(opened.code) +
                           (text.empty() ? ", which this library gives no text for" : " " + text);
  std::cerr << "fiscalctl: cannot open the printer port " << fp::protocol::terminalText(device)
            << ": "
            << (reason.empty() ? code : fp::protocol::terminalText(reason) + " (" + code + ")")
            << "\n";
  if (options.json) printJson(std::cout, api, opened);
  return kExitNoPrinter;
}

int runSteps(const Options& options, const std::vector<Step>& steps) {
  setPort(options);
  PrinterApi api(libraryPath(options));
  Session session(api);
  if (const auto failed = openPrinter(options, api, session)) return *failed;
  if (!options.json) {
    std::cout << "printer: " << shownText(session.identification())
              << " (library: " << fp::protocol::terminalText(session.version()) << ")\n";
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

void onStopSignal(int) {
  stopRequested = true;
}

std::string notATrace(const std::string& path) {
  return path +
         " holds no trace line (the library writes them to the file named by "
         "FISCALPRINTER_TRACE)";
}

// With `json`, one object a line per command as its verdict is known, and the
// closing count on standard error; otherwise the decoded log.
int decodeTrace(const std::string& path, bool follow, bool json) {
  if (follow) {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  std::ostream silent(nullptr);
  TraceDecoder decoder(json ? silent : std::cout, [json](const TracedCommand& command) {
    if (json) std::cout << tracedJson(command) << "\n";
  });
  std::string error;
  const bool read = readTraceLines(
      path, follow, stopRequested,
      [&](std::string_view line) {
        decoder.line(line);
        if (follow) std::cout.flush();  // a person is watching
      },
      error);
  decoder.finish();
  std::cout.flush();
  if (!read) return inputError(error);
  if (decoder.traceLines() == 0) return inputError(notATrace(path));
  const int failed = decoder.failedCommands();
  (json ? std::cerr : std::cout) << "trace: " << decoder.commands().size() << " commands, "
                                 << failed << " not ended with 0, " << decoder.malformedLines()
                                 << " malformed lines\n";
  return failed == 0 ? kExitOk : kExitFailed;
}

int replayTrace(const Options& options, const std::string& path) {
  std::ostream silent(nullptr);
  TraceDecoder decoder(silent);
  std::string error;
  const std::atomic<bool> never{false};
  if (!readTraceLines(
          path, false, never, [&](std::string_view line) { decoder.line(line); }, error)) {
    return inputError(error);
  }
  decoder.finish();
  if (decoder.traceLines() == 0) return inputError(notATrace(path));
  setPort(options);
  PrinterApi api(libraryPath(options));
  Session session(api);
  if (const auto failed = openPrinter(options, api, session)) return *failed;
  if (!options.json) {
    std::cout << "printer: " << shownText(session.identification()) << "\n";
  }
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
    // Both verdicts in the same words: the code and the library's text for it.
    std::string oldText = traced.code
                              ? std::to_string(*traced.code) + ' ' + codeText(api, *traced.code)
                              : verdictText(traced.code);
    if (options.json) {
      std::cout << "{\"sequence\":" << int{traced.sequence}
                << ",\"old\":{\"code\":" << (traced.code ? std::to_string(*traced.code) : "null")
                << ",\"text\":" << jsonString(oldText) << "},\"new\":" << jsonOutcome(api, outcome)
                << ",\"same\":" << (same ? "true" : "false") << "}" << std::endl;
      continue;
    }
    oldText.resize(std::max<std::size_t>(oldText.size(), 36), ' ');
    std::cout << "#" << int{traced.sequence} << ' ' << request.label << "  ["
              << wordsText(traced.command, traced.extension) << "]\n"
              << "  old " << oldText << "  new " << outcome.code << ' '
              << codeText(api, outcome.code) << "  " << (same ? "same" : "DIFFERENT") << "\n";
  }
  (options.json ? std::cerr : std::cout) << "replay: " << decoder.commands().size() << " commands, "
                                         << differences << " with a different verdict\n";
  return differences == 0 ? kExitOk : kExitFailed;
}

int main(int argc, char** argv) {
  Options options;
  if (const auto error = parseOptions(argc, argv, options)) return usageError(*error);
  if (options.helpFor || options.version) {
    if (const auto stray = strayWord(options)) {
      return usageError(cli::unexpectedArgument(*stray), options.helpFor.value_or(""));
    }
  }
  if (options.helpFor) {
    std::cout << helpTextOf(*options.helpFor) << std::flush;
    return kExitOk;
  }
  if (options.version) {
    std::cout << kProgramName << " " FISCAL_VERSION "\n" << std::flush;
    return kExitOk;
  }
  const std::vector<std::string>& words = options.words;
  const std::string first = words.empty() ? "" : words[0];
  if (first == "list") {
    if (words.size() != 1) return usageError("list takes nothing", first);
    std::cout << listText() << std::flush;
    return kExitOk;
  }
  if (first == "trace" || first == "replay") {
    if (words.size() != 2) return usageError(first + " takes one trace file", first);
    if (first == "trace") return decodeTrace(words[1], options.follow, options.json);
    return replayTrace(options, words[1]);
  }
  if (options.follow) return usageError("--follow goes with trace", "trace");
  std::vector<Step> steps;
  std::string error;
  if (first == "acceptance") {
    if (words.size() != 1 || !options.script.empty()) {
      return usageError("acceptance takes nothing", first);
    }
    options.script = sharedScript("acceptance.fiscalctl");
  } else {
    std::vector<Request> requests;
    if (!parseRequests(words, requests, error)) {
      return usageError(error, first == "send" ? first : "");
    }
    for (Request& request : requests) steps.push_back({std::move(request), ""});
  }
  if (!options.script.empty() && !readScript(options.script, steps, error)) {
    return inputError(error);
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
