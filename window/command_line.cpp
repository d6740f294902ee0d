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
constexpr cli::Option kOptions[] = {
    kLibrary,
    kPort,
    cli::kToolkitPlatform,
    cli::kToolkitDisplay,
    cli::kToolkitStyle,
    cli::kHelpOption,
    cli::kVersionOption,
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
         cli::optionList(kOptions) + "\n" + std::string(cli::kToolkitHelp) +
         "\n"
         "Exit status:\n"
         "  0  the window was closed, or --help or --version\n"
         "  2  bad usage\n"
         "\n"
         "Environment:\n"
         "  FISCALPRINTER_PORT1  the device of port 1 (see --port)\n"
         "  FISCALPRINTER_TRACE  the library appends its trace to this file\n";
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv) {
  CommandLine line;
  line.helpText = helpText();
  const auto take = [&line](const cli::Argument& argument, bool) -> std::string {
    if (argument.option == nullptr) return cli::unexpectedArgument(argument.value);
    if (argument.is(kLibrary)) {
      std::error_code ignored;
      const std::filesystem::path absolute = std::filesystem::absolute(argument.value, ignored);
      line.libraryPath = absolute.empty() ? argument.value : absolute.string();
    }
    if (argument.is(kPort)) line.portDevice = argument.value;
    return {};
  };
  cli::readDesktopLine(argc, argv, kProgramName, kOptions, take, line);
  return line;
}

int answerCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err) {
  return cli::answerDesktopLine(line, kProgramName, FISCAL_CONSOLE_VERSION,
                                cli::usageLines(kProgramName, kForms), out, err);
}

}  // namespace console
