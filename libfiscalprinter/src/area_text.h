// Text written into the caller's areas.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fiscalprinter/fiscalprinter.h"

namespace fp::lib {

inline constexpr std::size_t kAreaSize = FP_AREA_SIZE;  // the public header's

// Copies at most kAreaSize - 1 bytes of `text` into `area` and ends it with a zero
// byte. Nothing when `area` is null.
void writeArea(char* area, std::string_view text);

// Reply fields as one text: joined by '|', every byte below 0x20 or at 0x7F shown as '.'.
std::string fieldsText(const std::vector<std::string>& fields);

}  // namespace fp::lib
