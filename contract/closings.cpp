// Day-level commands: Z and X closings and journal total (no result step), and
// the cash drawer (with its result step).
#include "contract/command_set.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirCajon = 0x07000014, kCierreZ = 0x07000017, kCierreX = 0x07000018,
                        kTotalJornal = 0x07000019;

// name, procedure, button, command, extension, sending, fields, result step, summary
// clang-format off
constexpr CommandRow kCommands[] = {
    {"closing-z", "ClosingZ", kCierreZ, 0x0801, 0x0C00, Sending::Packed, {}, false, "prints the day's totals and closes the day (Z)"},
    {"closing-x", "ClosingX", kCierreX, 0x0802, 0x0C21, Sending::Packed, {}, false, "prints the day's totals without closing it (X)"},
    {"journal-total", "JournalTotal", kTotalJornal, 0x0803, 0x0C20, Sending::Packed, {}, false, "prints the number of documents and the total of the day"},
    {"drawer-open", "DrawerOpen", kAbrirCajon, 0x0707, 0x0000, Sending::Packed, {}, true, "opens cash drawer 1"},
};
// clang-format on

}  // namespace

std::span<const CommandRow> closingCommands() {
  return kCommands;
}

}  // namespace fp::contract
