// How a program drives the printer library: the one sequence that opens the
// port and the one that hands the library a command. The console's procedures
// run them through their facade (printer/, which looks each entry point up
// before each call), fiscalctl through the entry points it loaded; so both hand
// the library the same calls, in the same order, with the same addresses,
// lengths and bytes. Results are returned, never interpreted here: what each
// caller keeps or ignores stays the caller's.
#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "contract/command_set.h"
#include "fiscalprinter/fiscalprinter.h"

namespace fp::host {

// The port as the console opens it: port 1, protocol 1, 115200 bit/s (fiscalctl
// lets the user choose another speed).
inline constexpr std::int32_t kComPort = 1;
inline constexpr std::int32_t kBaudRate = 115200;
inline constexpr std::int32_t kProtocolType = 1;

// An area handed to the library: FP_AREA_SIZE bytes owned by the caller.
inline constexpr std::size_t kAreaSize = FP_AREA_SIZE;
using AreaRef = std::span<char, kAreaSize>;
using ConstAreaRef = std::span<const char, kAreaSize>;

// Anything that can make the library's calls used here, by their names and
// argument types: the console's facade, fiscalctl's loaded entry points.
template <typename Library>
concept EntryPoints = requires(Library& library, char* area, const char* text, std::int32_t n) {
  { library.Purge(area) } -> std::convertible_to<std::int32_t>;
  { library.GetAPIVersion(area) } -> std::convertible_to<std::int32_t>;
  { library.setComPort(n) } -> std::convertible_to<std::int32_t>;
  { library.setBaudRate(n) } -> std::convertible_to<std::int32_t>;
  { library.setProtocolType(n) } -> std::convertible_to<std::int32_t>;
  { library.OpenPort(area) } -> std::convertible_to<std::int32_t>;
  { library.ClosePort(area) } -> std::convertible_to<std::int32_t>;
  { library.AddDataField(text, n) } -> std::convertible_to<std::int32_t>;
  { library.SendCommand(area) } -> std::convertible_to<std::int32_t>;
  { library.SendCommandComplete(text) } -> std::convertible_to<std::int32_t>;
  { library.getLastError() } -> std::convertible_to<std::int32_t>;
};

struct PortOpening {
  std::int32_t openResult;  // what OpenPort returned
  std::int32_t lastError;   // getLastError right after it
};

// What openPort does with GetAPIVersion's text by default: nothing.
struct IgnoreVersion {
  void operator()(ConstAreaRef) const {}
};

// Purge and GetAPIVersion with `area`, the three settings, OpenPort with the
// same area (the version text still in it), then getLastError. `readVersion`
// sees the area while it holds the version text, before OpenPort reuses it.
template <EntryPoints Library, std::invocable<ConstAreaRef> VersionReader = IgnoreVersion>
PortOpening openPort(Library& library, AreaRef area, std::int32_t baud = kBaudRate,
                     VersionReader readVersion = {}) {
  library.Purge(area.data());
  library.GetAPIVersion(area.data());
  readVersion(ConstAreaRef(area));
  library.setComPort(kComPort);
  library.setBaudRate(baud);
  library.setProtocolType(kProtocolType);
  PortOpening opening{};
  opening.openResult = library.OpenPort(area.data());
  opening.lastError = library.getLastError();
  return opening;
}

// ClosePort with its own area.
template <EntryPoints Library>
std::int32_t closePort(Library& library, AreaRef area) {
  return library.ClosePort(area.data());
}

// AddDataField for the two words and each further field, in order, then
// SendCommand with `area`; SendCommand's result.
template <EntryPoints Library>
std::int32_t sendFieldList(Library& library, const contract::BinaryWord& command,
                           const contract::BinaryWord& extension,
                           std::span<const contract::DataField> fields, AreaRef area) {
  library.AddDataField(command.bytes.data(), 2);
  library.AddDataField(extension.bytes.data(), 2);
  for (const contract::DataField& field : fields) library.AddDataField(field.address, field.length);
  return library.SendCommand(area.data());
}

// Copies the packed text into `scratch`, ended by a zero byte, and hands that
// copy to SendCommandComplete; its result.
template <EntryPoints Library, std::size_t ScratchSize>
std::int32_t sendPacked(Library& library, std::string_view packed,
                        std::array<char, ScratchSize>& scratch) {
  static_assert(ScratchSize > contract::kPackedLength, "no room for the packed text and its end");
  const std::size_t length = std::min(packed.size(), contract::kPackedLength);
  std::copy_n(packed.begin(), length, scratch.begin());
  scratch[length] = '\0';
  return library.SendCommandComplete(scratch.data());
}

// A row of the command set as its button sends it: its field list with
// `area`, or its packed text built in `scratch`.
template <EntryPoints Library, std::size_t ScratchSize>
std::int32_t sendRow(Library& library, const contract::CommandRow& row, AreaRef area,
                     std::array<char, ScratchSize>& scratch) {
  if (row.sending == contract::Sending::FieldList) {
    return sendFieldList(library, row.command, row.extension, row.fields, area);
  }
  return sendPacked(library, std::string_view(row.packed.data(), row.packed.size()), scratch);
}

}  // namespace fp::host
