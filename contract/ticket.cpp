// Consumer ticket: open, item sale and return, payment, close, cancel.
#include "contract/command_set.h"
#include "contract/item_texts.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirTique = 0x07000009, kItemPlus = 0x0700000B,
                        kCancelaTique = 0x0700000C, kCerrarTique = 0x0700000D,
                        kItemMinus = 0x07000011, kPago = 0x07000012;

// Empty fields of the item share one address holding no character at all.
constexpr char kNoCharacter[1] = {};
// Empty fields of payment and close share one address holding a single space.
constexpr char kOneSpace[] = " ";

// This group's own copy of the item, payment and close texts.
constexpr ItemTexts kTexts{};

constexpr DataField kEmpty{kNoCharacter, 0};
constexpr DataField kSpace{kOneSpace, 0};

// Sale and return send this same list; only the extension word differs.
// clang-format off
constexpr DataField kItemFields[] = {
    kEmpty, kEmpty, kEmpty, kEmpty, {kTexts.description, 20},
    {kTexts.quantity, 9}, {kTexts.unitPrice, 11}, {kTexts.taxRate, 4}, kEmpty, kEmpty,
    kEmpty, kEmpty, {kTexts.code99, 2}, {kTexts.code07, 2}, kEmpty,
};
// clang-format on
constexpr DataField kPaymentFields[] = {
    kSpace, kSpace, kSpace, kSpace, kSpace, {kTexts.paymentCode, 2}, {kTexts.paymentAmount, 11},
};
constexpr DataField kCloseFields[] = {
    kSpace, kSpace, kSpace, kSpace, kSpace, kSpace, {kTexts.closeCode, 1},
};

// name, procedure, button, command, extension, sending, fields, result step, summary
// clang-format off
constexpr CommandRow kCommands[] = {
    {"ticket-open", "TicketOpen", kAbrirTique, 0x0A01, 0x0000, Sending::Packed, {}, true, "opens a consumer ticket"},
    {"ticket-item", "TicketItemAdd", kItemPlus, 0x0A02, 0x0000, Sending::FieldList, kItemFields, true, "sells an item on the ticket"},
    {"ticket-return", "TicketItemReturn", kItemMinus, 0x0A02, 0x0001, Sending::FieldList, kItemFields, true, "returns an item on the ticket"},
    {"ticket-pay", "TicketPayment", kPago, 0x0A05, 0x0000, Sending::FieldList, kPaymentFields, true, "pays the ticket"},
    {"ticket-close", "TicketClose", kCerrarTique, 0x0A06, 0x0013, Sending::FieldList, kCloseFields, true, "closes the ticket"},
    {"ticket-cancel", "TicketCancel", kCancelaTique, 0x0A07, 0x0000, Sending::Packed, {}, true, "cancels the ticket"},
};
// clang-format on

}  // namespace

std::span<const CommandRow> ticketCommands() {
  return kCommands;
}

}  // namespace fp::contract
