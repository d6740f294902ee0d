// fiscalctl's names for the console's commands: the rows of the shared command
// table (contract/), so every name sends exactly what its button sends.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "contract/command_set.h"

namespace fiscalctl {

struct NamedCommand {
  std::string_view name;                  // "ticket-item"
  const fp::contract::CommandSpec* spec;  // null for "status", which sends nothing
  std::string_view button;                // the caption of its button, for `list`
};

// Every name, in the order of the console's command table, then "status".
const std::vector<NamedCommand>& namedCommands();

// The command called `name`, or null.
const NamedCommand* findCommand(std::string_view name);

// The name of the console command with these words, or "" when none has them.
std::string_view nameForWords(std::uint16_t command, std::uint16_t extension);

}  // namespace fiscalctl
