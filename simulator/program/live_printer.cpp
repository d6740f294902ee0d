#include "simulator/program/live_printer.h"

#include <sys/prctl.h>

#include <cstdio>

#include "simulator/link/stop_request.h"

namespace sim {

bool LivePrinter::restart() {
  if (memory_ == nullptr) {
    printer_.restore(FiscalState{}, true);
    session_.restart(std::nullopt, {});
    return true;
  }
  // The state and the last reply together, as the last commit left them.
  const std::optional<KeptState> kept = memory_->keptState();
  if (!kept) {
    printer_.setMemoryError(true);
    return false;
  }
  printer_.restore(kept->state, true);
  if (kept->reply) {
    session_.restart(kept->reply->sequence, kept->reply->bytes);
  } else {
    session_.restart(std::nullopt, {});
  }
  return true;
}

std::string LivePrinter::statusText() const {
  char text[64];
  std::snprintf(text, sizeof text, "printer 0x%04X fiscal 0x%04X", printer_.printerStatus(),
                printer_.fiscalStatus());
  return text;
}

std::string LivePrinter::answer(const ControlRequest& request) {
  cutAnswer_.clear();
  request.carryOut(*this);
  // Always the status words first, so every answer reads the same way; what
  // the words do not show follows in brackets.
  if (!cutAnswer_.empty()) return "ok " + statusText() + " (" + cutAnswer_ + ")";
  if (powerCut_) return "ok " + statusText() + " (power is cut)";
  return "ok " + statusText();
}

void LivePrinter::setPaper(Paper paper) {
  PaperRoll& roll = printer_.paper();
  switch (paper) {
    case Paper::kNearEnd:
      roll.setCondition(PaperRoll::Condition::kNearEnd);
      break;
    case Paper::kOut:
      roll.setCondition(PaperRoll::Condition::kOut);
      break;
    case Paper::kNewRoll:
      roll.loadNewRoll();
      break;
  }
}

void LivePrinter::setCover(bool open) {
  printer_.setCoverOpen(open);
}

void LivePrinter::setDrawer(bool open) {
  printer_.setDrawerOpen(open);
}

void LivePrinter::cutPower(std::uint32_t ms) {
  powerCut_ = true;
  setPowerCut(true);
  powerBack_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  cutAnswer_ = "power cut for " + std::to_string(ms) + " ms";
}

void LivePrinter::forceFaults(Fault fault, std::uint32_t replies) {
  switch (fault) {
    case Fault::kCorrupt:
      line_.forceFaults(sim::Fault::kCorrupt, replies);
      break;
    case Fault::kDrop:
      line_.forceFaults(sim::Fault::kDrop, replies);
      break;
    case Fault::kNone:
      line_.forceFaults(sim::Fault::kNone, 0);
      break;
  }
}

void LivePrinter::setCorruptEvery(std::uint32_t every) {
  line_.setCorruptEvery(every);
}

void LivePrinter::setDropEvery(std::uint32_t every) {
  line_.setDropEvery(every);
}

void LivePrinter::setDelay(std::uint32_t ms) {
  line_.setDelay(ms);
}

void LivePrinter::setBaud(std::uint32_t baud) {
  // Pacing sleeps once a byte; the default timer slack would add most of a
  // byte's time to each sleep (see run()).
  if (baud > 0) ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
  line_.setBaud(baud);
  pacer_.setBaud(baud);
}

void LivePrinter::tick() {
  if (!powerCut_ || std::chrono::steady_clock::now() < powerBack_) return;
  powerCut_ = false;
  setPowerCut(false);
  restart();
}

}  // namespace sim
