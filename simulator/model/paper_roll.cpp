#include "simulator/model/paper_roll.h"

#include "protocol/printer_text.h"

namespace sim {

PaperRoll::PaperRoll(std::ostream& out, std::size_t capacityLines)
    : out_(out), capacity_(capacityLines) {}

void PaperRoll::print(std::string_view line) {
  if (isOut()) {
    ++lost_;
    return;
  }
  if (holding_) {
    held_.emplace_back(line.substr(0, kColumns));
  } else if (!write(line)) {
    return;
  }
  ++printed_;
}

bool PaperRoll::write(std::string_view line) {
  out_ << fp::protocol::utf8FromPrinterText(line.substr(0, kColumns)) << '\n';
  if (out_.flush()) {
    if (watch_) watch_(line.substr(0, kColumns));
    return true;
  }
  failed_ = true;
  ++lost_;
  return false;
}

bool PaperRoll::isLow() const {
  if (condition_ == Condition::kNearEnd) return true;
  return capacity_ != 0 && capacity_ - printed_ <= kLowThreshold;
}

bool PaperRoll::isOut() const {
  if (condition_ == Condition::kOut) return true;
  return failed_ || (capacity_ != 0 && printed_ >= capacity_);
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
  for (std::size_t i = 0; i < held_.size(); ++i) {
    if (!write(held_[i])) {  // the rest of the held lines are lost with it
      lost_ += held_.size() - i - 1;
      printed_ -= held_.size() - i;
      break;
    }
  }
  held_.clear();
}

void PaperRoll::discard() {
  holding_ = false;
  printed_ = printedBeforeHold_;
  held_.clear();
}

}  // namespace sim
