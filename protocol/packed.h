// The packed form of a command with no further fields: "HHHH|HHHH", the command
// word and the extension word as four upper-case hexadecimal digits each.
#pragma once

#include <cstdint>
#include <optional>

namespace fp::protocol {

struct PackedCommand {
  std::uint16_t command;
  std::uint16_t extension;
};

inline constexpr int kPackedTextLength = 9;

// Parses a NUL-terminated packed text. Reads at most ten bytes and never past the
// first NUL. Anything but exactly nine characters of that form (lower-case digits,
// spaces, a missing bar, a longer text) gives nothing.
std::optional<PackedCommand> parsePackedCommand(const char* text);

}  // namespace fp::protocol
