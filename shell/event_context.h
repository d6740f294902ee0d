// What every procedure can reach while its event lasts: the form's controls and
// a fresh scratch area. Each procedure gets its own storage beside this.
#pragma once

#include <array>
#include <cstddef>

#include "shell/control_table.h"

namespace console {

// Each event starts with a fresh scratch area of zero bytes; procedures build
// their short temporaries (the packed command texts) in it.
inline constexpr std::size_t kScratchSize = 64;
using ScratchArea = std::array<char, kScratchSize>;

struct EventContext {
  const ControlTable& controls;
  ScratchArea& scratch;
};

}  // namespace console
