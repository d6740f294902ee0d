#include "panel/command_line.h"

#include <ostream>

#include "cli/command_line.h"

#ifndef FISCAL_PANEL_VERSION
#error "FISCAL_PANEL_VERSION must come from the build"
#endif

namespace panel {
namespace {

constexpr const char* kProgramName = "fiscal-printer-panel";

constexpr cli::Option kControl{"--control", "PATH",
                               "watch the virtual printer whose control socket is PATH\n"
                               "(one started with --control PATH), instead of starting one"};
constexpr cli::Option kSimulator{"--simulator", "PROGRAM",
                                 "start PROGRAM as the virtual printer (default:\n"
                                 "fiscal-printer-sim beside this program, else on PATH)"};
constexpr cli::Option kTearOffDir{"--tear-off-dir", "DIR",
                                  "save torn-off paper in DIR (default:\n"
                                  "$XDG_DATA_HOME/fiscal-printer-panel)"};
// The toolkit's own options, which QApplication takes from its command line;
// Qt spells them with one dash.
constexpr cli::Option kPlatform{"--platform", "NAME", "Qt platform plug-in", "-platform", true};
constexpr cli::Option kDisplay{"--display", "DISPLAY", "X display", "-display", true};
constexpr cli::Option kStyle{"--style", "STYLE", "Qt widget style", "-style", true};

constexpr cli::Option kOptions[] = {
    kControl, kSimulator, kTearOffDir,      kPlatform,
    kDisplay, kStyle,     cli::kHelpOption, cli::kVersionOption,
};

constexpr std::string_view kForms[] = {
    "--control PATH [--tear-off-dir DIR]",
    "[--simulator PROGRAM] [--tear-off-dir DIR] [-- PRINTER-OPTIONS...]",
    "-h | --help | --version",
};

std::string helpText() {
  return cli::usageLines(kProgramName, kForms) +
         "\n"
         "Live panel of the virtual fiscal printer: the paper roll as it prints, a lamp\n"
         "for every status bit, the fiscal state, switches for paper, cover, drawer,\n"
         "power and faults, and the line monitor. With --control it watches a running\n"
         "printer; without it, it starts fiscal-printer-sim with the PRINTER-OPTIONS\n"
         "after \"--\" (and a control socket of its own) and stops it on exit.\n"
         "\n" +
         cli::optionList(kOptions) +
         "\n"
         "Qt's own -platform NAME, -display DISPLAY and -style STYLE are passed on to Qt.\n"
         "\n"
         "Exit status:\n"
         "  0  the window was closed (a printer that cannot be started or reached is\n"
         "     said in the window), or --help or --version\n"
         "  2  bad usage\n";
}

CommandLine failure(CommandLine line, std::string message) {
  line.action = CommandLine::Action::Error;
  line.error = std::move(message);
  return line;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line;
  line.helpText = helpText();
  line.toolkitArguments.push_back(argc > 0 ? argv[0] : kProgramName);
  cli::ArgumentReader reader(std::vector<std::string>(argv + std::min(argc, 1), argv + argc),
                             kOptions);
  cli::Argument argument;
  bool help = false;
  bool version = false;
  while (true) {
    const auto status = reader.next(argument);
    if (status == cli::ArgumentReader::Status::kEnd) break;
    if (status == cli::ArgumentReader::Status::kError) return failure(line, reader.error());
    if (argument.option == nullptr) {
      // Only what follows "--" is the printer's.
      if (!reader.optionsEnded()) {
        return failure(
            line, "unexpected argument " + argument.value + " (printer options go after \"--\")");
      }
      line.simulatorArgs.push_back(argument.value);
      continue;
    }
    if (argument.option->hidden) {
      line.toolkitArguments.push_back(std::string(argument.option->shortName));
      line.toolkitArguments.push_back(argument.value);
      continue;
    }
    help = help || argument.is(cli::kHelpOption);
    version = version || argument.is(cli::kVersionOption);
    if (!argument.option->valueName.empty() && argument.value.empty()) {
      return failure(line, std::string(argument.option->name) + " needs a value that is not empty");
    }
    if (argument.is(kControl)) line.control = argument.value;
    if (argument.is(kSimulator)) line.simulator = argument.value;
    if (argument.is(kTearOffDir)) line.tearOffDir = argument.value;
  }
  if (help) {
    line.action = CommandLine::Action::Help;
  } else if (version) {
    line.action = CommandLine::Action::Version;
  } else if (line.control && (!line.simulatorArgs.empty() || !line.simulator.empty())) {
    return failure(line,
                   "--control watches a running printer; printer options and --simulator are "
                   "for a printer the panel starts");
  }
  return line;
}

int answerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err) {
  switch (line.action) {
    case CommandLine::Action::Run:
      return 0;
    case CommandLine::Action::Help:
      out << line.helpText << std::flush;
      return 0;
    case CommandLine::Action::Version:
      out << kProgramName << ' ' << FISCAL_PANEL_VERSION << '\n' << std::flush;
      return 0;
    case CommandLine::Action::Error:
      return cli::usageError(err, kProgramName, line.error, cli::usageLines(kProgramName, kForms),
                             "fiscal-printer-panel --help");
  }
  return kExitUsage;
}

std::optional<std::string> controlInSimulatorArgs(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--exec") break;
    if (args[i] == "--control" && i + 1 < args.size()) return args[i + 1];
    if (args[i].rfind("--control=", 0) == 0) return args[i].substr(10);
  }
  return std::nullopt;
}

}  // namespace panel
