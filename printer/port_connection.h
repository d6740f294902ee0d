// Opening the printer port when the window opens, closing it when it closes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/library_calls.h"
#include "printer/printer_library.h"
#include "shell/event_context.h"

namespace console {

inline constexpr std::size_t kPortAreaSize = fp::host::kAreaSize;

// Module storage of the port procedures.
struct PortStorage {
  std::array<char, kPortAreaSize> connectionArea{};  // Purge, GetAPIVersion, OpenPort
  std::array<char, kPortAreaSize> closingArea{};     // ClosePort
  std::int32_t errorItem = 0;                        // getLastError after OpenPort
};

// Shown when the printer library itself could not be loaded.
inline constexpr std::string_view kLibraryMissingMessage = "Biblioteca del impresor no encontrada";

// The message for a code after OpenPort: 0, 1, 2 and 10 have one; others none.
std::optional<std::string_view> connectionMessage(std::int32_t code);

// The shared opening at the fixed settings (fp::host::openPort: Purge,
// GetAPIVersion, port 1, 115200 bit/s, protocol 1, OpenPort, getLastError),
// then the message in CmCOMUNICACION chosen by getLastError.
std::int32_t PortConnect(PrinterLibrary& library, const EventContext& event, PortStorage& port);

// ClosePort with its own area; runs whether or not the port was opened.
std::int32_t PortDisconnect(PrinterLibrary& library, PortStorage& port);

}  // namespace console
