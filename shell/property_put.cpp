#include "shell/property_put.h"

#include <algorithm>
#include <cstring>

namespace console {
namespace {

std::int32_t invoke(const ControlTable& table, int position, Property property,
                    std::uint32_t valueType, const void* value) {
  Control* control = table.at(position);
  return control != nullptr ? control->put(property, valueType, value) : -1;
}

std::string decimalFromCurrency(std::int64_t currency) {
  const std::int64_t whole = currency / 10000;
  std::int64_t fraction = currency % 10000;
  std::string text = std::to_string(whole);
  if (fraction == 0) return text;
  // Not produced by the console itself, but shown faithfully rather than dropped.
  if (whole == 0 && currency < 0) text = "-0";
  if (fraction < 0) fraction = -fraction;
  std::string digits = std::to_string(fraction + 10000).substr(1);
  digits.erase(digits.find_last_not_of('0') + 1);
  return text + "." + digits;
}

}  // namespace

TextField makeTextField(std::string_view text) {
  TextField field;
  field.fill(' ');
  std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
  return field;
}

std::int32_t PropertyPut(const ControlTable& table, int position, Property property,
                         std::string_view text) {
  const TextField field = makeTextField(text);
  return invoke(table, position, property, kTextValueType, field.data());
}

std::int32_t PropertyPut(const ControlTable& table, int position, Property property,
                         std::int32_t number) {
  const std::int64_t value = numericValue(number);
  return invoke(table, position, property, kNumberValueType, &value);
}

std::string displayText(std::uint32_t valueType, const void* value) {
  if (value == nullptr) return {};
  if (valueType == kNumberValueType) {
    std::int64_t currency = 0;
    std::memcpy(&currency, value, sizeof currency);
    return decimalFromCurrency(currency);
  }
  if (valueType == kTextValueType) {
    std::string_view text(static_cast<const char*>(value), kTextFieldSize);
    const auto end = text.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view{}
                                                     : text.substr(0, end + 1));
  }
  return {};
}

}  // namespace console
