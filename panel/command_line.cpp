#include "panel/command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <ostream>

#ifndef FISCAL_PANEL_VERSION
#error "FISCAL_PANEL_VERSION must come from the build"
#endif

namespace panel {
namespace {

constexpr const char* kProgramName = "fiscal-printer-panel";

std::string text(const QString& value) {
  return value.toLocal8Bit().toStdString();
}

struct Options {
  QCommandLineOption help{QStringList{"h", "help"}, "Show this help and exit."};
  QCommandLineOption version{QStringList{"version"}, "Show the program's version and exit."};
  QCommandLineOption control{QStringList{"control"},
                             "Watch the virtual printer whose control socket is PATH (one "
                             "started with --control PATH), instead of starting one.",
                             "PATH"};
  QCommandLineOption simulator{QStringList{"simulator"},
                               "Start PROGRAM as the virtual printer (default: "
                               "fiscal-printer-sim beside this program, else on PATH).",
                               "PROGRAM"};
  QCommandLineOption tearOff{QStringList{"tear-off-dir"},
                             "Save torn-off paper in DIR (default: "
                             "$XDG_DATA_HOME/fiscal-printer-panel).",
                             "DIR"};
  // The toolkit's own options, which QApplication takes from the same command line.
  QCommandLineOption platform{QStringList{"platform"}, "Qt platform plug-in.", "NAME"};
  QCommandLineOption display{QStringList{"display"}, "X display.", "DISPLAY"};
  QCommandLineOption style{QStringList{"style"}, "Qt widget style.", "STYLE"};

  Options() {
    for (QCommandLineOption* hidden : {&platform, &display, &style}) {
      hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    }
  }
};

std::string helpTextOf(const QCommandLineParser& parser) {
  QString help = parser.helpText();
  help.replace(QStringLiteral("<executable_name>"), QString::fromLatin1(kProgramName));
  return text(help);
}

CommandLine failure(CommandLine line, std::string message) {
  line.action = CommandLine::Action::Error;
  line.error = std::move(message);
  return line;
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
  Options options;
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Live panel of the virtual fiscal printer: the paper roll as it prints, a lamp for "
      "every status bit, the fiscal state, switches for paper, cover, drawer, power and "
      "faults, and the line monitor.\nWithout --control it starts fiscal-printer-sim with "
      "the options after \"--\" (and a control socket of its own) and stops it on exit."));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions({options.help, options.version, options.control, options.simulator,
                     options.tearOff, options.platform, options.display, options.style});
  parser.addPositionalArgument(QStringLiteral("-- PRINTER-OPTIONS"),
                               QStringLiteral("Options of fiscal-printer-sim, for the printer "
                                              "the panel starts (see fiscal-printer-sim --help)."),
                               QStringLiteral("[-- PRINTER-OPTIONS...]"));

  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments.isEmpty()) arguments << QString::fromLatin1(kProgramName);

  CommandLine line;
  line.helpText = helpTextOf(parser);
  if (!parser.parse(arguments)) return failure(line, text(parser.errorText()));
  // Only what follows "--" is the printer's.
  const qsizetype separator = arguments.indexOf(QStringLiteral("--"));
  const QStringList positional = parser.positionalArguments();
  const qsizetype printerCount = separator < 0 ? 0 : arguments.size() - separator - 1;
  if (positional.size() > printerCount) {
    return failure(line, "Unexpected argument '" + text(positional.first()) +
                             "' (printer options go after \"--\").");
  }
  for (const QString& argument : positional) line.simulatorArgs.push_back(text(argument));
  if (parser.isSet(options.help)) {
    line.action = CommandLine::Action::Help;
    return line;
  }
  if (parser.isSet(options.version)) {
    line.action = CommandLine::Action::Version;
    return line;
  }
  if (parser.isSet(options.simulator)) {
    line.simulator = text(parser.value(options.simulator));
    if (line.simulator.empty()) return failure(line, "Empty value for '--simulator'.");
  }
  for (const auto& [option, target] : {std::pair{&options.control, &line.control},
                                       std::pair{&options.tearOff, &line.tearOffDir}}) {
    if (!parser.isSet(*option)) continue;
    *target = text(parser.value(*option));
    if (target->value().empty()) {
      return failure(line, "Empty value for '--" + text(option->names().first()) + "'.");
    }
  }
  if (line.control && (!line.simulatorArgs.empty() || !line.simulator.empty())) {
    return failure(line,
                   "--control watches a running printer; printer options and --simulator are "
                   "for a printer the panel starts.");
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
      err << kProgramName << ": " << line.error << '\n' << line.helpText << std::flush;
      return kExitUsage;
  }
  return kExitUsage;
}

std::optional<std::string> controlInSimulatorArgs(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--exec") break;
    if (args[i] == "--control" && i + 1 < args.size()) return args[i + 1];
  }
  return std::nullopt;
}

}  // namespace panel
