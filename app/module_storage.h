// Module storage: every item the procedures keep for the whole run, set up once
// (all zero) and never reset between events. Each procedure is handed its own part.
#pragma once

#include <array>

#include "contract/command_set.h"
#include "fiscal/command_transaction.h"
#include "printer/port_connection.h"

namespace console {

struct ModuleStorage {
  PortStorage port;
  // One area per row of the command table, at the row's position.
  std::array<CommandArea, fp::contract::kCommandCount> commandAreas{};
};

}  // namespace console
