#include "window/command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <filesystem>
#include <ostream>

#ifndef FISCAL_CONSOLE_VERSION
#error "FISCAL_CONSOLE_VERSION must come from the build"
#endif

namespace console {
namespace {

constexpr const char* kProgramName = "fiscal-console";

std::string text(const QString& value) {
  return value.toLocal8Bit().toStdString();
}

struct Options {
  QCommandLineOption help{QStringList{"h", "help"}, "Show this help and exit."};
  QCommandLineOption version{QStringList{"version"}, "Show the program's version and exit."};
  QCommandLineOption library{QStringList{"library"},
                             "Load the printer interface library at PATH instead of "
                             "lib/libfiscalprinter.so.1 beside the program.",
                             "PATH"};
  QCommandLineOption port{QStringList{"port"},
                          "Open DEVICE as port 1: a device path, tcp:HOST:PORT or "
                          "rfc2217:HOST:PORT (sets FISCALPRINTER_PORT1 for our library).",
                          "DEVICE"};
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
  parser.setApplicationDescription(
      QStringLiteral("Test console for a fiscal receipt printer: one window, one button per "
                     "printer command.\nThe window's automation interface is offered on the "
                     "session bus as org.fiscalconsole.Console (see docs/window.md)."));
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions({options.help, options.version, options.library, options.port, options.platform,
                     options.display, options.style});

  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments.isEmpty()) arguments << QString::fromLatin1(kProgramName);

  CommandLine line;
  line.helpText = helpTextOf(parser);
  if (!parser.parse(arguments)) return failure(line, text(parser.errorText()));
  if (!parser.positionalArguments().isEmpty()) {
    return failure(line,
                   "Unexpected argument '" + text(parser.positionalArguments().first()) + "'.");
  }
  if (parser.isSet(options.help)) {
    line.action = CommandLine::Action::Help;
    return line;
  }
  if (parser.isSet(options.version)) {
    line.action = CommandLine::Action::Version;
    return line;
  }
  if (parser.isSet(options.library)) {
    const std::string path = text(parser.value(options.library));
    if (path.empty()) return failure(line, "Empty value for '--library'.");
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    line.libraryPath = absolute.empty() ? path : absolute.string();
  }
  if (parser.isSet(options.port)) {
    line.portDevice = text(parser.value(options.port));
    if (line.portDevice->empty()) return failure(line, "Empty value for '--port'.");
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
      out << kProgramName << ' ' << FISCAL_CONSOLE_VERSION << '\n' << std::flush;
      return 0;
    case CommandLine::Action::Error:
      err << kProgramName << ": " << line.error << '\n' << line.helpText << std::flush;
      return kExitUsage;
  }
  return kExitUsage;
}

}  // namespace console
