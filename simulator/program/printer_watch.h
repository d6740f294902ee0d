// The printer as its watchers see it: what happens on the line's thread,
// turned into events of the stream (simulator/control/watch_event.h) and
// handed to the control thread through the mailbox. While nobody watches,
// nothing is made: each hook costs one atomic load.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "simulator/control/request_mailbox.h"
#include "simulator/control/watch_event.h"
#include "simulator/link/line_watch.h"
#include "simulator/link/reply_line.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/model/fiscal_printer.h"
#include "simulator/program/live_printer.h"

namespace sim {

class PrinterWatch : public LineWatch {
 public:
  // `memory` may be null.
  PrinterWatch(RequestMailbox& mailbox, FiscalPrinter& printer, const TerminalLine& line,
               const LivePrinter& live, FiscalMemory* memory)
      : mailbox_(mailbox), printer_(printer), line_(line), live_(live), memory_(memory) {}

  bool active() const override { return mailbox_.watched(); }
  void received(const WireEvent& event, bool repeat) override;
  void sent(std::span<const std::uint8_t> bytes, Fault fault, bool complete) override;
  void executed(const WireEvent& event, const Reply& reply) override;
  // A line that reached the paper.
  void printed(std::string_view line);

  // Publishes the status words, the conditions and the fiscal state where
  // they differ from what was last published. After anything that may change
  // them from outside a command: a control request, the end of a power cut.
  void publishChanges();
  // What a new watcher gets first (the answer to its `watch`): the stream's
  // name, then the conditions, status words and fiscal state as they stand.
  std::string firstLines();

 private:
  void publish(const watch::Event& event);
  watch::Status status() const;
  watch::Conditions conditions() const;
  watch::Fiscal fiscal();

  RequestMailbox& mailbox_;
  FiscalPrinter& printer_;
  const TerminalLine& line_;
  const LivePrinter& live_;
  FiscalMemory* memory_;
  bool lastRefused_ = false;  // the refusal bit of the last reply
  std::optional<watch::Status> publishedStatus_;
  std::optional<watch::Conditions> publishedConditions_;
  std::optional<watch::Fiscal> publishedFiscal_;
};

}  // namespace sim
