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

line::ParsedTarget targetForPort(int port) {
  const std::optional<std::string> name = deviceForPort(port);
  if (!name) return line::ParsedTarget{std::nullopt, "port number below 1"};
  return line::parseTarget(*name);
}

}  // namespace fp::lib
