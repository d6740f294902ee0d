// "A" invoice: open with the test customer, item sale and return, payment, close, cancel.
#include "contract/command_set.h"
#include "contract/item_texts.h"

namespace fp::contract {
namespace {

constexpr std::uint32_t kAbrirFactura = 0x0700001A, kCancelaFactura = 0x0700001B,
                        kItemPlus = 0x0700001C, kCerrarFactura = 0x0700001D, kPago = 0x0700001E,
                        kItemMinus = 0x07000030;

constexpr char kEightZeros[8] = {};
constexpr char kTwentySpaces[] = "                    ";
constexpr char kOneSpace[] = " ";

// The test customer.
constexpr char kCustomerName[] = "vela s.a.";
constexpr char kCustomerAddress[] = "calle falsa 1       ";
constexpr char kTaxIdKind[] = "T";
constexpr char kTaxIdNumber[] = "30000000007";
constexpr char kTaxpayerCategory[] = "I";

// This group's own copy of the item, payment and close texts.
constexpr ItemTexts kTexts{};

constexpr DataField kZeros{kEightZeros, 0};
constexpr DataField kSpaces{kTwentySpaces, 0};
constexpr DataField kSpace{kOneSpace, 0};

constexpr DataField kOpenFields[] = {
    {kCustomerName, 9},
    kZeros,
    {kCustomerAddress, 20},
    kSpaces,
    kSpaces,
    {kTaxIdKind, 1},
    {kTaxIdNumber, 11},
    {kTaxpayerCategory, 1},
    kSpaces,
    kSpaces,
    kSpaces,
    kSpaces,
};
// Sale and return send this same list; only the extension word differs. The last
// field is empty although "07" stands at its address.
// clang-format off
constexpr DataField kItemFields[] = {
    kSpace, kSpace, kSpace, kSpace, {kTexts.description, 20},
    {kTexts.quantity, 9}, {kTexts.unitPrice, 11}, {kTexts.taxRate, 4}, kSpace, kSpace,
    kSpace, kSpace, {kTexts.code99, 2}, {kTexts.code07, 2}, {kTexts.code07, 0},
};
// clang-format on
constexpr DataField kPaymentFields[] = {
    kZeros, kZeros, kZeros, kZeros, kZeros, {kTexts.paymentCode, 2}, {kTexts.paymentAmount, 11},
};
constexpr DataField kCloseFields[] = {
    kZeros, kZeros, kZeros, kZeros, kZeros, kZeros, {kTexts.closeCode, 1},
};

// name, procedure, button, command, extension, sending, fields, result step, summary
// clang-format off
constexpr CommandRow kCommands[] = {
    {"invoice-open", "InvoiceOpen", kAbrirFactura, 0x0B01, 0x0000, Sending::FieldList, kOpenFields, true, "opens an \"A\" invoice for the test customer"},
    {"invoice-item", "InvoiceItemAdd", kItemPlus, 0x0B02, 0x0000, Sending::FieldList, kItemFields, true, "sells an item on the invoice"},
    {"invoice-return", "InvoiceItemReturn", kItemMinus, 0x0B02, 0x0001, Sending::FieldList, kItemFields, true, "returns an item on the invoice"},
    {"invoice-pay", "InvoicePayment", kPago, 0x0B05, 0x0000, Sending::FieldList, kPaymentFields, true, "pays the invoice"},
    {"invoice-close", "InvoiceClose", kCerrarFactura, 0x0B06, 0x0013, Sending::FieldList, kCloseFields, true, "closes the invoice"},
    {"invoice-cancel", "InvoiceCancel", kCancelaFactura, 0x0B07, 0x0000, Sending::Packed, {}, true, "cancels the invoice"},
};
// clang-format on

}  // namespace

std::span<const CommandRow> invoiceCommands() {
  return kCommands;
}

}  // namespace fp::contract
