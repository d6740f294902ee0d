// Non-fiscal document: open, one text line, close.
#include "fiscal/commands.h"

namespace console {
namespace {

constexpr ControlId kAbrirNf = 0x0700000E, kTextoNf = 0x0700000F, kCerrarNf = 0x07000010;

constexpr char kOneSpace[] = " ";
constexpr char kTextLine[] = "Prueba documento NF";

constexpr DataField kSpace{kOneSpace, 0};
constexpr DataField kTextFields[] = {{kTextLine, 19}};
constexpr DataField kCloseFields[] = {kSpace, kSpace, kSpace, kSpace, kSpace, kSpace};

}  // namespace

const CommandSpec kNonFiscalOpen{"NonFiscalOpen", kAbrirNf, BinaryWord(0x0E01), BinaryWord(0x0000),
                                 Sending::Packed, {},       "0E01|0000",        true};
const CommandSpec kNonFiscalText{"NonFiscalText",
                                 kTextoNf,
                                 BinaryWord(0x0E02),
                                 BinaryWord(0x0000),
                                 Sending::FieldList,
                                 kTextFields,
                                 {},
                                 true};
const CommandSpec kNonFiscalClose{"NonFiscalClose",
                                  kCerrarNf,
                                  BinaryWord(0x0E06),
                                  BinaryWord(0x0001),
                                  Sending::FieldList,
                                  kCloseFields,
                                  {},
                                  true};

std::int32_t NonFiscalOpen(EventContext& event) {
  return runCommand(event, kNonFiscalOpen);
}
std::int32_t NonFiscalText(EventContext& event) {
  return runCommand(event, kNonFiscalText);
}
std::int32_t NonFiscalClose(EventContext& event) {
  return runCommand(event, kNonFiscalClose);
}

}  // namespace console
