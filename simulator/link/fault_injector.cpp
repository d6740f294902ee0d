#include "simulator/link/fault_injector.h"

namespace sim {

Fault FaultInjector::next() {
  ++count_;
  if (forcedLeft_ > 0) {
    --forcedLeft_;
    return forced_;
  }
  if (corruptEvery_ != 0 && count_ % corruptEvery_ == 0) return Fault::kCorrupt;
  if (dropEvery_ != 0 && count_ % dropEvery_ == 0) return Fault::kDrop;
  return Fault::kNone;
}

void FaultInjector::setEvery(Fault fault, std::uint32_t every) {
  if (fault == Fault::kCorrupt) corruptEvery_ = every;
  if (fault == Fault::kDrop) dropEvery_ = every;
  count_ = 0;
}

std::vector<std::uint8_t> corruptFrame(std::vector<std::uint8_t> frame,
                                       const std::function<bool(std::uint8_t)>& isFramingByte) {
  constexpr std::uint8_t kFlip = 0x01;
  const std::size_t middle = frame.size() / 2;
  for (std::size_t offset = 0; offset < frame.size(); ++offset) {
    for (const std::size_t index : {middle + offset, middle - offset}) {
      if (index == 0 || index >= frame.size() || isFramingByte(frame[index - 1])) continue;
      const auto flipped = static_cast<std::uint8_t>(frame[index] ^ kFlip);
      if (!isFramingByte(frame[index]) && !isFramingByte(flipped)) {
        frame[index] = flipped;
        return frame;
      }
    }
  }
  return frame;
}

std::vector<std::uint8_t> dropFrameByte(std::vector<std::uint8_t> frame) {
  if (!frame.empty()) frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(frame.size() / 2));
  return frame;
}

}  // namespace sim
