// Reading the further fields of a command: position, presence and form.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/model/command.h"

namespace sim {

// Longest text a field may carry: one line of the 40-column roll.
inline constexpr std::size_t kMaxTextField = 40;

// Field `position` (1 = the first field after the extension word). A field the
// command did not carry reads as empty, so a packed command reads all empty.
std::string_view fieldAt(const Command& command, std::size_t position);

// True when the command carries no more than `count` further fields.
bool fitsFieldCount(const Command& command, std::size_t count);

// Printable 8-bit text (no control bytes) of at most kMaxTextField bytes.
// An empty text qualifies.
bool isPrintableText(std::string_view text);

// The text with trailing spaces removed, as it goes on paper.
std::string trimmedRight(std::string_view text);

// True when fields `first`..`last` are all printable texts (possibly empty).
bool areOptionalTexts(const Command& command, std::size_t first, std::size_t last);

}  // namespace sim
