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
  using Verb = ControlRequest::Verb;
  PaperRoll& paper = printer_.paper();
  switch (request.verb) {
    case Verb::kStatus:
      break;
    case Verb::kPaperNearEnd:
      paper.setCondition(PaperRoll::Condition::kNearEnd);
      break;
    case Verb::kPaperOut:
      paper.setCondition(PaperRoll::Condition::kOut);
      break;
    case Verb::kPaperOk:
      paper.loadNewRoll();
      break;
    case Verb::kCoverOpen:
    case Verb::kCoverClosed:
      printer_.setCoverOpen(request.verb == Verb::kCoverOpen);
      break;
    case Verb::kDrawerOpen:
    case Verb::kDrawerClosed:
      printer_.setDrawerOpen(request.verb == Verb::kDrawerOpen);
      break;
    case Verb::kPowerCut:
      powerCut_ = true;
      setPowerCut(true);
      powerBack_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(request.count);
      return "ok power cut for " + std::to_string(request.count) + " ms";
    case Verb::kFaultCorrupt:
      line_.forceFaults(Fault::kCorrupt, request.count);
      break;
    case Verb::kFaultDrop:
      line_.forceFaults(Fault::kDrop, request.count);
      break;
    case Verb::kFaultNone:
      line_.forceFaults(Fault::kNone, 0);
      break;
    case Verb::kFaultCorruptEvery:
      line_.setCorruptEvery(request.count);
      break;
    case Verb::kFaultDropEvery:
      line_.setDropEvery(request.count);
      break;
    case Verb::kDelay:
      line_.setDelay(request.count);
      break;
    case Verb::kBaud:
      // Pacing sleeps once a byte; the default timer slack would add most of
      // a byte's time to each sleep (see run()).
      if (request.count > 0) ::prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
      line_.setBaud(request.count);
      pacer_.setBaud(request.count);
      break;
    case Verb::kWatch:
      break;
  }
  if (powerCut_) return "ok (power is cut) " + statusText();
  return "ok " + statusText();
}

void LivePrinter::tick() {
  if (!powerCut_ || std::chrono::steady_clock::now() < powerBack_) return;
  powerCut_ = false;
  setPowerCut(false);
  restart();
}

}  // namespace sim
