#include "libfiscalprinter/src/port_name.h"

#include <cstdlib>

namespace fp::lib {

std::optional<std::string> deviceForPort(int port) {
  if (port < 1) return std::nullopt;
  const std::string variable = "FISCALPRINTER_PORT" + std::to_string(port);
  if (const char* named = std::getenv(variable.c_str()); named != nullptr && *named != '\0')
    return std::string(named);
  return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace fp::lib
