// fiscalctl's names for the printer's commands: the rows of the shared command
// set (contract/), so every name sends exactly what its row says, and a
// command with a button exactly what the button sends. The caption shown for
// a button is the console form's (form/), found by the row's button.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contract/command_set.h"

namespace fiscalctl {

struct NamedCommand {
  std::string_view name;                // "ticket-item"
  const fp::contract::CommandRow* row;  // null for "status", which sends nothing
  std::string button;        // its button's caption, "ITEM + (ticket)"; empty without one
  std::string_view summary;  // what it does
};

// Every name, in the order of the command set, then "status".
const std::vector<NamedCommand>& namedCommands();

// The command called `name`, or null.
const NamedCommand* findCommand(std::string_view name);

// The caption of the console's button `button` as fiscalctl shows it: the
// form's caption, with the row's group ("ticket") added when another button
// shows the same caption. Empty when the form has no such button.
std::string buttonCaption(std::uint32_t button, std::string_view name);

// How lists name what a command is: "\"ABRIR TIQUE\"" for a button, else
// "no button: " and what it does.
std::string shownAs(const NamedCommand& command);

}  // namespace fiscalctl
