#include "protocol/crc16.h"

namespace fp::protocol {

std::uint16_t crc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ (byte << 8));
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

}  // namespace fp::protocol
