// Text written into the caller's 256-byte areas.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fp::lib {

inline constexpr std::size_t kAreaSize = 256;

// Copies at most kAreaSize - 1 bytes of `text` into `area` and ends it with a zero
// byte. Nothing when `area` is null.
void writeArea(char* area, std::string_view text);

// Reply fields as one text: joined by '|', every byte below 0x20 or at 0x7F shown as '.'.
std::string fieldsText(const std::vector<std::string>& fields);

}  // namespace fp::lib
