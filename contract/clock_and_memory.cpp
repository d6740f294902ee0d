// The printer's clock and its fiscal memory: commands the console's window
// does not offer (no button), for technicians and point-of-sale programs
// through fiscalctl. Their words are in group 0x09, which the console does
// not use.
#include "contract/command_set.h"

namespace fp::contract {
namespace {

// Fields the caller fills in (fiscalctl: 1=VALUE); sent empty, they are refused.
constexpr char kNothing[1] = {};
constexpr DataField kToFillIn{kNothing, 0};

// The date and the time to set: "YYYYMMDD", "HHMMSS".
constexpr DataField kSetClockFields[] = {kToFillIn, kToFillIn};
// The first and the last Z of the report: four digits each.
constexpr DataField kZRangeFields[] = {kToFillIn, kToFillIn};

// name, procedure, button, command, extension, sending, fields, result step, summary
// clang-format off
constexpr CommandRow kCommands[] = {
    {"clock-read", {}, kNoButton, 0x0901, 0x0000, Sending::Packed, {}, false, "reads the printer's date and time"},
    {"clock-set", {}, kNoButton, 0x0902, 0x0000, Sending::FieldList, kSetClockFields, false, "sets the printer's date and time: 1=YYYYMMDD 2=HHMMSS"},
    {"memory-report", {}, kNoButton, 0x0903, 0x0000, Sending::FieldList, kZRangeFields, false, "prints the fiscal memory report of Z closings 1=FIRST to 2=LAST (4 digits each)"},
};
// clang-format on

}  // namespace

std::span<const CommandRow> clockAndMemoryCommands() {
  return kCommands;
}

}  // namespace fp::contract
