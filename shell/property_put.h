// PropertyPut: the only way a procedure changes the window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/control_table.h"

namespace console {

inline constexpr std::size_t kTextFieldSize = 8192;

// A text value as controls receive it: the text followed by spaces to 8192 bytes.
using TextField = std::array<char, kTextFieldSize>;

// Builds the text field for `text`; text longer than the field is cut at its end.
TextField makeTextField(std::string_view text);

// The numeric value form: the number times 10000 in 64 bits, by signed multiplication.
constexpr std::int64_t numericValue(std::int32_t number) {
  return static_cast<std::int64_t>(number) * 10000;
}

// Sets `property` of the control at `position` to a text. Returns the control's
// result, or -1 when the position holds no control.
std::int32_t PropertyPut(const ControlTable& table, int position, Property property,
                         std::string_view text);

// Sets `property` of the control at `position` to a number shown in decimal.
std::int32_t PropertyPut(const ControlTable& table, int position, Property property,
                         std::int32_t number);

// What a control shows for a value: a text is the characters before its trailing
// spaces; a number is plain decimal ("0", "-12", no grouping, no leading zeros).
// Returns an empty string for an unknown value type or a null value.
std::string displayText(std::uint32_t valueType, const void* value);

}  // namespace console
