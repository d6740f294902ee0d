// The non-fiscal document: open, text lines, close. It carries no amounts.
#include "simulator/model/amounts.h"
#include "simulator/model/fields.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/model/layout.h"

namespace sim {

Outcome FiscalPrinter::openNonFiscal(const Command& command, DocumentKind kind) {
  if (document_.kind != DocumentKind::kNone) return Outcome{ReturnCode::kOutOfOrder, {}};
  if (!fitsFieldCount(command, 0)) return Outcome{ReturnCode::kMalformedField, {}};
  numbering_.nonFiscal = nextSerial(numbering_.nonFiscal, 8);
  document_ = Document{};
  document_.kind = kind;
  document_.number = numbering_.nonFiscal;
  drawerOpen_ = false;
  printDocumentHeader("DOCUMENTO NO FISCAL", document_.number);
  return Outcome{ReturnCode::kOk, {zeroPadded(document_.number, 8)}};
}

// Field 1: the line of text, printed as sent (at most 40 characters).
Outcome FiscalPrinter::printNonFiscalText(const Command& command, DocumentKind kind) {
  if (document_.kind != kind) return Outcome{ReturnCode::kOutOfOrder, {}};
  if (!fitsFieldCount(command, 1) || !isPrintableText(fieldAt(command, 1))) {
    return Outcome{ReturnCode::kMalformedField, {}};
  }
  paper_.print(fieldAt(command, 1));
  ++document_.textLines;
  lastLine_ = JournalLine{"text", std::string(fieldAt(command, 1))};
  return Outcome{ReturnCode::kOk, {}};
}

// Fields 1-6: closing lines printed at the foot; empty ones are skipped.
Outcome FiscalPrinter::closeNonFiscal(const Command& command, DocumentKind kind) {
  if (document_.kind != kind) return Outcome{ReturnCode::kOutOfOrder, {}};
  if (!fitsFieldCount(command, 6) || !areOptionalTexts(command, 1, 6)) {
    return Outcome{ReturnCode::kMalformedField, {}};
  }
  printTrailer(command, 1, 6);
  paper_.print(layout::centred("NO VALIDO COMO FACTURA"));
  paper_.print(layout::rule('='));
  ++day_.nonFiscal;
  const std::uint32_t number = document_.number;
  document_ = Document{};
  return Outcome{ReturnCode::kOk, {zeroPadded(number, 8)}};
}

void FiscalPrinter::printTrailer(const Command& command, std::size_t firstLine,
                                 std::size_t lastLine) {
  for (std::size_t position = firstLine; position <= lastLine; ++position) {
    const std::string line = trimmedRight(fieldAt(command, position));
    if (!line.empty()) paper_.print(line);
  }
}

}  // namespace sim
