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

// name, procedure, button, command, extension, sending, fields, result step, summary
// clang-format off
constexpr CommandRow kCommands[] = {
    {"nonfiscal-open", "NonFiscalOpen", kAbrirNf, 0x0E01, 0x0000, Sending::Packed, {}, true, "opens a non-fiscal document"},
    {"nonfiscal-text", "NonFiscalText", kTextoNf, 0x0E02, 0x0000, Sending::FieldList, kTextFields, true, "prints a line of the non-fiscal document"},
    {"nonfiscal-close", "NonFiscalClose", kCerrarNf, 0x0E06, 0x0001, Sending::FieldList, kCloseFields, true, "closes the non-fiscal document"},
};
// clang-format on

}  // namespace

std::span<const CommandRow> nonFiscalCommands() {
  return kCommands;
}

}  // namespace fp::contract
