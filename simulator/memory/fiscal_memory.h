// The printer's fiscal memory in a SQLite file: identity, counters, the open
// day, the open document, every Z closing and the journal of every document.
//
// One simulator at a time holds a memory file (an exclusive lock on it); a
// report reads it alongside. Every answered command is kept in one
// transaction (keep()), committed before its reply goes out.
//
// A file is judged from its bytes (header, application id, version, its
// write-ahead log) before anything may write to it, so a file refused for any
// reason, and the files beside it, stay byte for byte as they were.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulator/memory/command_store.h"
#include "simulator/memory/sqlite.h"
#include "simulator/model/closing_archive.h"
#include "simulator/model/fiscal_state.h"

namespace sim {

// The reply of the last command answered, kept so that a command repeated
// after a restart is answered from it and not executed again.
struct StoredReply {
  std::uint32_t sequence = 0;
  std::vector<std::uint8_t> bytes;
};

// What a restart takes up: the state and the reply of the last command, as
// the last commit left them.
struct KeptState {
  FiscalState state;
  std::optional<StoredReply> reply;  // none after a handshake, or on a new memory
};

class FiscalMemory : public CommandStore, public ClosingArchive {
 public:
  enum class Sync { kOnCommit, kByTheSystem };

  // Opens (creating it, mode 0600, when missing or empty) the memory in
  // `path` for a running printer and records a power-on. Nothing when the file
  // is not a regular file, is not a fiscal memory (another SQLite file, any
  // other file), is one of another version, is damaged, is held by another
  // simulator, or cannot be written (the file, a file beside it or its folder;
  // a full disk): then `error` names the reason, and the file and its
  // companions are left as they were (a file this call created is removed).
  // A report reading the file holds it for a moment; that is waited out for
  // up to a second. kOnCommit waits for the disk at every commit;
  // kByTheSystem leaves that to the system (a killed process loses nothing, a
  // machine that loses power may lose the last commands).
  static std::unique_ptr<FiscalMemory> open(const std::string& path, Sync sync, std::string& error);
  // Opens an existing memory for reports without writing anything: no lock
  // is kept, and the file needs no write access, nor its folder. While a
  // simulator holds it, it is read alongside through SQLite; otherwise a copy
  // in memory is read, the file's write-ahead log merged into it.
  static std::unique_ptr<FiscalMemory> openForReading(const std::string& path, std::string& error);

  ~FiscalMemory() override;

  // The fiscal state as last committed; nothing when it cannot be read.
  std::optional<FiscalState> load();
  // The state and the last reply, read together; nothing when they cannot be read.
  std::optional<KeptState> keptState();
  // When the last Z closing was made ("YYYY-MM-DD HH:MM:SS"); empty when there
  // is none or it cannot be read.
  std::string lastClosingTime();

  // The Z closings numbered `first` to `last` that the memory holds
  // (memory_reading.cpp).
  std::optional<std::vector<ClosingRecord>> closings(std::uint32_t first,
                                                     std::uint32_t last) override;

  bool keep(const ExecutedCommand& command) override;
  bool forgetReply() override;
  // Why the last keep(), forgetReply() or load() failed.
  const std::string& error() const { return error_; }

  sql::Database& database() { return *database_; }

 private:
  FiscalMemory(sql::Database database, int lockFd, std::vector<std::uint8_t> image = {});
  // `version`: of an existing file, brought up to the current one; none for a
  // new file, whose tables are written first.
  static std::unique_ptr<FiscalMemory> start(sql::Database database, int lockFd, Sync sync,
                                             std::optional<std::uint32_t> version,
                                             std::string& error);
  template <typename Write>
  bool inTransaction(Write write);
  bool readReply(std::optional<StoredReply>& reply);
  bool writeCommand(const ExecutedCommand& command);
  bool writeCounters(const Numbering& numbering);
  bool writeClock(std::int64_t offset);
  bool writeDay(const DayTotals& day);
  bool writeOpenDocument(const Document& document);
  bool writeJournal(const ExecutedCommand& command);
  bool writeClosing(const ExecutedCommand& command);
  bool recordPowerOn();

  std::vector<std::uint8_t> image_;        // the database read at rest, when it is one
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
