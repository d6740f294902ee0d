#include "fiscalctl/command_names.h"

#include "form/main_form.h"

namespace fiscalctl {
namespace {

// The console's status button: it reads the status words and sends nothing,
// so it has no row of the command set.
constexpr std::uint32_t kStatusButton = 0x07000015;

std::vector<NamedCommand> build() {
  std::vector<NamedCommand> all;
  for (const fp::contract::CommandRow* row : fp::contract::commandTable()) {
    all.push_back({row->name, row, row->hasButton() ? buttonCaption(row->button, row->name) : "",
                   row->summary});
  }
  all.push_back({"status", nullptr, buttonCaption(kStatusButton, "status"),
                 "shows the status words of the last reply, sends nothing"});
  return all;
}

}  // namespace

std::string buttonCaption(std::uint32_t button, std::string_view name) {
  const auto& controls = console::mainForm().controls;
  const console::ControlDefinition* found = nullptr;
  for (const console::ControlDefinition& control : controls) {
    if (control.id == button && control.kind == console::ControlKind::CommandButton) {
      found = &control;
    }
  }
  if (found == nullptr) return {};
  std::string caption(found->caption);
  for (const console::ControlDefinition& control : controls) {
    if (&control != found && control.kind == console::ControlKind::CommandButton &&
        control.caption == found->caption) {
      return caption + " (" + std::string(name.substr(0, name.find('-'))) + ")";
    }
  }
  return caption;
}

std::string shownAs(const NamedCommand& command) {
  if (!command.button.empty()) return "\"" + command.button + "\"";
  return "no button: " + std::string(command.summary);
}

const std::vector<NamedCommand>& namedCommands() {
  static const std::vector<NamedCommand> all = build();
  return all;
}

const NamedCommand* findCommand(std::string_view name) {
  for (const NamedCommand& command : namedCommands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace fiscalctl
