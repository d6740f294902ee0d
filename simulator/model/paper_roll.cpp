#include "simulator/model/paper_roll.h"

namespace sim {

PaperRoll::PaperRoll(std::ostream& out, std::size_t capacityLines)
    : out_(out), capacity_(capacityLines) {}

void PaperRoll::print(std::string_view line) {
  if (isOut()) {
    ++lost_;
    return;
  }
  out_ << line.substr(0, kColumns) << '\n';
  if (!out_.flush()) {
    failed_ = true;
    ++lost_;
    return;
  }
  ++printed_;
}

bool PaperRoll::isLow() const {
  return capacity_ != 0 && capacity_ - printed_ <= kLowThreshold;
}

bool PaperRoll::isOut() const {
  return failed_ || (capacity_ != 0 && printed_ >= capacity_);
}

}  // namespace sim
