#include "simulator/report/memory_report.h"

#include <cstdio>
#include <vector>

#include "protocol/printer_text.h"
#include "simulator/model/amounts.h"
#include "simulator/model/printer_clock.h"

namespace sim {
namespace {

using fp::protocol::jsonString;

// Text from the memory for a person: UTF-8, like the paper roll, with what a
// terminal would obey (a foreign or damaged file may hold anything) as \xHH.
std::string shown(const std::string& text) {
  return fp::protocol::terminalText(fp::protocol::utf8FromPrinterText(text));
}

std::string padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string optionalNumber(const std::optional<std::int64_t>& value, std::size_t digits) {
  return value ? zeroPadded(*value, digits) : std::string(digits, '-');
}

std::string jsonNumber(const std::optional<std::int64_t>& value) {
  return value ? std::to_string(*value) : "null";
}

void textFigures(const DayTotals& f, std::ostream& out) {
  out << "  tickets " << f.tickets << "  invoices " << f.invoices << "  non-fiscal " << f.nonFiscal
      << "  cancelled " << f.cancelled << "  returns " << formatCents(f.returns) << "\n";
  out << "  " << padded("rate", 8) << padded("net", 16) << padded("tax", 16) << padded("total", 16)
      << "\n";
  for (const auto& [rate, totals] : f.byRate) {
    out << "  " << padded(formatRate(rate), 8) << padded(formatCents(totals.net), 16)
        << padded(formatCents(totals.tax), 16) << padded(formatCents(totals.gross), 16) << "\n";
  }
  out << "  " << padded("all", 8) << padded(formatCents(f.total - f.tax), 16)
      << padded(formatCents(f.tax), 16) << padded(formatCents(f.total), 16) << "\n";
}

std::string jsonFigures(const DayTotals& f) {
  std::string out = "\"tickets\": " + std::to_string(f.tickets) +
                    ", \"invoices\": " + std::to_string(f.invoices) +
                    ", \"non_fiscal\": " + std::to_string(f.nonFiscal) +
                    ", \"cancelled\": " + std::to_string(f.cancelled) +
                    ", \"total\": " + std::to_string(f.total) +
                    ", \"net\": " + std::to_string(f.total - f.tax) +
                    ", \"tax\": " + std::to_string(f.tax) +
                    ", \"returns\": " + std::to_string(f.returns) + ", \"rates\": [";
  bool first = true;
  for (const auto& [rate, totals] : f.byRate) {
    out += std::string(first ? "" : ", ") + "{\"rate\": " + std::to_string(rate) +
           ", \"net\": " + std::to_string(totals.net) + ", \"tax\": " + std::to_string(totals.tax) +
           ", \"gross\": " + std::to_string(totals.gross) + "}";
    first = false;
  }
  return out + "]";
}

// The first and last number of each kind of document of a Z's day, as the
// report names them.
struct DocumentRange {
  const char* key;
  const std::optional<std::int64_t>& number;
};
std::vector<DocumentRange> documentRanges(const ClosingRecord& z) {
  return {{"first_ticket", z.firstTicket},        {"last_ticket", z.lastTicket},
          {"first_invoice", z.firstInvoice},      {"last_invoice", z.lastInvoice},
          {"first_non_fiscal", z.firstNonFiscal}, {"last_non_fiscal", z.lastNonFiscal}};
}

}  // namespace

bool isDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  const auto number = [&text](std::size_t at, std::size_t count) {
    return std::stoll(text.substr(at, count));
  };
  return isCalendarDay(number(0, 4), number(5, 2), number(8, 2));
}

bool writeMemoryReport(FiscalMemory& memory, const ReportRange& range, bool json, std::ostream& out,
                       std::string& error) {
  const std::optional<MemoryContents> contents = readMemoryContents(memory, range, error);
  if (!contents) return false;
  const PrinterIdentity& identity = contents->identity;
  if (json) {
    out << "{\"printer\": {\"model\": " << jsonString(identity.model)
        << ", \"firmware\": " << jsonString(identity.firmware)
        << ", \"serial\": " << jsonString(identity.serial)
        << ", \"created_at\": " << jsonString(identity.createdAt)
        << ", \"power_ons\": " << identity.powerOns << "},\n \"closings\": [";
    for (std::size_t i = 0; i < contents->closings.size(); ++i) {
      const ClosingRecord& z = contents->closings[i];
      out << (i ? ",\n  " : "\n  ") << "{\"number\": " << z.number
          << ", \"closed_at\": " << jsonString(z.closedAt);
      for (const DocumentRange& d : documentRanges(z)) {
        out << ", \"" << d.key << "\": " << jsonNumber(d.number);
      }
      out << ", " << jsonFigures(z.day) << "}";
    }
    out << "],\n \"open_day\": {\"number\": " << contents->nextZ << ", "
        << jsonFigures(contents->openDay) << "}}\n";
    return true;
  }
  out << "Fiscal memory of " << shown(identity.model) << " " << shown(identity.firmware)
      << ", serial " << shown(identity.serial) << ", since " << shown(identity.createdAt) << ", "
      << identity.powerOns << (identity.powerOns == 1 ? " power-on\n" : " power-ons\n");
  for (const ClosingRecord& z : contents->closings) {
    out << "\nZ " << zeroPadded(z.number, 4) << "  " << shown(z.closedAt) << "  tickets "
        << optionalNumber(z.firstTicket, 8) << ".." << optionalNumber(z.lastTicket, 8)
        << "  invoices " << optionalNumber(z.firstInvoice, 8) << ".."
        << optionalNumber(z.lastInvoice, 8) << "\n";
    textFigures(z.day, out);
  }
  if (contents->closings.empty()) out << "\nNo Z closing in the range.\n";
  out << "\nOpen day (next Z " << zeroPadded(contents->nextZ, 4) << ")\n";
  textFigures(contents->openDay, out);
  return true;
}

bool writeJournal(FiscalMemory& memory, const JournalDay& day, bool json, std::ostream& out,
                  std::string& error) {
  const std::optional<std::vector<JournalEntry>> read = readJournal(memory, day, error);
  if (!read) return false;
  const std::vector<JournalEntry>& entries = *read;
  if (json) {
    out << "{\"documents\": [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const JournalEntry& e = entries[i];
      out << (i ? ",\n  " : "\n  ") << "{\"kind\": " << jsonString(e.kind)
          << ", \"number\": " << e.number << ", \"day\": " << e.day
          << ", \"state\": " << jsonString(e.state) << ", \"opened_at\": " << jsonString(e.openedAt)
          << ", \"closed_at\": " << jsonString(e.closedAt) << ", \"total\": " << e.total
          << ", \"net\": " << e.net << ", \"tax\": " << e.tax << ", \"returns\": " << e.returns
          << ", \"paid\": " << e.paid << ", \"lines\": [";
      for (std::size_t j = 0; j < e.lines.size(); ++j) {
        const JournalEntryLine& l = e.lines[j];
        out << (j ? ", " : "") << "{\"kind\": " << jsonString(l.kind)
            << ", \"text\": " << jsonString(l.text) << ", \"quantity\": " << l.quantity
            << ", \"unit_price\": " << l.unitPrice << ", \"rate\": " << l.rate
            << ", \"amount\": " << l.amount << "}";
      }
      out << "]}";
    }
    out << "]}\n";
    return true;
  }
  if (entries.empty()) out << "No document on that day.\n";
  for (const JournalEntry& e : entries) {
    out << shown(e.kind) << " " << zeroPadded(e.number, 8) << "  " << shown(e.state) << "  opened "
        << shown(e.openedAt) << (e.closedAt.empty() ? "" : "  ended " + shown(e.closedAt))
        << "  day Z " << zeroPadded(e.day, 4) << "\n";
    for (const JournalEntryLine& l : e.lines) {
      out << "  " << shown(l.kind) << "  " << shown(l.text);
      if (l.kind == "item" || l.kind == "return") {
        out << "  " << formatQuantity(l.quantity) << " x " << formatCents(l.unitPrice) << " ("
            << formatRate(l.rate) << ")  " << formatCents(l.amount);
      } else if (l.kind == "payment") {
        out << "  " << formatCents(l.amount);
      }
      out << "\n";
    }
    if (e.kind != "non_fiscal" && e.state != "open") {
      out << "  total " << formatCents(e.total) << "  net " << formatCents(e.net) << "  tax "
          << formatCents(e.tax) << "  paid " << formatCents(e.paid) << "\n";
    }
  }
  return true;
}

}  // namespace sim
