// Line speeds in bits per second and the termios constants that set them.
#pragma once

#include <termios.h>

#include <optional>

namespace fp::lib {

// The termios speed for `bitsPerSecond`, or nothing when termios has none.
std::optional<speed_t> termiosSpeed(int bitsPerSecond);

}  // namespace fp::lib
