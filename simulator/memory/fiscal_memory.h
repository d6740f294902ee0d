// The printer's fiscal memory in a SQLite file: identity, counters, the open
// day, the open document, every Z closing and the journal of every document.
//
// One simulator at a time holds a memory file (an exclusive lock on it); a
// report reads it alongside. Every executed command is kept in one
// transaction (keep()), committed before its reply goes out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulator/memory/command_store.h"
#include "simulator/memory/sqlite.h"
#include "simulator/model/fiscal_state.h"

namespace sim {

// The reply of the last executed command, kept so that a command repeated
// after a restart is answered from it and not executed again.
struct StoredReply {
  std::uint32_t sequence = 0;
  std::vector<std::uint8_t> bytes;
};

class FiscalMemory : public CommandStore {
 public:
  enum class Sync { kOnCommit, kByTheSystem };

  // Opens (creating it, mode 0600, when missing or empty) the memory in
  // `path` for a running printer and records a power-on. Nothing when the file
  // is not a regular file, is not a fiscal memory (another SQLite file, any
  // other file, a damaged one), is held by another simulator, or cannot be
  // written (a full disk): then `error` says why and the file is left as it
  // was (one this call created is removed). kOnCommit waits for the disk at
  // every commit; kByTheSystem leaves that to the system (a killed process
  // loses nothing, a machine that loses power may lose the last commands).
  static std::unique_ptr<FiscalMemory> open(const std::string& path, Sync sync, std::string& error);
  // Opens an existing memory read-only, for reports; no lock is taken.
  static std::unique_ptr<FiscalMemory> openForReading(const std::string& path, std::string& error);

  ~FiscalMemory() override;

  // The fiscal state as last committed; nothing when it cannot be read.
  std::optional<FiscalState> load();
  // The reply of the last command kept, if any.
  std::optional<StoredReply> lastReply();

  bool keep(const ExecutedCommand& command) override;
  // Why the last keep() or load() failed.
  const std::string& error() const { return error_; }

  sql::Database& database() { return *database_; }

 private:
  FiscalMemory(sql::Database database, int lockFd);
  bool writeCommand(const ExecutedCommand& command);
  bool writeCounters(const Numbering& numbering);
  bool writeDay(const DayTotals& day);
  bool writeOpenDocument(const Document& document);
  bool writeJournal(const ExecutedCommand& command);
  bool writeClosing(const ExecutedCommand& command);
  bool recordPowerOn();

  std::optional<sql::Database> database_;  // reset before the lock is let go
  int lockFd_;
  std::int64_t openDocumentId_ = 0;  // journal row of the open document
  std::string error_;
};

// "2026-12-10 03:15:00": the local time now, as the memory stores it.
std::string timestampNow();

// Names of document kinds in the memory: "ticket", "invoice", "non_fiscal".
std::string_view kindName(DocumentKind kind);

}  // namespace sim
