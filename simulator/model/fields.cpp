#include "simulator/model/fields.h"

namespace sim {

std::string_view fieldAt(const Command& command, std::size_t position) {
  if (position == 0 || position > command.fields.size()) return {};
  return command.fields[position - 1];
}

bool fitsFieldCount(const Command& command, std::size_t count) {
  return command.fields.size() <= count;
}

bool isPrintableText(std::string_view text) {
  if (text.size() > kMaxTextField) return false;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0)) return false;
  }
  return true;
}

std::string trimmedRight(std::string_view text) {
  const auto end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1));
}

bool areOptionalTexts(const Command& command, std::size_t first, std::size_t last) {
  for (std::size_t position = first; position <= last; ++position) {
    if (!isPrintableText(fieldAt(command, position))) return false;
  }
  return true;
}

}  // namespace sim
