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
constexpr cli::Option kOptions[] = {
    kControl,
    kSimulator,
    kTearOffDir,
    cli::kToolkitPlatform,
    cli::kToolkitDisplay,
    cli::kToolkitStyle,
    cli::kHelpOption,
    cli::kVersionOption,
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
         cli::optionList(kOptions) + "\n" + std::string(cli::kToolkitHelp) +
         "\n"
         "Exit status:\n"
         "  0  the window was closed (a printer that cannot be started or reached is\n"
         "     said in the window), or --help or --version\n"
         "  2  bad usage\n";
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line;
  line.helpText = helpText();
  const auto take = [&line](const cli::Argument& argument, bool afterDashes) -> std::string {
    if (argument.option == nullptr) {
      // Only what follows "--" is the printer's.
      if (!afterDashes) {
        return cli::unexpectedArgument(argument.value) + " (printer options go after \"--\")";
      }
      line.simulatorArgs.push_back(argument.value);
    }
    if (argument.is(kControl)) line.control = argument.value;
    if (argument.is(kSimulator)) line.simulator = argument.value;
    if (argument.is(kTearOffDir)) line.tearOffDir = argument.value;
    return {};
  };
  cli::readDesktopLine(argc, argv, kProgramName, kOptions, take, line);
  if (line.action == CommandLine::Action::Run && line.control &&
      (!line.simulatorArgs.empty() || !line.simulator.empty())) {
    line.action = CommandLine::Action::Error;
    line.error =
        "--control watches a running printer; printer options and --simulator are for a "
        "printer the panel starts";
  }
  return line;
}

int answerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err) {
  return cli::answerDesktopLine(line, kProgramName, FISCAL_PANEL_VERSION,
                                cli::usageLines(kProgramName, kForms), out, err);
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
