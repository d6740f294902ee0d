#include "simulator/model/paper_roll.h"

namespace sim {

PaperRoll::PaperRoll(std::ostream& out, std::size_t capacityLines)
    : out_(out), capacity_(capacityLines) {}

void PaperRoll::print(std::string_view line) {
  if (isOut()) return;
  out_ << line.substr(0, kColumns) << '\n';
  out_.flush();
  ++printed_;
}

bool PaperRoll::isLow() const {
  return capacity_ != 0 && capacity_ - printed_ <= kLowThreshold;
}

bool PaperRoll::isOut() const {
  return capacity_ != 0 && printed_ >= capacity_;
}

}  // namespace sim
