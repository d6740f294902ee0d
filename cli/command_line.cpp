#include "cli/command_line.h"

#include <algorithm>
#include <ostream>

namespace cli {
namespace {

// Options whose name and value are longer than this start their help on the
// next line, so one long option does not push every help text to the right.
constexpr std::size_t kWidestColumn = 26;

std::string optionTitle(const Option& option) {
  std::string title = option.shortName.empty() ? "    " : std::string(option.shortName) + ", ";
  title += option.name;
  if (!option.valueName.empty()) title += " " + std::string(option.valueName);
  return title;
}

}  // namespace

const Option* ArgumentReader::find(std::string_view name) const {
  for (const Option& option : options_) {
    if (option.name == name || (!option.shortName.empty() && option.shortName == name)) {
      return &option;
    }
  }
  return nullptr;
}

ArgumentReader::Status ArgumentReader::next(Argument& argument) {
  argument = Argument{};
  if (at_ >= arguments_.size()) return Status::kEnd;
  const std::string& text = arguments_[at_++];
  if (optionsEnded_ || text.size() < 2 || text[0] != '-') {
    argument.value = text;
    return Status::kArgument;
  }
  if (text == "--") {
    optionsEnded_ = true;
    return next(argument);
  }
  const std::size_t equals = text.find('=');
  const std::string name = text.substr(0, equals);
  const Option* option = find(name);
  if (option == nullptr) {
    error_ = "unknown option " + name;
    return Status::kError;
  }
  argument.option = option;
  if (option->valueName.empty()) {
    if (equals != std::string::npos) {
      error_ = name + " takes no value";
      return Status::kError;
    }
    return Status::kArgument;
  }
  if (equals != std::string::npos) {
    argument.value = text.substr(equals + 1);
  } else if (at_ < arguments_.size()) {
    argument.value = arguments_[at_++];
  } else {
    error_ = name + " needs a value (" + std::string(option->valueName) + ")";
    return Status::kError;
  }
  return Status::kArgument;
}

std::vector<std::string> ArgumentReader::rest() {
  std::vector<std::string> unread(arguments_.begin() + static_cast<std::ptrdiff_t>(at_),
                                  arguments_.end());
  at_ = arguments_.size();
  return unread;
}

std::string unexpectedArgument(std::string_view argument) {
  return "unexpected argument " + std::string(argument);
}

std::string usageLines(std::string_view program, std::span<const std::string_view> forms) {
  std::string text;
  for (std::string_view form : forms) {
    text += text.empty() ? "Usage: " : "       ";
    text += std::string(program) + " " + std::string(form) + "\n";
  }
  return text;
}

std::string optionList(std::span<const Option> options) {
  std::size_t column = 0;
  for (const Option& option : options) {
    const std::size_t width = optionTitle(option).size();
    if (!option.hidden && width <= kWidestColumn) column = std::max(column, width);
  }
  column += 2 + 2;  // the indent and the gap
  std::string text = "Options:\n";
  for (const Option& option : options) {
    if (option.hidden) continue;
    std::string line = "  " + optionTitle(option);
    if (line.size() + 2 > column) {
      text += line + "\n";
      line.clear();
    }
    std::string_view help = option.help;
    while (true) {
      line.resize(column, ' ');
      const std::size_t end = help.find('\n');
      text += line + std::string(help.substr(0, end)) + "\n";
      if (end == std::string_view::npos) break;
      help.remove_prefix(end + 1);
      line.clear();
    }
  }
  return text;
}

int usageError(std::ostream& err, std::string_view program, std::string_view problem,
               std::string_view usage, std::string_view helpCommand) {
  err << program << ": " << problem << "\n"
      << usage << "Run '" << helpCommand << "' for more.\n"
      << std::flush;
  return kExitUsage;
}

}  // namespace cli
