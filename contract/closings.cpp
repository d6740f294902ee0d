// Day-level commands: Z and X closings and journal total (no result step), and
// the cash drawer (with its result step).
#include "contract/command_set.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirCajon = 0x07000014, kCierreZ = 0x07000017, kCierreX = 0x07000018,
                        kTotalJornal = 0x07000019;

// name, procedure, button, command, extension, sending, fields, packed, result step
// clang-format off
constexpr CommandSpec kCommands[] = {
    {"closing-z", "ClosingZ", kCierreZ, BinaryWord(0x0801), BinaryWord(0x0C00), Sending::Packed, {}, "0801|0C00", false},
    {"closing-x", "ClosingX", kCierreX, BinaryWord(0x0802), BinaryWord(0x0C21), Sending::Packed, {}, "0802|0C21", false},
    {"journal-total", "JournalTotal", kTotalJornal, BinaryWord(0x0803), BinaryWord(0x0C20), Sending::Packed, {}, "0803|0C20", false},
    {"drawer-open", "DrawerOpen", kAbrirCajon, BinaryWord(0x0707), BinaryWord(0x0000), Sending::Packed, {}, "0707|0000", true},
};
// clang-format on

}  // namespace

std::span<const CommandSpec> closingCommands() {
  return kCommands;
}

}  // namespace fp::contract
