#include "simulator/memory/fiscal_memory.h"

#include <unistd.h>

#include "simulator/memory/memory_reading.h"
#include "simulator/model/printer_clock.h"

namespace sim {
namespace {

DocumentKind kindFromName(std::string_view name) {
  if (name == "ticket") return DocumentKind::kTicket;
  if (name == "invoice") return DocumentKind::kInvoice;
  if (name == "non_fiscal") return DocumentKind::kNonFiscal;
  return DocumentKind::kNone;
}

}  // namespace

std::string timestampNow() {
  return wallText(systemWallSeconds());
}

std::string_view kindName(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::kTicket:
      return "ticket";
    case DocumentKind::kInvoice:
      return "invoice";
    case DocumentKind::kNonFiscal:
      return "non_fiscal";
    case DocumentKind::kNone:
      break;
  }
  return "none";
}

FiscalMemory::FiscalMemory(sql::Database database, int lockFd, std::vector<std::uint8_t> image)
    : image_(std::move(image)), database_(std::move(database)), lockFd_(lockFd) {}

FiscalMemory::~FiscalMemory() {
  // Closing the connection first: closing any descriptor of the file drops
  // the process's record locks, which SQLite still holds until then.
  database_.reset();
  if (lockFd_ >= 0) ::close(lockFd_);
}

bool FiscalMemory::recordPowerOn() {
  const bool written =
      database_->statement("UPDATE printer SET power_ons = power_ons + 1, last_power_on = ?1")
          .bind(1, std::string_view(timestampNow()))
          .run();
  if (!written) error_ = database_->error();
  return written;
}

std::string FiscalMemory::lastClosingTime() {
  sql::Statement& last =
      database_->statement("SELECT closed_at FROM z_closings ORDER BY number DESC LIMIT 1");
  std::string time = last.step() ? last.text(0) : std::string();
  last.reset();
  return time;
}

std::optional<FiscalState> FiscalMemory::load() {
  FiscalState state;
  sql::Statement& counters = database_->statement(
      "SELECT last_ticket, last_invoice, last_non_fiscal, last_z, last_x FROM counters");
  if (!counters.step()) {
    error_ = database_->error();
    return std::nullopt;
  }
  const auto number = [&](int column) {
    return static_cast<std::uint32_t>(counters.integer(column));
  };
  state.numbering = Numbering{number(0), number(1), number(2), number(3), number(4)};
  counters.reset();

  if (!readDay(*database_, state.day)) {
    error_ = database_->error();
    return std::nullopt;
  }

  openDocumentId_ = 0;
  sql::Statement& open = database_->statement(
      "SELECT document_id, kind, number, item_lines, total, net, tax, returns, paid, payments, "
      "text_lines FROM open_document");
  if (open.step()) {
    Document& document = state.document;
    openDocumentId_ = open.integer(0);
    document.kind = kindFromName(open.text(1));
    document.number = static_cast<std::uint32_t>(open.integer(2));
    document.itemLines = static_cast<std::uint32_t>(open.integer(3));
    document.total = open.integer(4);
    document.net = open.integer(5);
    document.tax = open.integer(6);
    document.returns = open.integer(7);
    document.paid = open.integer(8);
    document.payments = static_cast<std::uint32_t>(open.integer(9));
    document.textLines = static_cast<std::uint32_t>(open.integer(10));
  }
  open.reset();
  sql::Statement& bases = database_->statement("SELECT rate, base FROM open_document_rates");
  while (bases.step()) state.document.bases[bases.integer(0)] = bases.integer(1);
  bases.reset();

  sql::Statement& clock = database_->statement("SELECT offset_seconds FROM clock");
  if (!clock.step()) {
    error_ = database_->error();
    return std::nullopt;
  }
  state.clockOffset = clock.integer(0);
  clock.reset();
  state.lastZAt = lastClosingTime();
  return state;
}

bool FiscalMemory::readReply(std::optional<StoredReply>& reply) {
  sql::Statement& stored = database_->statement("SELECT sequence, reply FROM last_reply");
  reply.reset();
  if (stored.step()) {
    reply = StoredReply{static_cast<std::uint32_t>(stored.integer(0)), stored.blob(1)};
  }
  const bool read = stored.ok();
  stored.reset();
  if (!read) error_ = database_->error();
  return read;
}

std::optional<KeptState> FiscalMemory::keptState() {
  if (!database_->execute("BEGIN")) {
    error_ = database_->error();
    return std::nullopt;
  }
  KeptState kept;
  std::optional<FiscalState> state = load();
  const bool read = state && readReply(kept.reply);
  database_->execute("COMMIT");
  if (!read) return std::nullopt;
  kept.state = std::move(*state);
  return kept;
}

// Runs `write` in one transaction: committed when it and the commit succeed,
// else rolled back with error_ set.
template <typename Write>
bool FiscalMemory::inTransaction(Write write) {
  if (!database_->execute("BEGIN IMMEDIATE")) {
    error_ = database_->error();
    return false;
  }
  if (write() && database_->execute("COMMIT")) return true;
  error_ = database_->error();
  if (sqlite3_get_autocommit(database_->handle()) == 0) database_->execute("ROLLBACK");
  return false;
}

bool FiscalMemory::keep(const ExecutedCommand& command) {
  const std::int64_t openDocumentBefore = openDocumentId_;
  if (inTransaction([&] { return writeCommand(command); })) return true;
  openDocumentId_ = openDocumentBefore;
  return false;
}

bool FiscalMemory::forgetReply() {
  return inTransaction([&] { return database_->statement("DELETE FROM last_reply").run(); });
}

bool FiscalMemory::writeCommand(const ExecutedCommand& command) {
  const FiscalState& before = command.before;
  const FiscalState& after = command.after;
  if (before.numbering != after.numbering && !writeCounters(after.numbering)) return false;
  if (before.clockOffset != after.clockOffset && !writeClock(after.clockOffset)) return false;
  if (before.day != after.day && !writeDay(after.day)) return false;
  if (before.numbering.zClosing != after.numbering.zClosing && !writeClosing(command)) return false;
  if (!writeJournal(command)) return false;
  if (before.document != after.document && !writeOpenDocument(after.document)) return false;
  return database_->statement("INSERT OR REPLACE INTO last_reply VALUES (1, ?1, ?2)")
      .bind(1, std::int64_t{command.sequence})
      .bind(2, command.reply)
      .run();
}

bool FiscalMemory::writeCounters(const Numbering& numbering) {
  return database_
      ->statement(
          "UPDATE counters SET last_ticket = ?1, last_invoice = ?2, last_non_fiscal = ?3, "
          "last_z = ?4, last_x = ?5")
      .bind(1, std::int64_t{numbering.ticket})
      .bind(2, std::int64_t{numbering.invoice})
      .bind(3, std::int64_t{numbering.nonFiscal})
      .bind(4, std::int64_t{numbering.zClosing})
      .bind(5, std::int64_t{numbering.xReport})
      .run();
}

bool FiscalMemory::writeClock(std::int64_t offset) {
  return database_->statement("UPDATE clock SET offset_seconds = ?1").bind(1, offset).run();
}

bool FiscalMemory::writeDay(const DayTotals& day) {
  if (!database_
           ->statement(
               "UPDATE day SET tickets = ?1, invoices = ?2, non_fiscal = ?3, cancelled = ?4, "
               "total = ?5, tax = ?6, returns = ?7")
           .bind(1, std::int64_t{day.tickets})
           .bind(2, std::int64_t{day.invoices})
           .bind(3, std::int64_t{day.nonFiscal})
           .bind(4, std::int64_t{day.cancelled})
           .bind(5, day.total)
           .bind(6, day.tax)
           .bind(7, day.returns)
           .run() ||
      !database_->statement("DELETE FROM day_rates").run()) {
    return false;
  }
  for (const auto& [rate, totals] : day.byRate) {
    if (!database_->statement("INSERT INTO day_rates VALUES (?1, ?2, ?3, ?4)")
             .bind(1, rate)
             .bind(2, totals.gross)
             .bind(3, totals.net)
             .bind(4, totals.tax)
             .run()) {
      return false;
    }
  }
  return true;
}

bool FiscalMemory::writeOpenDocument(const Document& document) {
  if (!database_->statement("DELETE FROM open_document").run() ||
      !database_->statement("DELETE FROM open_document_rates").run()) {
    return false;
  }
  if (document.kind == DocumentKind::kNone) return true;
  if (!database_
           ->statement(
               "INSERT INTO open_document VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
           .bind(1, openDocumentId_)
           .bind(2, kindName(document.kind))
           .bind(3, std::int64_t{document.number})
           .bind(4, std::int64_t{document.itemLines})
           .bind(5, document.total)
           .bind(6, document.net)
           .bind(7, document.tax)
           .bind(8, document.returns)
           .bind(9, document.paid)
           .bind(10, std::int64_t{document.payments})
           .bind(11, std::int64_t{document.textLines})
           .run()) {
    return false;
  }
  for (const auto& [rate, base] : document.bases) {
    if (!database_->statement("INSERT INTO open_document_rates VALUES (?1, ?2)")
             .bind(1, rate)
             .bind(2, base)
             .run()) {
      return false;
    }
  }
  return true;
}

bool FiscalMemory::writeJournal(const ExecutedCommand& command) {
  const Document& before = command.before.document;
  const Document& after = command.after.document;
  const std::string_view now = command.time;
  if (before.kind == DocumentKind::kNone && after.kind != DocumentKind::kNone) {
    if (!database_
             ->statement("INSERT INTO documents (kind, number, day, state, opened_at) "
                         "VALUES (?1, ?2, ?3, 'open', ?4)")
             .bind(1, kindName(after.kind))
             .bind(2, std::int64_t{after.number})
             .bind(3, std::int64_t{command.after.numbering.zClosing} + 1)
             .bind(4, now)
             .run()) {
      return false;
    }
    openDocumentId_ = sqlite3_last_insert_rowid(database_->handle());
  }
  if (const auto& line = command.line) {
    if (!database_
             ->statement(
                 "INSERT INTO document_lines VALUES (?1, (SELECT COUNT(*) + 1 FROM document_lines "
                 "WHERE document_id = ?1), ?2, ?3, ?4, ?5, ?6, ?7)")
             .bind(1, openDocumentId_)
             .bind(2, std::string_view(line->kind))
             .bind(3, std::string_view(line->text))
             .bind(4, line->quantity)
             .bind(5, line->unitPrice)
             .bind(6, line->rate)
             .bind(7, line->amount)
             .run()) {
      return false;
    }
  }
  if (before.kind != DocumentKind::kNone && after.kind == DocumentKind::kNone) {
    // A cancelled document is counted so in the day, with no amount.
    const bool cancelled = command.after.day.cancelled != command.before.day.cancelled;
    if (!database_
             ->statement("UPDATE documents SET state = ?2, closed_at = ?3, total = ?4, net = ?5, "
                         "tax = ?6, returns = ?7, paid = ?8 WHERE id = ?1")
             .bind(1, openDocumentId_)
             .bind(2, std::string_view(cancelled ? "cancelled" : "closed"))
             .bind(3, now)
             .bind(4, before.total)
             .bind(5, before.net)
             .bind(6, before.tax)
             .bind(7, before.returns)
             .bind(8, before.paid)
             .run()) {
      return false;
    }
    openDocumentId_ = 0;
  }
  return true;
}

bool FiscalMemory::writeClosing(const ExecutedCommand& command) {
  const DayTotals& day = command.before.day;
  const std::int64_t number = command.after.numbering.zClosing;
  if (!database_
           ->statement(
               "INSERT INTO z_closings VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'ticket' ORDER BY id "
               "LIMIT 1), "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'ticket' ORDER BY id "
               "DESC LIMIT 1), "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'invoice' ORDER BY id "
               "LIMIT 1), "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'invoice' ORDER BY id "
               "DESC LIMIT 1), "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'non_fiscal' ORDER BY id "
               "LIMIT 1), "
               "(SELECT number FROM documents WHERE day = ?1 AND kind = 'non_fiscal' ORDER BY id "
               "DESC LIMIT 1))")
           .bind(1, number)
           .bind(2, std::string_view(command.after.lastZAt))
           .bind(3, std::int64_t{day.tickets})
           .bind(4, std::int64_t{day.invoices})
           .bind(5, std::int64_t{day.nonFiscal})
           .bind(6, std::int64_t{day.cancelled})
           .bind(7, day.total)
           .bind(8, day.total - day.tax)
           .bind(9, day.tax)
           .bind(10, day.returns)
           .run()) {
    return false;
  }
  for (const auto& [rate, totals] : day.byRate) {
    if (!database_->statement("INSERT INTO z_rates VALUES (?1, ?2, ?3, ?4, ?5)")
             .bind(1, number)
             .bind(2, rate)
             .bind(3, totals.gross)
             .bind(4, totals.net)
             .bind(5, totals.tax)
             .run()) {
      return false;
    }
  }
  return true;
}

}  // namespace sim
