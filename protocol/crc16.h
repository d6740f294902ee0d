// CRC-16/CCITT-FALSE (polynomial 0x1021, initial 0xFFFF, no reflection, no final xor).
#pragma once

#include <cstdint>
#include <span>

namespace fp::protocol {

std::uint16_t crc16(std::span<const std::uint8_t> bytes);

}  // namespace fp::protocol
