// Damage done on purpose to replies, for testing the library's recovery.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

enum class Fault { kNone, kCorrupt, kDrop };

// Counts command replies from 1 and picks the fault of each: every Nth is
// corrupted (--corrupt-every N), else every Mth loses a byte (--drop-every M).
// 0 disables a fault.
class FaultInjector {
 public:
  FaultInjector(std::uint32_t corruptEvery, std::uint32_t dropEvery)
      : corruptEvery_(corruptEvery), dropEvery_(dropEvery) {}

  Fault next();

  // The next `count` replies get `fault` (kNone: back to the regular faults only).
  void force(Fault fault, std::uint32_t count) {
    forced_ = fault;
    forcedLeft_ = fault == Fault::kNone ? 0 : count;
  }
  // Every Nth reply counted from now gets `fault` (kCorrupt or kDrop; 0: never).
  void setEvery(Fault fault, std::uint32_t every);

  std::uint32_t corruptEvery() const { return corruptEvery_; }
  std::uint32_t dropEvery() const { return dropEvery_; }
  // The fault forced on the next forcedLeft() replies (kNone when none is).
  Fault forced() const { return forcedLeft_ > 0 ? forced_ : Fault::kNone; }
  std::uint32_t forcedLeft() const { return forcedLeft_; }

 private:
  std::uint32_t corruptEvery_;
  std::uint32_t dropEvery_;
  Fault forced_ = Fault::kNone;
  std::uint32_t forcedLeft_ = 0;
  std::uint64_t count_ = 0;
};

// The frame with one bit flipped in a byte near the middle, chosen so that
// neither the old nor the new value nor the byte before it is a framing byte
// (so it is not the second byte of an escape): the frame keeps its shape and
// only its check can tell. Unchanged when no such byte exists.
std::vector<std::uint8_t> corruptFrame(std::vector<std::uint8_t> frame,
                                       const std::function<bool(std::uint8_t)>& isFramingByte);

// The frame without its middle byte.
std::vector<std::uint8_t> dropFrameByte(std::vector<std::uint8_t> frame);

}  // namespace sim
