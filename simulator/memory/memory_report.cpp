#include "simulator/memory/memory_report.h"

#include <cstdio>
#include <vector>

#include "protocol/printer_text.h"
#include "simulator/model/amounts.h"

namespace sim {
namespace {

using fp::protocol::jsonString;

// Printer text for a person: UTF-8, like the paper roll.
std::string shown(const std::string& text) {
  return fp::protocol::utf8FromPrinterText(text);
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

// The counts and amounts shared by a Z closing and the open day.
struct DayFigures {
  std::int64_t tickets = 0, invoices = 0, nonFiscal = 0, cancelled = 0;
  std::int64_t total = 0, net = 0, tax = 0, returns = 0;
  std::vector<std::pair<std::int64_t, RateTotals>> rates;
};

void readRates(sql::Database& db, const char* query, std::optional<std::int64_t> z,
               DayFigures& figures) {
  sql::Statement& rates = db.statement(query);
  if (z) rates.bind(1, *z);
  while (rates.step()) {
    figures.rates.push_back(
        {rates.integer(0), RateTotals{rates.integer(1), rates.integer(2), rates.integer(3)}});
  }
  rates.reset();
}

void textFigures(const DayFigures& f, std::ostream& out) {
  out << "  tickets " << f.tickets << "  invoices " << f.invoices << "  non-fiscal " << f.nonFiscal
      << "  cancelled " << f.cancelled << "  returns " << formatCents(f.returns) << "\n";
  out << "  " << padded("rate", 8) << padded("net", 16) << padded("tax", 16) << padded("total", 16)
      << "\n";
  for (const auto& [rate, totals] : f.rates) {
    out << "  " << padded(formatRate(rate), 8) << padded(formatCents(totals.net), 16)
        << padded(formatCents(totals.tax), 16) << padded(formatCents(totals.gross), 16) << "\n";
  }
  out << "  " << padded("all", 8) << padded(formatCents(f.net), 16)
      << padded(formatCents(f.tax), 16) << padded(formatCents(f.total), 16) << "\n";
}

std::string jsonFigures(const DayFigures& f) {
  std::string out = "\"tickets\": " + std::to_string(f.tickets) +
                    ", \"invoices\": " + std::to_string(f.invoices) +
                    ", \"non_fiscal\": " + std::to_string(f.nonFiscal) +
                    ", \"cancelled\": " + std::to_string(f.cancelled) +
                    ", \"total\": " + std::to_string(f.total) +
                    ", \"net\": " + std::to_string(f.net) + ", \"tax\": " + std::to_string(f.tax) +
                    ", \"returns\": " + std::to_string(f.returns) + ", \"rates\": [";
  for (std::size_t i = 0; i < f.rates.size(); ++i) {
    const auto& [rate, totals] = f.rates[i];
    out += std::string(i ? ", " : "") + "{\"rate\": " + std::to_string(rate) +
           ", \"net\": " + std::to_string(totals.net) + ", \"tax\": " + std::to_string(totals.tax) +
           ", \"gross\": " + std::to_string(totals.gross) + "}";
  }
  return out + "]";
}

struct Closing {
  std::int64_t number = 0;
  std::string closedAt;
  DayFigures figures;
  std::optional<std::int64_t> documents[6];  // first/last ticket, invoice, non-fiscal
};

bool readClosings(sql::Database& db, const ReportRange& range, std::vector<Closing>& closings) {
  sql::Statement& query = db.statement(
      "SELECT number, closed_at, tickets, invoices, non_fiscal, cancelled, total, net, tax, "
      "returns, first_ticket, last_ticket, first_invoice, last_invoice, first_non_fiscal, "
      "last_non_fiscal FROM z_closings WHERE substr(closed_at, 1, 10) >= ?1 AND "
      "substr(closed_at, 1, 10) <= ?2 ORDER BY number");
  query.bind(1, std::string_view(range.from.value_or("0000-00-00")));
  query.bind(2, std::string_view(range.to.value_or("9999-99-99")));
  while (query.step()) {
    Closing z;
    z.number = query.integer(0);
    z.closedAt = query.text(1);
    z.figures = DayFigures{query.integer(2), query.integer(3), query.integer(4),
                           query.integer(5), query.integer(6), query.integer(7),
                           query.integer(8), query.integer(9), {}};
    for (int i = 0; i < 6; ++i) z.documents[i] = query.optionalInteger(10 + i);
    closings.push_back(std::move(z));
  }
  const bool ok = query.ok();
  query.reset();
  for (Closing& z : closings) {
    readRates(db, "SELECT rate, gross, net, tax FROM z_rates WHERE z_number = ?1 ORDER BY rate",
              z.number, z.figures);
  }
  return ok;
}

bool readOpenDay(sql::Database& db, DayFigures& day, std::int64_t& number) {
  sql::Statement& query = db.statement(
      "SELECT tickets, invoices, non_fiscal, cancelled, total, total - tax, tax, returns, "
      "(SELECT last_z + 1 FROM counters) FROM day");
  if (!query.step()) return false;
  day = DayFigures{query.integer(0), query.integer(1), query.integer(2),
                   query.integer(3), query.integer(4), query.integer(5),
                   query.integer(6), query.integer(7), {}};
  number = query.integer(8);
  query.reset();
  readRates(db, "SELECT rate, gross, net, tax FROM day_rates ORDER BY rate", std::nullopt, day);
  return true;
}

struct Identity {
  std::string model, firmware, serial, createdAt;
  std::int64_t powerOns = 0;
};

bool readIdentity(sql::Database& db, Identity& identity) {
  sql::Statement& query =
      db.statement("SELECT model, firmware, serial, created_at, power_ons FROM printer");
  if (!query.step()) return false;
  identity = Identity{query.text(0), query.text(1), query.text(2), query.text(3), query.integer(4)};
  query.reset();
  return true;
}

const char* const kDocumentKeys[6] = {"first_ticket", "last_ticket",      "first_invoice",
                                      "last_invoice", "first_non_fiscal", "last_non_fiscal"};

}  // namespace

bool isDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

bool writeMemoryReport(FiscalMemory& memory, const ReportRange& range, bool json, std::ostream& out,
                       std::string& error) {
  sql::Database& db = memory.database();
  Identity identity;
  std::vector<Closing> closings;
  DayFigures openDay;
  std::int64_t openDayNumber = 0;
  if (!db.execute("BEGIN") || !readIdentity(db, identity) || !readClosings(db, range, closings) ||
      !readOpenDay(db, openDay, openDayNumber)) {
    error = db.error();
    db.execute("ROLLBACK");
    return false;
  }
  db.execute("COMMIT");
  if (json) {
    out << "{\"printer\": {\"model\": " << jsonString(identity.model)
        << ", \"firmware\": " << jsonString(identity.firmware)
        << ", \"serial\": " << jsonString(identity.serial)
        << ", \"created_at\": " << jsonString(identity.createdAt)
        << ", \"power_ons\": " << identity.powerOns << "},\n \"closings\": [";
    for (std::size_t i = 0; i < closings.size(); ++i) {
      const Closing& z = closings[i];
      out << (i ? ",\n  " : "\n  ") << "{\"number\": " << z.number
          << ", \"closed_at\": " << jsonString(z.closedAt);
      for (int d = 0; d < 6; ++d)
        out << ", \"" << kDocumentKeys[d] << "\": " << jsonNumber(z.documents[d]);
      out << ", " << jsonFigures(z.figures) << "}";
    }
    out << "],\n \"open_day\": {\"number\": " << openDayNumber << ", " << jsonFigures(openDay)
        << "}}\n";
    return true;
  }
  out << "Fiscal memory of " << shown(identity.model) << " " << shown(identity.firmware)
      << ", serial " << shown(identity.serial) << ", since " << identity.createdAt << ", "
      << identity.powerOns << (identity.powerOns == 1 ? " power-on\n" : " power-ons\n");
  for (const Closing& z : closings) {
    out << "\nZ " << zeroPadded(z.number, 4) << "  " << z.closedAt << "  tickets "
        << optionalNumber(z.documents[0], 8) << ".." << optionalNumber(z.documents[1], 8)
        << "  invoices " << optionalNumber(z.documents[2], 8) << ".."
        << optionalNumber(z.documents[3], 8) << "\n";
    textFigures(z.figures, out);
  }
  if (closings.empty()) out << "\nNo Z closing in the range.\n";
  out << "\nOpen day (next Z " << zeroPadded(openDayNumber, 4) << ")\n";
  textFigures(openDay, out);
  return true;
}

bool writeJournal(FiscalMemory& memory, const JournalDay& day, bool json, std::ostream& out,
                  std::string& error) {
  sql::Database& db = memory.database();
  if (!db.execute("BEGIN")) {
    error = db.error();
    return false;
  }
  const char* byDay =
      "SELECT id, kind, number, state, opened_at, ifnull(closed_at, ''), total, net, tax, "
      "returns, paid, day FROM documents WHERE day = ?1 ORDER BY id";
  const char* byDate =
      "SELECT id, kind, number, state, opened_at, ifnull(closed_at, ''), total, net, tax, "
      "returns, paid, day FROM documents WHERE substr(ifnull(closed_at, opened_at), 1, 10) = ?1 "
      "ORDER BY id";
  std::optional<std::int64_t> dayNumber;
  if (day.z) dayNumber = *day.z;
  if (!day.date && !day.z) {
    sql::Statement& next = db.statement("SELECT last_z + 1 FROM counters");
    dayNumber = next.step() ? next.integer(0) : 0;
    next.reset();
  }
  sql::Statement& documents = db.statement(day.date ? byDate : byDay);
  if (day.date) {
    documents.bind(1, std::string_view(*day.date));
  } else {
    documents.bind(1, *dayNumber);
  }
  struct Line {
    std::string kind, text;
    std::int64_t quantity, unitPrice, rate, amount;
  };
  struct Entry {
    std::int64_t id;
    std::string kind;
    std::int64_t number;
    std::string state, openedAt, closedAt;
    std::int64_t total, net, tax, returns, paid, day;
    std::vector<Line> lines;
  };
  std::vector<Entry> entries;
  while (documents.step()) {
    entries.push_back(Entry{documents.integer(0),
                            documents.text(1),
                            documents.integer(2),
                            documents.text(3),
                            documents.text(4),
                            documents.text(5),
                            documents.integer(6),
                            documents.integer(7),
                            documents.integer(8),
                            documents.integer(9),
                            documents.integer(10),
                            documents.integer(11),
                            {}});
  }
  bool ok = documents.ok();
  documents.reset();
  for (Entry& entry : entries) {
    sql::Statement& lines = db.statement(
        "SELECT kind, text, quantity, unit_price, rate, amount FROM document_lines "
        "WHERE document_id = ?1 ORDER BY position");
    lines.bind(1, entry.id);
    while (lines.step()) {
      entry.lines.push_back(Line{lines.text(0), lines.text(1), lines.integer(2), lines.integer(3),
                                 lines.integer(4), lines.integer(5)});
    }
    ok = ok && lines.ok();
    lines.reset();
  }
  db.execute("COMMIT");
  if (!ok) {
    error = db.error();
    return false;
  }
  if (json) {
    out << "{\"documents\": [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      out << (i ? ",\n  " : "\n  ") << "{\"kind\": " << jsonString(e.kind)
          << ", \"number\": " << e.number << ", \"day\": " << e.day
          << ", \"state\": " << jsonString(e.state) << ", \"opened_at\": " << jsonString(e.openedAt)
          << ", \"closed_at\": " << jsonString(e.closedAt) << ", \"total\": " << e.total
          << ", \"net\": " << e.net << ", \"tax\": " << e.tax << ", \"returns\": " << e.returns
          << ", \"paid\": " << e.paid << ", \"lines\": [";
      for (std::size_t j = 0; j < e.lines.size(); ++j) {
        const Line& l = e.lines[j];
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
  for (const Entry& e : entries) {
    out << e.kind << " " << zeroPadded(e.number, 8) << "  " << e.state << "  opened " << e.openedAt
        << (e.closedAt.empty() ? "" : "  ended " + e.closedAt) << "  day Z " << zeroPadded(e.day, 4)
        << "\n";
    for (const Line& l : e.lines) {
      out << "  " << l.kind << "  " << shown(l.text);
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
