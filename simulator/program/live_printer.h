// The running printer as seen from outside the line: conditions set through
// the control socket (paper, cover, drawer, faults, reply delay, line speed),
// power cuts, and restarts from the fiscal memory.
#pragma once

#include <chrono>
#include <string>

#include "simulator/control/control_requests.h"
#include "simulator/link/line_output.h"
#include "simulator/link/reply_line.h"
#include "simulator/link/session.h"
#include "simulator/memory/fiscal_memory.h"
#include "simulator/model/fiscal_printer.h"

namespace sim {

class LivePrinter : private ControlledPrinter {
 public:
  // `memory` may be null: the printer then restarts blank.
  LivePrinter(FiscalPrinter& printer, Session& session, TerminalLine& line, InputPacer& pacer,
              FiscalMemory* memory)
      : printer_(printer), session_(session), line_(line), pacer_(pacer), memory_(memory) {}

  // Takes up the state the memory holds (blank without one), as after power-on:
  // an open document stays open. False when the memory cannot be read.
  bool restart();

  // Carries out one control request and returns the answer line: "ok ..."
  // with the status words after it. On the line's thread, never in the middle
  // of a command's execution; it may come during a command's long wait (a Z
  // closing, a reply delay, line pacing): a power cut then ends the wait at
  // once and the reply is never sent. Not for `watch`, which is the watch's.
  std::string answer(const ControlRequest& request);

  // True during a power cut: the printer hears nothing and says nothing.
  bool powerCut() const { return powerCut_; }
  // Ends a power cut whose time is over, restarting the printer.
  void tick();

 private:
  std::string statusText() const;

  // What the requests do (control_requests.cpp).
  void setPaper(Paper paper) override;
  void setCover(bool open) override;
  void setDrawer(bool open) override;
  void cutPower(std::uint32_t ms) override;
  void forceFaults(Fault fault, std::uint32_t replies) override;
  void setCorruptEvery(std::uint32_t every) override;
  void setDropEvery(std::uint32_t every) override;
  void setDelay(std::uint32_t ms) override;
  void setBaud(std::uint32_t baud) override;

  FiscalPrinter& printer_;
  Session& session_;
  TerminalLine& line_;
  InputPacer& pacer_;
  FiscalMemory* memory_;
  bool powerCut_ = false;
  std::string cutAnswer_;  // the answer to the power cut just asked for
  std::chrono::steady_clock::time_point powerBack_{};
};

}  // namespace sim
