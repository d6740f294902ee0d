#include "simulator/memory/memory_reading.h"

namespace sim {
namespace {

void readRates(sql::Statement& rates, RateTable& table) {
  while (rates.step()) {
    table[rates.integer(0)] = RateTotals{rates.integer(1), rates.integer(2), rates.integer(3)};
  }
  rates.reset();
}

// The closings numbered `first` to `last` and dated (YYYY-MM-DD) `from` to
// `to`, each with its rates.
bool readClosingRows(sql::Database& db, std::uint32_t first, std::uint32_t last,
                     std::string_view from, std::string_view to,
                     std::vector<ClosingRecord>& closings) {
  sql::Statement& query = db.statement(
      "SELECT number, closed_at, tickets, invoices, non_fiscal, cancelled, total, tax, returns, "
      "first_ticket, last_ticket, first_invoice, last_invoice, first_non_fiscal, "
      "last_non_fiscal FROM z_closings WHERE number BETWEEN ?1 AND ?2 AND "
      "substr(closed_at, 1, 10) BETWEEN ?3 AND ?4 ORDER BY number");
  query.bind(1, std::int64_t{first}).bind(2, std::int64_t{last}).bind(3, from).bind(4, to);
  while (query.step()) {
    ClosingRecord z;
    z.number = static_cast<std::uint32_t>(query.integer(0));
    z.closedAt = query.text(1);
    z.day.tickets = static_cast<std::uint32_t>(query.integer(2));
    z.day.invoices = static_cast<std::uint32_t>(query.integer(3));
    z.day.nonFiscal = static_cast<std::uint32_t>(query.integer(4));
    z.day.cancelled = static_cast<std::uint32_t>(query.integer(5));
    z.day.total = query.integer(6);
    z.day.tax = query.integer(7);
    z.day.returns = query.integer(8);
    z.firstTicket = query.optionalInteger(9);
    z.lastTicket = query.optionalInteger(10);
    z.firstInvoice = query.optionalInteger(11);
    z.lastInvoice = query.optionalInteger(12);
    z.firstNonFiscal = query.optionalInteger(13);
    z.lastNonFiscal = query.optionalInteger(14);
    closings.push_back(std::move(z));
  }
  const bool ok = query.ok();
  query.reset();
  for (ClosingRecord& z : closings) {
    sql::Statement& rates =
        db.statement("SELECT rate, gross, net, tax FROM z_rates WHERE z_number = ?1 ORDER BY rate");
    rates.bind(1, std::int64_t{z.number});
    readRates(rates, z.day.byRate);
  }
  return ok;
}

bool readOpenDay(sql::Database& db, DayTotals& day, std::uint32_t& nextZ) {
  if (!readDay(db, day)) return false;
  sql::Statement& next = db.statement("SELECT last_z + 1 FROM counters");
  if (!next.step()) return false;
  nextZ = static_cast<std::uint32_t>(next.integer(0));
  next.reset();
  return true;
}

bool readIdentity(sql::Database& db, PrinterIdentity& identity) {
  sql::Statement& query =
      db.statement("SELECT model, firmware, serial, created_at, power_ons FROM printer");
  if (!query.step()) return false;
  identity =
      PrinterIdentity{query.text(0), query.text(1), query.text(2), query.text(3), query.integer(4)};
  query.reset();
  return true;
}

// Runs `read` in one read transaction; false with `error` set when it fails.
template <typename Read>
bool inReadTransaction(sql::Database& db, std::string& error, Read read) {
  if (!db.execute("BEGIN")) {
    error = db.error();
    return false;
  }
  if (!read()) {
    error = db.error();
    db.execute("ROLLBACK");
    return false;
  }
  db.execute("COMMIT");
  return true;
}

}  // namespace

bool readDay(sql::Database& db, DayTotals& day) {
  sql::Statement& query =
      db.statement("SELECT tickets, invoices, non_fiscal, cancelled, total, tax, returns FROM day");
  if (!query.step()) return false;
  day.tickets = static_cast<std::uint32_t>(query.integer(0));
  day.invoices = static_cast<std::uint32_t>(query.integer(1));
  day.nonFiscal = static_cast<std::uint32_t>(query.integer(2));
  day.cancelled = static_cast<std::uint32_t>(query.integer(3));
  day.total = query.integer(4);
  day.tax = query.integer(5);
  day.returns = query.integer(6);
  query.reset();
  day.byRate.clear();
  readRates(db.statement("SELECT rate, gross, net, tax FROM day_rates"), day.byRate);
  return true;
}

std::optional<MemoryContents> readMemoryContents(FiscalMemory& memory, const ReportRange& range,
                                                 std::string& error) {
  sql::Database& db = memory.database();
  MemoryContents contents;
  const bool read = inReadTransaction(db, error, [&] {
    if (!readIdentity(db, contents.identity)) return false;
    const std::string from = range.from.value_or("0000-00-00");
    const std::string to = range.to.value_or("9999-99-99");
    return readClosingRows(db, 0, kLastReportNumber, from, to, contents.closings) &&
           readOpenDay(db, contents.openDay, contents.nextZ);
  });
  if (!read) return std::nullopt;
  return contents;
}

std::optional<std::vector<ClosingRecord>> readClosings(FiscalMemory& memory, std::uint32_t first,
                                                       std::uint32_t last, std::string& error) {
  sql::Database& db = memory.database();
  std::vector<ClosingRecord> closings;
  const bool read = inReadTransaction(db, error, [&] {
    return readClosingRows(db, first, last, "0000-00-00", "9999-99-99", closings);
  });
  if (!read) return std::nullopt;
  return closings;
}

std::optional<std::vector<ClosingRecord>> FiscalMemory::closings(std::uint32_t first,
                                                                 std::uint32_t last) {
  return readClosings(*this, first, last, error_);
}

std::optional<std::vector<JournalEntry>> readJournal(FiscalMemory& memory, const JournalDay& day,
                                                     std::string& error) {
  sql::Database& db = memory.database();
  std::vector<JournalEntry> entries;
  const bool read = inReadTransaction(db, error, [&] {
    const char* byDay =
        "SELECT id, kind, number, state, opened_at, ifnull(closed_at, ''), total, net, tax, "
        "returns, paid, day FROM documents WHERE day = ?1 ORDER BY id";
    const char* byDate =
        "SELECT id, kind, number, state, opened_at, ifnull(closed_at, ''), total, net, tax, "
        "returns, paid, day FROM documents WHERE substr(ifnull(closed_at, opened_at), 1, 10) = "
        "?1 ORDER BY id";
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
    std::vector<std::int64_t> ids;
    while (documents.step()) {
      ids.push_back(documents.integer(0));
      entries.push_back(JournalEntry{documents.text(1),
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
    for (std::size_t i = 0; i < entries.size(); ++i) {
      sql::Statement& lines = db.statement(
          "SELECT kind, text, quantity, unit_price, rate, amount FROM document_lines "
          "WHERE document_id = ?1 ORDER BY position");
      lines.bind(1, ids[i]);
      while (lines.step()) {
        entries[i].lines.push_back(JournalEntryLine{lines.text(0), lines.text(1), lines.integer(2),
                                                    lines.integer(3), lines.integer(4),
                                                    lines.integer(5)});
      }
      ok = ok && lines.ok();
      lines.reset();
    }
    return ok;
  });
  if (!read) return std::nullopt;
  return entries;
}

}  // namespace sim
