#include "libfiscalprinter/src/area_text.h"

#include <algorithm>
#include <cstring>

namespace fp::lib {

void writeArea(char* area, std::string_view text) {
  if (area == nullptr) return;
  const std::size_t length = std::min(text.size(), kAreaSize - 1);
  std::memcpy(area, text.data(), length);
  area[length] = '\0';
}

std::string fieldsText(const std::vector<std::string>& fields) {
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text.push_back('|');
    for (char c : fields[i]) {
      const auto byte = static_cast<unsigned char>(c);
      text.push_back(byte < 0x20 || byte == 0x7F ? '.' : c);
    }
  }
  return text;
}

}  // namespace fp::lib
