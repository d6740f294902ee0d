// Module storage: every item the procedures keep for the whole run. Set up once
// with its initial values (all zero) and never reset between events.
#pragma once

#include "fiscal/fiscal_storage.h"
#include "printer/port_connection.h"

namespace console {

struct ModuleStorage {
  PortStorage port;
  FiscalStorage fiscal;
};

}  // namespace console
