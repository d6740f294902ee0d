// Module storage of the command procedures.
#pragma once

#include <array>
#include <cstdint>
#include <map>

namespace console {

struct CommandSpec;

inline constexpr std::size_t kCommandAreaSize = 256;
using CommandArea = std::array<char, kCommandAreaSize>;

struct FiscalStorage {
  // Each field-list procedure's own command area, zero-filled at first use and
  // then kept for the run (std::map keeps each area at one address).
  std::map<const CommandSpec*, CommandArea> commandAreas;
  std::int32_t errorCode = 0;      // the last code the result step fetched
  std::int32_t printerStatus = 0;  // words of the last status query
  std::int32_t fiscalStatus = 0;

  char* commandAreaOf(const CommandSpec& spec) { return commandAreas[&spec].data(); }
};

}  // namespace console
