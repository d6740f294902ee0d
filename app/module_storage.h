// Module storage: every item the procedures keep for the whole run, set up once
// (all zero) and never reset between events. Each procedure is handed its own part.
#pragma once

#include <map>

#include "contract/command_set.h"
#include "fiscal/command_transaction.h"
#include "printer/port_connection.h"

namespace console {

struct ModuleStorage {
  PortStorage port;
  // Each field-list command's own area, zero-filled at its first use and then
  // kept for the run (a map keeps each area at one address).
  std::map<const fp::contract::CommandRow*, CommandArea> commandAreas;
};

}  // namespace console
