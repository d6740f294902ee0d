// Non-fiscal document: open, one text line, close.
#include "contract/command_set.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirNf = 0x0700000E, kTextoNf = 0x0700000F, kCerrarNf = 0x07000010;

constexpr char kOneSpace[] = " ";
constexpr char kTextLine[] = "Prueba documento NF";

constexpr DataField kSpace{kOneSpace, 0};
constexpr DataField kTextFields[] = {{kTextLine, 19}};
constexpr DataField kCloseFields[] = {kSpace, kSpace, kSpace, kSpace, kSpace, kSpace};

// name, procedure, button, command, extension, sending, fields, packed, result step
// clang-format off
constexpr CommandSpec kCommands[] = {
    {"nonfiscal-open", "NonFiscalOpen", kAbrirNf, BinaryWord(0x0E01), BinaryWord(0x0000), Sending::Packed, {}, "0E01|0000", true},
    {"nonfiscal-text", "NonFiscalText", kTextoNf, BinaryWord(0x0E02), BinaryWord(0x0000), Sending::FieldList, kTextFields, {}, true},
    {"nonfiscal-close", "NonFiscalClose", kCerrarNf, BinaryWord(0x0E06), BinaryWord(0x0001), Sending::FieldList, kCloseFields, {}, true},
};
// clang-format on

}  // namespace

std::span<const CommandSpec> nonFiscalCommands() {
  return kCommands;
}

}  // namespace fp::contract
