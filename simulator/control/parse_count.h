// Counts and durations given as text, on the command line or in a control
// request: one shared reading so both accept and refuse the same texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sim {

// The value of one to ten decimal digits (no sign, no spaces), or nothing when
// the text is anything else or the value exceeds `largest`.
inline std::optional<std::uint32_t> parseCount(std::string_view text, std::uint32_t largest) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > largest) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace sim
