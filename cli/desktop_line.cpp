#include "cli/desktop_line.h"

#include <algorithm>
#include <ostream>

namespace cli {

std::vector<char*> DesktopLine::toolkitArgv() {
  std::vector<char*> argv;
  for (std::string& argument : toolkitArguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return argv;
}

void readDesktopLine(int argc, char** argv, std::string_view program,
                     std::span<const Option> options, const TakeArgument& take, DesktopLine& line) {
  line.toolkitArguments.assign(1, argc > 0 ? std::string(argv[0]) : std::string(program));
  ArgumentReader reader(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), options);
  Argument argument;
  bool help = false;
  bool version = false;
  const auto fail = [&line](std::string message) {
    line.action = DesktopLine::Action::Error;
    line.error = std::move(message);
  };
  while (true) {
    const auto status = reader.next(argument);
    if (status == ArgumentReader::Status::kEnd) break;
    if (status == ArgumentReader::Status::kError) return fail(reader.error());
    if (argument.option != nullptr && argument.option->hidden) {
      line.toolkitArguments.push_back(std::string(argument.option->shortName));
      line.toolkitArguments.push_back(argument.value);
      continue;
    }
    help = help || argument.is(kHelpOption);
    version = version || argument.is(kVersionOption);
    if (argument.is(kHelpOption) || argument.is(kVersionOption)) continue;
    if (argument.option != nullptr && !argument.option->valueName.empty() &&
        argument.value.empty()) {
      return fail(std::string(argument.option->name) + " needs a value that is not empty");
    }
    if (std::string error = take(argument, reader.optionsEnded()); !error.empty()) {
      return fail(std::move(error));
    }
  }
  if (help) line.action = DesktopLine::Action::Help;
  if (!help && version) line.action = DesktopLine::Action::Version;
}

int answerDesktopLine(const DesktopLine& line, std::string_view program, std::string_view version,
                      std::string_view usage, std::ostream& out, std::ostream& err) {
  switch (line.action) {
    case DesktopLine::Action::Run:
      return 0;
    case DesktopLine::Action::Help:
      out << line.helpText << std::flush;
      return 0;
    case DesktopLine::Action::Version:
      out << program << ' ' << version << '\n' << std::flush;
      return 0;
    case DesktopLine::Action::Error:
      return usageError(err, program, line.error, usage, std::string(program) + " --help");
  }
  return kExitUsage;
}

}  // namespace cli
