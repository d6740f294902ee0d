// Day-level commands: Z and X closings and journal total (no result step), and
// the cash drawer (with its result step).
#include "fiscal/commands.h"

namespace console {
namespace {

constexpr ControlId kAbrirCajon = 0x07000014, kCierreZ = 0x07000017, kCierreX = 0x07000018,
                    kTotalJornal = 0x07000019;

}  // namespace

const CommandSpec kClosingZ{"ClosingZ",      kCierreZ, BinaryWord(0x0801), BinaryWord(0x0C00),
                            Sending::Packed, {},       "0801|0C00",        false};
const CommandSpec kClosingX{"ClosingX",      kCierreX, BinaryWord(0x0802), BinaryWord(0x0C21),
                            Sending::Packed, {},       "0802|0C21",        false};
const CommandSpec kJournalTotal{
    "JournalTotal",  kTotalJornal, BinaryWord(0x0803), BinaryWord(0x0C20),
    Sending::Packed, {},           "0803|0C20",        false};
const CommandSpec kDrawerOpen{"DrawerOpen",    kAbrirCajon, BinaryWord(0x0707), BinaryWord(0x0000),
                              Sending::Packed, {},          "0707|0000",        true};

std::int32_t ClosingZ(EventContext& event) {
  return runCommand(event, kClosingZ);
}
std::int32_t ClosingX(EventContext& event) {
  return runCommand(event, kClosingX);
}
std::int32_t JournalTotal(EventContext& event) {
  return runCommand(event, kJournalTotal);
}
std::int32_t DrawerOpen(EventContext& event) {
  return runCommand(event, kDrawerOpen);
}

}  // namespace console
