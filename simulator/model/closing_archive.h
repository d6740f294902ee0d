// Where the printer reads its past Z closings back, for the fiscal memory
// report it prints: its fiscal memory (simulator/memory/), or, without one,
// the closings it made since it started, which the printer keeps itself.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "simulator/model/fiscal_state.h"

namespace sim {

class ClosingArchive {
 public:
  // The Z closings numbered `first` to `last` that were made, by number;
  // nothing when they cannot be read.
  virtual std::optional<std::vector<ClosingRecord>> closings(std::uint32_t first,
                                                             std::uint32_t last) = 0;

 protected:
  ~ClosingArchive() = default;
};

}  // namespace sim
