// Composing the lines of the 40-column roll.
#pragma once

#include <string>
#include <string_view>

namespace sim::layout {

// `left` at the left margin and `right` against the right one (at least one space).
std::string leftRight(std::string_view left, std::string_view right);

// `text` centred on the line.
std::string centred(std::string_view text);

// A full line of `c`.
std::string rule(char c);

}  // namespace sim::layout
