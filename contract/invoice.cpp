// "A" invoice: open with the test customer, item sale and return, payment, close, cancel.
#include "fiscal/commands.h"

namespace console {
namespace {

constexpr ControlId kAbrirFactura = 0x0700001A, kCancelaFactura = 0x0700001B,
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

constexpr char kDescription[] = "Venta de item       ";
constexpr char kQuantity[] = "000010000";
constexpr char kUnitPrice[] = "00000000100";
constexpr char kTaxRate[] = "2100";
constexpr char kCode99[] = "99";
constexpr char kCode07[] = "07";
constexpr char kPaymentCode[] = "08";
constexpr char kPaymentAmount[] = "00000010000";
constexpr char kCloseCode[] = "3";

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
constexpr DataField kItemFields[] = {
    kSpace,         kSpace,           kSpace,        kSpace,       {kDescription, 20},
    {kQuantity, 9}, {kUnitPrice, 11}, {kTaxRate, 4}, kSpace,       kSpace,
    kSpace,         kSpace,           {kCode99, 2},  {kCode07, 2}, {kCode07, 0},
};
constexpr DataField kPaymentFields[] = {
    kZeros, kZeros, kZeros, kZeros, kZeros, {kPaymentCode, 2}, {kPaymentAmount, 11},
};
constexpr DataField kCloseFields[] = {
    kZeros, kZeros, kZeros, kZeros, kZeros, kZeros, {kCloseCode, 1},
};

}  // namespace

const CommandSpec kInvoiceOpen{"InvoiceOpen",
                               kAbrirFactura,
                               BinaryWord(0x0B01),
                               BinaryWord(0x0000),
                               Sending::FieldList,
                               kOpenFields,
                               {},
                               true};
const CommandSpec kInvoiceItemAdd{"InvoiceItemAdd",
                                  kItemPlus,
                                  BinaryWord(0x0B02),
                                  BinaryWord(0x0000),
                                  Sending::FieldList,
                                  kItemFields,
                                  {},
                                  true};
const CommandSpec kInvoiceItemReturn{"InvoiceItemReturn",
                                     kItemMinus,
                                     BinaryWord(0x0B02),
                                     BinaryWord(0x0001),
                                     Sending::FieldList,
                                     kItemFields,
                                     {},
                                     true};
const CommandSpec kInvoicePayment{"InvoicePayment",
                                  kPago,
                                  BinaryWord(0x0B05),
                                  BinaryWord(0x0000),
                                  Sending::FieldList,
                                  kPaymentFields,
                                  {},
                                  true};
const CommandSpec kInvoiceClose{"InvoiceClose",
                                kCerrarFactura,
                                BinaryWord(0x0B06),
                                BinaryWord(0x0013),
                                Sending::FieldList,
                                kCloseFields,
                                {},
                                true};
const CommandSpec kInvoiceCancel{"InvoiceCancel",    kCancelaFactura,
                                 BinaryWord(0x0B07), BinaryWord(0x0000),
                                 Sending::Packed,    {},
                                 "0B07|0000",        true};

std::int32_t InvoiceOpen(EventContext& event) {
  return runCommand(event, kInvoiceOpen);
}
std::int32_t InvoiceItemAdd(EventContext& event) {
  return runCommand(event, kInvoiceItemAdd);
}
std::int32_t InvoiceItemReturn(EventContext& event) {
  return runCommand(event, kInvoiceItemReturn);
}
std::int32_t InvoicePayment(EventContext& event) {
  return runCommand(event, kInvoicePayment);
}
std::int32_t InvoiceClose(EventContext& event) {
  return runCommand(event, kInvoiceClose);
}
std::int32_t InvoiceCancel(EventContext& event) {
  return runCommand(event, kInvoiceCancel);
}

}  // namespace console
