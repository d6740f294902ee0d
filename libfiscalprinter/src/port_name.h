// Which device or network target a port number names.
#pragma once

#include <optional>
#include <string>

#include "line/net_target.h"

namespace fp::lib {

// Port N (N >= 1) is named by the environment variable FISCALPRINTER_PORT<N>
// when it is set and not empty, otherwise it is /dev/ttyS<N-1>. Nothing for N < 1.
std::optional<std::string> deviceForPort(int port);

// What that name means: a device path, "tcp:HOST:PORT" or "rfc2217:HOST:PORT"
// (line/net_target.h); a name that does not parse gives the reason. Port N < 1
// is refused too.
line::ParsedTarget targetForPort(int port);

}  // namespace fp::lib
