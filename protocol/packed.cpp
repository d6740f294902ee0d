#include "protocol/packed.h"

namespace fp::protocol {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::uint16_t> hexWord(const char* text) {
  int value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + digit;
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<PackedCommand> parsePackedCommand(const char* text) {
  if (text == nullptr) return std::nullopt;
  // Each check stops at a NUL, so no byte past the text's end is read.
  for (int i = 0; i < kPackedTextLength; ++i) {
    if (text[i] == '\0') return std::nullopt;
  }
  if (text[kPackedTextLength] != '\0' || text[4] != '|') return std::nullopt;
  const auto command = hexWord(text);
  const auto extension = hexWord(text + 5);
  if (!command || !extension) return std::nullopt;
  return PackedCommand{*command, *extension};
}

}  // namespace fp::protocol
