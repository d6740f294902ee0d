// Which device a port number names.
#pragma once

#include <optional>
#include <string>

namespace fp::lib {

// Port N (N >= 1) is the device named by the environment variable
// FISCALPRINTER_PORT<N> when it is set and not empty, otherwise /dev/ttyS<N-1>.
// Nothing for N < 1.
std::optional<std::string> deviceForPort(int port);

}  // namespace fp::lib
