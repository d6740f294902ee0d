#include "simulator/model/paper_roll.h"

namespace sim {

PaperRoll::PaperRoll(std::ostream& out, std::size_t capacityLines)
    : out_(out), capacity_(capacityLines) {}

void PaperRoll::print(std::string_view line) {
  if (isOut()) return;
  if (holding_) {
    held_.emplace_back(line.substr(0, kColumns));
  } else {
    write(line);
  }
  ++printed_;
}

void PaperRoll::write(std::string_view line) {
  out_ << line.substr(0, kColumns) << '\n';
  out_.flush();
}

bool PaperRoll::isLow() const {
  if (condition_ == Condition::kNearEnd) return true;
  return capacity_ != 0 && capacity_ - printed_ <= kLowThreshold;
}

bool PaperRoll::isOut() const {
  if (condition_ == Condition::kOut) return true;
  return capacity_ != 0 && printed_ >= capacity_;
}

void PaperRoll::loadNewRoll() {
  condition_ = Condition::kAsTheRollSays;
  printed_ = 0;
}

void PaperRoll::hold() {
  holding_ = true;
  printedBeforeHold_ = printed_;
  held_.clear();
}

void PaperRoll::release() {
  holding_ = false;
  for (const std::string& line : held_) write(line);
  held_.clear();
}

void PaperRoll::discard() {
  holding_ = false;
  printed_ = printedBeforeHold_;
  held_.clear();
}

}  // namespace sim
