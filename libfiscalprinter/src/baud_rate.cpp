#include "libfiscalprinter/src/baud_rate.h"

#include <array>
#include <utility>

namespace fp::lib {

std::optional<speed_t> termiosSpeed(int bitsPerSecond) {
  static constexpr std::array<std::pair<int, speed_t>, 18> kSpeeds{{
      {1200, B1200},
      {2400, B2400},
      {4800, B4800},
      {9600, B9600},
      {19200, B19200},
      {38400, B38400},
      {57600, B57600},
      {115200, B115200},
      {230400, B230400},
      {460800, B460800},
      {500000, B500000},
      {576000, B576000},
      {921600, B921600},
      {1000000, B1000000},
      {1152000, B1152000},
      {1500000, B1500000},
      {2000000, B2000000},
      {3000000, B3000000},
  }};
  for (const auto& [rate, speed] : kSpeeds) {
    if (rate == bitsPerSecond) return speed;
  }
  return std::nullopt;
}

}  // namespace fp::lib
