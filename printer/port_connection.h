// Opening the printer port when the window opens, closing it when it closes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "printer/printer_library.h"
#include "shell/event_context.h"

namespace console {

inline constexpr std::size_t kPortAreaSize = 256;

// Module storage of the port procedures.
struct PortStorage {
  std::array<char, kPortAreaSize> connectionArea{};  // Purge, GetAPIVersion, OpenPort
  std::array<char, kPortAreaSize> closingArea{};     // ClosePort
  std::int32_t errorItem = 0;                        // getLastError after OpenPort
};

// The fixed port settings.
inline constexpr std::int32_t kComPort = 1;
inline constexpr std::int32_t kBaudRate = 115200;
inline constexpr std::int32_t kProtocolType = 1;

// Shown when the printer library itself could not be loaded.
inline constexpr std::string_view kLibraryMissingMessage = "Biblioteca del impresor no encontrada";

// The message for a code after OpenPort: 0, 1, 2 and 10 have one; others none.
std::optional<std::string_view> connectionMessage(std::int32_t code);

// Purge, GetAPIVersion, the three settings and OpenPort, then the message in
// CmCOMUNICACION chosen by getLastError.
std::int32_t PortConnect(PrinterLibrary& library, const EventContext& event, PortStorage& port);

// ClosePort with its own area; runs whether or not the port was opened.
std::int32_t PortDisconnect(PrinterLibrary& library, PortStorage& port);

}  // namespace console
