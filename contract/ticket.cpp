// Consumer ticket: open, item sale and return, payment, close, cancel.
#include "contract/command_set.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirTique = 0x07000009, kItemPlus = 0x0700000B,
                        kCancelaTique = 0x0700000C, kCerrarTique = 0x0700000D,
                        kItemMinus = 0x07000011, kPago = 0x07000012;

// Empty fields of the item share one address holding no character at all.
constexpr char kNoCharacter[1] = {};
// Empty fields of payment and close share one address holding a single space.
constexpr char kOneSpace[] = " ";

constexpr char kDescription[] = "Venta de item       ";
constexpr char kQuantity[] = "000010000";
constexpr char kUnitPrice[] = "00000000100";
constexpr char kTaxRate[] = "2100";
constexpr char kCode99[] = "99";
constexpr char kCode07[] = "07";
constexpr char kPaymentCode[] = "08";
constexpr char kPaymentAmount[] = "00000010000";
constexpr char kCloseCode[] = "3";

constexpr DataField kEmpty{kNoCharacter, 0};
constexpr DataField kSpace{kOneSpace, 0};

// Sale and return send this same list; only the extension word differs.
constexpr DataField kItemFields[] = {
    kEmpty,         kEmpty,           kEmpty,        kEmpty,       {kDescription, 20},
    {kQuantity, 9}, {kUnitPrice, 11}, {kTaxRate, 4}, kEmpty,       kEmpty,
    kEmpty,         kEmpty,           {kCode99, 2},  {kCode07, 2}, kEmpty,
};
constexpr DataField kPaymentFields[] = {
    kSpace, kSpace, kSpace, kSpace, kSpace, {kPaymentCode, 2}, {kPaymentAmount, 11},
};
constexpr DataField kCloseFields[] = {
    kSpace, kSpace, kSpace, kSpace, kSpace, kSpace, {kCloseCode, 1},
};

// name, procedure, button, command, extension, sending, fields, packed, result step
// clang-format off
constexpr CommandSpec kCommands[] = {
    {"ticket-open", "TicketOpen", kAbrirTique, BinaryWord(0x0A01), BinaryWord(0x0000), Sending::Packed, {}, "0A01|0000", true},
    {"ticket-item", "TicketItemAdd", kItemPlus, BinaryWord(0x0A02), BinaryWord(0x0000), Sending::FieldList, kItemFields, {}, true},
    {"ticket-return", "TicketItemReturn", kItemMinus, BinaryWord(0x0A02), BinaryWord(0x0001), Sending::FieldList, kItemFields, {}, true},
    {"ticket-pay", "TicketPayment", kPago, BinaryWord(0x0A05), BinaryWord(0x0000), Sending::FieldList, kPaymentFields, {}, true},
    {"ticket-close", "TicketClose", kCerrarTique, BinaryWord(0x0A06), BinaryWord(0x0013), Sending::FieldList, kCloseFields, {}, true},
    {"ticket-cancel", "TicketCancel", kCancelaTique, BinaryWord(0x0A07), BinaryWord(0x0000), Sending::Packed, {}, "0A07|0000", true},
};
// clang-format on

}  // namespace

std::span<const CommandSpec> ticketCommands() {
  return kCommands;
}

}  // namespace fp::contract
