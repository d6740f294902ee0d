#include "simulator/model/layout.h"

#include "simulator/model/paper_roll.h"

namespace sim::layout {

std::string leftRight(std::string_view left, std::string_view right) {
  std::string line(left);
  const std::size_t used = line.size() + right.size();
  line.append(used < PaperRoll::kColumns ? PaperRoll::kColumns - used : 1, ' ');
  line.append(right);
  return line;
}

std::string centred(std::string_view text) {
  const std::size_t pad =
      text.size() < PaperRoll::kColumns ? (PaperRoll::kColumns - text.size()) / 2 : 0;
  return std::string(pad, ' ') + std::string(text);
}

std::string rule(char c) {
  return std::string(PaperRoll::kColumns, c);
}

}  // namespace sim::layout
