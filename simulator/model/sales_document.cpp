// Consumer tickets and "A" invoices: open, item sale and return, payment,
// close and cancel.
#include <array>
#include <string>

#include "simulator/model/amounts.h"
#include "simulator/model/fields.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/model/layout.h"
#include "simulator/model/tax_number.h"

namespace sim {
namespace {

Outcome refuse(ReturnCode code) {
  return Outcome{code, {}};
}

// The printable name of a two-digit payment means code.
std::string paymentName(std::string_view code) {
  struct Means {
    std::string_view code;
    std::string_view name;
  };
  static constexpr std::array<Means, 5> kMeans = {{{"01", "Tarjeta de credito"},
                                                   {"02", "Tarjeta de debito"},
                                                   {"03", "Cheque"},
                                                   {"08", "Efectivo"},
                                                   {"99", "Otros"}}};
  for (const Means& means : kMeans) {
    if (means.code == code) return std::string(means.name);
  }
  return "Medio de pago " + std::string(code);
}

// Fields of the invoice customer: 1 name, 2 second name line, 3-5 address
// lines, 6 tax id kind "T", 7 tax number, 8 taxpayer category "I", 9-12
// references printed under the customer.
ReturnCode checkCustomer(const Command& command) {
  if (!fitsFieldCount(command, 12) || !areOptionalTexts(command, 1, 12)) {
    return ReturnCode::kMalformedField;
  }
  if (trimmedRight(fieldAt(command, 1)).empty()) return ReturnCode::kMalformedField;
  if (fieldAt(command, 6) != "T" || fieldAt(command, 8) != "I") {
    return ReturnCode::kMalformedField;
  }
  if (!parseDigits(fieldAt(command, 7), 11)) return ReturnCode::kMalformedField;
  if (!isValidTaxNumber(fieldAt(command, 7))) return ReturnCode::kBadTaxNumber;
  return ReturnCode::kOk;
}

// One item line as read from its fields: 1-4 extra description lines, 5 the
// description, 6 quantity (9 digits, 4 decimals), 7 unit price (11 digits, 2
// decimals), 8 tax rate (4 digits, 2 decimals), 9-12 and 15 free texts, 13
// department (2 digits), 14 unit of measure code (2 digits).
struct Item {
  std::int64_t quantity = 0;
  std::int64_t unitPrice = 0;
  std::int64_t rate = 0;
};

std::optional<Item> readItem(const Command& command) {
  if (!fitsFieldCount(command, 15) || !areOptionalTexts(command, 1, 15)) return std::nullopt;
  if (trimmedRight(fieldAt(command, 5)).empty()) return std::nullopt;
  const auto quantity = parseDigits(fieldAt(command, 6), 9);
  const auto price = parseDigits(fieldAt(command, 7), 11);
  const auto rate = parseDigits(fieldAt(command, 8), 4);
  if (!quantity || !price || !rate || *quantity == 0) return std::nullopt;
  if (!parseDigits(fieldAt(command, 13), 2) || !parseDigits(fieldAt(command, 14), 2)) {
    return std::nullopt;
  }
  return Item{*quantity, *price, *rate};
}

// Gross (tax included), net and tax of an amount at one rate: ticket prices
// include the tax, invoice prices are net and the tax is added. The tax is
// rounded half up to the cent; on a ticket the net is what is left.
RateTotals atRate(std::int64_t amount, std::int64_t rate, DocumentKind kind) {
  if (kind == DocumentKind::kInvoice) {
    const std::int64_t tax = addedTax(amount, rate);
    return {amount + tax, amount, tax};
  }
  const std::int64_t tax = includedTax(amount, rate);
  return {amount, amount - tax, tax};
}

// The document's amounts by rate: the tax of each rate is worked out once on
// the sum of its lines, so returns take back exactly what sales added and no
// amount changes sign.
RateTable byRate(const Document& document) {
  RateTable table;
  for (const auto& [rate, base] : document.bases) table[rate] = atRate(base, rate, document.kind);
  return table;
}

RateTotals sum(const RateTable& table) {
  RateTotals all;
  for (const auto& [rate, totals] : table) {
    all.gross += totals.gross;
    all.net += totals.net;
    all.tax += totals.tax;
  }
  return all;
}

// "  1.0000 x 1.00 (21.00%)            1.00": quantity, price, rate, amount.
std::string itemLine(const Item& item, std::int64_t amount) {
  return layout::leftRight("  " + formatQuantity(item.quantity) + " x " +
                               formatCents(item.unitPrice) + " (" + formatRate(item.rate) + ")",
                           formatCents(amount));
}

}  // namespace

Outcome FiscalPrinter::openSalesDocument(const Command& command, DocumentKind kind) {
  if (document_.kind != DocumentKind::kNone) return refuse(ReturnCode::kOutOfOrder);
  if (kind == DocumentKind::kTicket && !fitsFieldCount(command, 0)) {
    return refuse(ReturnCode::kMalformedField);
  }
  if (kind == DocumentKind::kInvoice) {
    if (const ReturnCode code = checkCustomer(command); code != ReturnCode::kOk) {
      return refuse(code);
    }
  }
  std::uint32_t& last = kind == DocumentKind::kTicket ? numbering_.ticket : numbering_.invoice;
  last = nextSerial(last, 8);
  document_ = Document{};
  document_.kind = kind;
  document_.number = last;
  drawerOpen_ = false;
  printDocumentHeader(kind == DocumentKind::kTicket ? "TIQUE" : "FACTURA A", document_.number);
  if (kind == DocumentKind::kInvoice) {
    paper_.print("Cliente: " + trimmedRight(fieldAt(command, 1)));
    printTrailer(command, 2, 5);
    paper_.print("CUIT: " + std::string(fieldAt(command, 7)) + "  IVA Resp. Inscripto");
    printTrailer(command, 9, 12);
    paper_.print(layout::rule('-'));
  }
  return Outcome{ReturnCode::kOk, {zeroPadded(document_.number, 8)}};
}

Outcome FiscalPrinter::addItem(const Command& command, DocumentKind kind) {
  if (document_.kind != kind || document_.payments > 0) return refuse(ReturnCode::kOutOfOrder);
  const auto item = readItem(command);
  if (!item) return refuse(ReturnCode::kMalformedField);
  const auto amount = lineAmount(item->quantity, item->unitPrice);
  if (!amount) return refuse(ReturnCode::kAmountTooLarge);
  const bool isReturn = command.extension == 0x0001;
  const std::int64_t sign = isReturn ? -1 : 1;
  // A return takes back what was sold at its rate in this document, no more.
  const auto sold = document_.bases.find(item->rate);
  if (isReturn && (sold == document_.bases.end() || *amount > sold->second)) {
    return refuse(ReturnCode::kReturnExceedsSale);
  }
  Document updated = document_;
  updated.bases[item->rate] += sign * *amount;
  const RateTotals totals = sum(byRate(updated));
  if (totals.gross > kMaxAmountCents) return refuse(ReturnCode::kAmountTooLarge);
  updated.total = totals.gross;
  updated.net = totals.net;
  updated.tax = totals.tax;
  ++updated.itemLines;
  if (isReturn) updated.returns += atRate(*amount, item->rate, kind).gross;
  document_ = std::move(updated);
  lastLine_ = JournalLine{isReturn ? "return" : "item",
                          trimmedRight(fieldAt(command, 5)),
                          item->quantity,
                          item->unitPrice,
                          item->rate,
                          sign * *amount};

  printTrailer(command, 1, 4);
  paper_.print((isReturn ? "DEVOLUCION " : "") + trimmedRight(fieldAt(command, 5)));
  paper_.print(itemLine(*item, sign * *amount));
  return Outcome{ReturnCode::kOk, {zeroPadded(document_.total, 11)}};
}

// Fields: 1 a text printed in place of the means name, 2-5 free texts, 6 the
// payment means code (2 digits), 7 the amount (11 digits, 2 decimals).
Outcome FiscalPrinter::addPayment(const Command& command, DocumentKind kind) {
  if (document_.kind != kind || document_.itemLines == 0) return refuse(ReturnCode::kOutOfOrder);
  if (document_.payments > 0 && document_.paid >= document_.total) {
    return refuse(ReturnCode::kOutOfOrder);  // already paid in full
  }
  if (!fitsFieldCount(command, 7) || !areOptionalTexts(command, 1, 5)) {
    return refuse(ReturnCode::kMalformedField);
  }
  const auto means = parseDigits(fieldAt(command, 6), 2);
  const auto amount = parseDigits(fieldAt(command, 7), 11);
  if (!means || !amount || *amount == 0) return refuse(ReturnCode::kMalformedField);
  if (document_.paid + *amount > kMaxAmountCents) return refuse(ReturnCode::kAmountTooLarge);

  if (document_.payments == 0) {
    paper_.print(layout::rule('-'));
    if (kind == DocumentKind::kInvoice) {
      paper_.print(layout::leftRight("NETO", formatCents(document_.net)));
      paper_.print(layout::leftRight("IVA", formatCents(document_.tax)));
    }
    paper_.print(layout::leftRight("TOTAL", formatCents(document_.total)));
  }
  document_.paid += *amount;
  ++document_.payments;
  const std::string label = trimmedRight(fieldAt(command, 1));
  const std::string name = label.empty() ? paymentName(fieldAt(command, 6)) : label;
  paper_.print(layout::leftRight(name, formatCents(*amount)));
  lastLine_ = JournalLine{"payment", name, 0, 0, 0, *amount};
  const std::int64_t due = document_.total - document_.paid;
  return Outcome{ReturnCode::kOk,
                 {zeroPadded(due > 0 ? due : 0, 11), zeroPadded(due < 0 ? -due : 0, 11)}};
}

// Fields: 1-6 closing lines printed at the foot, 7 blank lines fed after the
// document (one digit).
Outcome FiscalPrinter::closeSalesDocument(const Command& command, DocumentKind kind) {
  if (document_.kind != kind || document_.itemLines == 0) return refuse(ReturnCode::kOutOfOrder);
  if (!fitsFieldCount(command, 7) || !areOptionalTexts(command, 1, 6)) {
    return refuse(ReturnCode::kMalformedField);
  }
  const auto feedLines = parseDigits(fieldAt(command, 7), 1);
  if (!feedLines) return refuse(ReturnCode::kMalformedField);
  if (document_.total > 0 && document_.paid < document_.total) {
    return refuse(ReturnCode::kPaymentMissing);
  }
  if (document_.payments == 0)
    paper_.print(layout::leftRight("TOTAL", formatCents(document_.total)));
  if (document_.paid > document_.total) {
    paper_.print(layout::leftRight("SU VUELTO", formatCents(document_.paid - document_.total)));
  }
  printTrailer(command, 1, 6);
  paper_.print(layout::rule('='));
  feed(*feedLines);

  (kind == DocumentKind::kTicket ? day_.tickets : day_.invoices) += 1;
  day_.total += document_.total;
  day_.tax += document_.tax;
  day_.returns += document_.returns;
  for (const auto& [rate, totals] : byRate(document_)) {
    RateTotals& dayAtRate = day_.byRate[rate];
    dayAtRate.gross += totals.gross;
    dayAtRate.net += totals.net;
    dayAtRate.tax += totals.tax;
  }
  const std::uint32_t number = document_.number;
  document_ = Document{};
  return Outcome{ReturnCode::kOk, {zeroPadded(number, 8)}};
}

Outcome FiscalPrinter::cancelSalesDocument(const Command& command, DocumentKind kind) {
  if (document_.kind != kind) return refuse(ReturnCode::kOutOfOrder);
  if (!fitsFieldCount(command, 0)) return refuse(ReturnCode::kMalformedField);
  paper_.print(layout::centred("*** CANCELADO ***"));
  paper_.print(layout::rule('='));
  ++day_.cancelled;
  const std::uint32_t number = document_.number;
  document_ = Document{};
  return Outcome{ReturnCode::kOk, {zeroPadded(number, 8)}};
}

}  // namespace sim
