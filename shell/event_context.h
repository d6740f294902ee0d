// What one procedure can reach while its event lasts.
#pragma once

#include <array>
#include <cstddef>

#include "app/control_table.h"
#include "app/program_runtime.h"
#include "printer/printer_library.h"

namespace console {

struct ModuleStorage;

// Each event starts with a fresh scratch area of zero bytes; procedures build
// their short temporaries (the packed command texts) in it.
inline constexpr std::size_t kScratchSize = 64;
using ScratchArea = std::array<char, kScratchSize>;

struct EventContext {
  PrinterLibrary& library;
  const ControlTable& controls;
  ModuleStorage& storage;
  ScratchArea& scratch;
};

// A procedure of the event table; returns the procedure result.
using Procedure = std::int32_t (*)(EventContext&);

}  // namespace console
