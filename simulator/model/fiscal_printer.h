// The fiscal model of the virtual printer: pure, no I/O but the paper roll.
//
// execute() carries out one command completely or refuses it with a return
// code and changes nothing. A command that could not put all its lines on
// paper (the roll ended, or its stream failed) is refused as paper out and its
// changes are undone. One document at a time: a consumer ticket, an "A"
// invoice or a non-fiscal document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/model/closing_archive.h"
#include "simulator/model/command.h"
#include "simulator/model/fiscal_state.h"
#include "simulator/model/paper_roll.h"
#include "simulator/model/printer_clock.h"

namespace sim {

class FiscalPrinter;

// One accepted command word / extension word pair: its row of the shared command
// set and how this printer carries it out.
struct CommandInfo {
  std::uint16_t word;
  std::uint16_t extension;
  std::string name;  // "ticket_item": its key in the statistics, from the row's name
  bool prints;       // refused with kPaperOut / kCoverOpen when it cannot print
  bool takesLong;    // long enough that the link reports "still working"
  Outcome (FiscalPrinter::*run)(const Command&, DocumentKind);
  DocumentKind kind;  // the document the command belongs to
};

class FiscalPrinter {
 public:
  explicit FiscalPrinter(PaperRoll& paper) : paper_(paper) {}

  // Executes or refuses one command; the reply carries the status words after
  // it, with the refusal bit set when (and only when) this command was refused.
  Reply execute(const Command& command);

  // The entry of the command table for a pair, or nullptr when unknown.
  static const CommandInfo* find(std::uint16_t word, std::uint16_t extension);

  std::uint16_t printerStatus() const;
  // The fiscal status word without the refusal bit, which belongs to a reply.
  std::uint16_t fiscalStatus() const;

  const Document& document() const { return document_; }
  const DayTotals& day() const { return day_; }
  const Numbering& numbering() const { return numbering_; }
  bool drawerOpen() const { return drawerOpen_; }
  bool coverOpen() const { return coverOpen_; }

  // The fiscal state as the memory keeps it, and a return to one (a restart
  // from the memory, or undoing a command the memory could not keep). A
  // document open in a restored state is marked as recovered in the fiscal
  // status word until it ends.
  FiscalState state() const {
    return FiscalState{document_, day_, numbering_, clockOffset_, lastZAt_};
  }
  void restore(const FiscalState& state, bool afterRestart);

  // The printer's clock: the system's local time (`clock`, replaced by tests)
  // plus the offset the printer was set to. Documents and Z closings carry it.
  void setWallClock(WallClock clock) { wallClock_ = std::move(clock); }
  std::int64_t now() const { return shownWall(wallClock_() + clockOffset_); }
  std::string clockText() const { return wallText(now()); }
  // When the last Z closing was made, by this clock; "" when not known.
  const std::string& lastClosingAt() const { return lastZAt_; }

  // Where past Z closings are read from (the fiscal memory); null: the
  // closings this printer made since it started, which it keeps itself.
  void readClosingsFrom(ClosingArchive* archive) { archive_ = archive; }

  // The line the last command added to the open document, if any.
  const std::optional<JournalLine>& lastLine() const { return lastLine_; }

  // Z closings the fiscal memory has room for (1 to kLastReportNumber); once
  // that many are done, Z is refused with kMemoryFull.
  void setZCapacity(std::uint32_t capacity) { zCapacity_ = capacity; }
  std::uint32_t zCapacity() const { return zCapacity_; }
  bool memoryFull() const { return numbering_.zClosing >= zCapacity_; }

  // Conditions set from outside while the printer runs.
  void setCoverOpen(bool open) { coverOpen_ = open; }
  void setDrawerOpen(bool open) { drawerOpen_ = open; }
  // The last write to the fiscal memory failed (shown in the printer status word).
  void setMemoryError(bool failed) { memoryError_ = failed; }
  // A refusal decided outside the model (the memory could not keep the command).
  Reply refusal(ReturnCode code);

  PaperRoll& paper() { return paper_; }

 private:
  // Command handlers, reached only through the command table of find().
  Outcome openSalesDocument(const Command& command, DocumentKind kind);
  Outcome addItem(const Command& command, DocumentKind kind);
  Outcome addPayment(const Command& command, DocumentKind kind);
  Outcome closeSalesDocument(const Command& command, DocumentKind kind);
  Outcome cancelSalesDocument(const Command& command, DocumentKind kind);
  Outcome openNonFiscal(const Command& command, DocumentKind kind);
  Outcome printNonFiscalText(const Command& command, DocumentKind kind);
  Outcome closeNonFiscal(const Command& command, DocumentKind kind);
  Outcome closingZ(const Command& command, DocumentKind kind);
  Outcome closingX(const Command& command, DocumentKind kind);
  Outcome journalTotal(const Command& command, DocumentKind kind);
  Outcome openDrawer(const Command& command, DocumentKind kind);
  Outcome readClock(const Command& command, DocumentKind kind);
  Outcome setClock(const Command& command, DocumentKind kind);
  Outcome printMemoryReport(const Command& command, DocumentKind kind);

  Outcome runKeepingPaper(const CommandInfo& info, const Command& command);
  ReturnCode checkIdle(const Command& command) const;
  void printDocumentHeader(std::string_view title, std::uint32_t number);
  // The day's totals under `title`, with the time it was made when given.
  void printDayTotals(std::string_view title, std::string_view time = {});
  void printTrailer(const Command& command, std::size_t firstLine, std::size_t lastLine);
  void feed(std::int64_t lines);
  std::optional<std::vector<ClosingRecord>> closingsBetween(std::uint32_t first,
                                                            std::uint32_t last);

  PaperRoll& paper_;
  Document document_;
  DayTotals day_;
  Numbering numbering_;
  bool drawerOpen_ = false;
  bool coverOpen_ = false;
  bool memoryError_ = false;
  std::uint32_t zCapacity_ = kLastReportNumber;
  std::optional<JournalLine> lastLine_;
  std::optional<Document> recovered_;  // the open document found at the last restart
  WallClock wallClock_ = systemWallSeconds;
  std::int64_t clockOffset_ = 0;
  std::string lastZAt_;
  ClosingArchive* archive_ = nullptr;
  std::vector<ClosingRecord> madeClosings_;  // without an archive: this run's Z closings
};

}  // namespace sim
