#include "window/command_line.h"

#include <filesystem>
#include <ostream>
#include <vector>

#include "cli/command_line.h"

#ifndef FISCAL_CONSOLE_VERSION
#error "FISCAL_CONSOLE_VERSION must come from the build"
#endif

namespace console {
namespace {

constexpr const char* kProgramName = "fiscal-console";

constexpr cli::Option kLibrary{"--library", "PATH",
                               "load the printer interface library at PATH instead of\n"
                               "lib/libfiscalprinter.so.1 beside the program's bin folder\n"
                               "(else the installed library folder)"};
constexpr cli::Option kPort{"--port", "DEVICE",
                            "open DEVICE as port 1: a device path, tcp:HOST:PORT or\n"
                            "rfc2217:HOST:PORT (sets FISCALPRINTER_PORT1 for our library)"};
// The toolkit's own options, which QApplication takes from its command line;
// Qt spells them with one dash.
constexpr cli::Option kPlatform{"--platform", "NAME", "Qt platform plug-in", "-platform", true};
constexpr cli::Option kDisplay{"--display", "DISPLAY", "X display", "-display", true};
constexpr cli::Option kStyle{"--style", "STYLE", "Qt widget style", "-style", true};

constexpr cli::Option kOptions[] = {
    kLibrary, kPort, kPlatform, kDisplay, kStyle, cli::kHelpOption, cli::kVersionOption,
};

constexpr std::string_view kForms[] = {
    "[--library PATH] [--port DEVICE]",
    "-h | --help | --version",
};

std::string helpText() {
  return cli::usageLines(kProgramName, kForms) +
         "\n"
         "Test console for a fiscal receipt printer: one window, \"Test FP900 (FISCAL)\",\n"
         "with one button per printer command. It connects to port 1 at 115200 bit/s\n"
         "when the window opens. The window's automation interface is offered on the\n"
         "session bus as org.fiscalconsole.Console; the manual page fiscal-console(1)\n"
         "describes it.\n"
         "\n" +
         cli::optionList(kOptions) +
         "\n"
         "Qt's own -platform NAME, -display DISPLAY and -style STYLE are passed on to Qt.\n"
         "\n"
         "Exit status:\n"
         "  0  the window was closed, or --help or --version\n"
         "  2  bad usage\n"
         "\n"
         "Environment:\n"
         "  FISCALPRINTER_PORT1  the device of port 1 (see --port)\n"
         "  FISCALPRINTER_TRACE  the library appends its trace to this file\n";
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
    if (argument.option == nullptr) return failure(line, "unexpected argument " + argument.value);
    if (argument.option->hidden) {
      line.toolkitArguments.push_back(std::string(argument.option->shortName));
      line.toolkitArguments.push_back(argument.value);
      continue;
    }
    help = help || argument.is(cli::kHelpOption);
    version = version || argument.is(cli::kVersionOption);
    if (!argument.value.empty() || argument.option->valueName.empty()) {
      if (argument.is(kLibrary)) {
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(argument.value, ignored);
        line.libraryPath = absolute.empty() ? argument.value : absolute.string();
      }
      if (argument.is(kPort)) line.portDevice = argument.value;
      continue;
    }
    return failure(line, std::string(argument.option->name) + " needs a value that is not empty");
  }
  if (help) line.action = CommandLine::Action::Help;
  if (!help && version) line.action = CommandLine::Action::Version;
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
      return cli::usageError(err, kProgramName, line.error, cli::usageLines(kProgramName, kForms),
                             "fiscal-console --help");
  }
  return kExitUsage;
}

}  // namespace console
