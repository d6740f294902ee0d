#include "simulator/link/session.h"

#include <algorithm>

#include "protocol/status_words.h"
#include "simulator/link/line_output.h"
#include "simulator/link/stop_request.h"

namespace sim {

Session::Session(FiscalPrinter& printer, Stats& stats, ReplyLine& line, std::uint32_t longCommandMs,
                 std::function<void()> onCounted)
    : printer_(printer),
      stats_(stats),
      line_(line),
      longCommandMs_(longCommandMs),
      onCounted_(std::move(onCounted)) {}

void Session::receive(std::span<const std::uint8_t> bytes) {
  decoder_->feed(bytes);
  // Once a stop is requested or the power cut, frames still waiting are left
  // unanswered.
  while (!waitsCutShort()) {
    const std::optional<WireEvent> event = decoder_->next();
    if (!event) break;
    handle(*event);
  }
}

void Session::restart(std::optional<std::uint32_t> sequence, Bytes reply) {
  decoder_ = std::make_unique<WireDecoder>();
  lastSequence_ = sequence;
  lastReply_ = sequence ? std::move(reply) : Bytes{};
}

void Session::handle(const WireEvent& event) {
  if (const Bytes answer = immediateAnswer(event); !answer.empty()) line_.sendNow(answer);
  switch (event.kind) {
    case WireEvent::Kind::kRejected:
      ++stats_.framesRejected;
      if (onCounted_) onCounted_();
      break;
    case WireEvent::Kind::kHandshake:
      answerHandshake(event);
      break;
    case WireEvent::Kind::kCommand:
      answerCommand(event);
      break;
    case WireEvent::Kind::kMalformed:
      answerMalformed(event);
      break;
  }
}

// An intact frame whose fields cannot be read: refused, never executed.
void Session::answerMalformed(const WireEvent& event) {
  ++stats_.framesReceived;
  if (onCounted_) onCounted_();
  const Reply reply{printer_.printerStatus(),
                    static_cast<std::uint16_t>(printer_.fiscalStatus() |
                                               fp::protocol::fiscal_status::kCommandRefused),
                    Outcome{ReturnCode::kMalformedField, {}}};
  line_.sendReply(encodeReply(event.sequence, reply));
}

// A handshake starts a new conversation: sequence numbers start afresh.
void Session::answerHandshake(const WireEvent& event) {
  ++stats_.framesReceived;
  ++stats_.handshakes;
  lastSequence_.reset();
  lastReply_.clear();
  if (onCounted_) onCounted_();
  line_.sendAnswer(encodeHandshakeReply(event, printer_.printerStatus(), printer_.fiscalStatus()));
}

void Session::answerCommand(const WireEvent& event) {
  ++stats_.framesReceived;
  if (lastSequence_ == event.sequence) {
    ++stats_.retransmissions;
    if (onCounted_) onCounted_();
    line_.sendReply(lastReply_);
    return;
  }
  const Command& command = event.command;
  const CommandInfo* info = FiscalPrinter::find(command.word, command.extension);
  Bytes encoded;
  const Reply reply = executeDurably(command, info, event.sequence, encoded);
  // A long command that is refused answers at once; one that runs takes its time.
  if (info != nullptr && info->takesLong && reply.outcome.code == ReturnCode::kOk) {
    workLong();
  }
  ++stats_.commandsExecuted;
  const bool refused = reply.outcome.code != ReturnCode::kOk;
  if (refused) ++stats_.commandsRefused;
  auto& byKind = refused ? stats_.refusedByCommand : stats_.executedByCommand;
  ++byKind[info != nullptr ? std::string(info->name) : "unknown"];
  lastSequence_ = event.sequence;
  lastReply_ = std::move(encoded);
  if (onCounted_) onCounted_();
  line_.sendReply(lastReply_);
}

// Executes the command; with a store, keeps what it did there before anything
// of it is printed or answered. `encoded` receives the reply frame.
Reply Session::executeDurably(const Command& command, const CommandInfo* info,
                              std::uint32_t sequence, Bytes& encoded) {
  if (store_ == nullptr) {
    Reply reply = printer_.execute(command);
    encoded = encodeReply(sequence, reply);
    return reply;
  }
  const FiscalState before = printer_.state();
  PaperRoll& paper = printer_.paper();
  paper.hold();
  Reply reply = printer_.execute(command);
  if (reply.outcome.code == ReturnCode::kOk) {
    printer_.setMemoryError(false);  // the reply tells how this write went
    reply.printerStatus = printer_.printerStatus();
    encoded = encodeReply(sequence, reply);
    const FiscalState after = printer_.state();
    const ExecutedCommand executed{info != nullptr ? info->name : "unknown",
                                   before,
                                   after,
                                   printer_.lastLine(),
                                   sequence,
                                   encoded};
    if (!store_->keep(executed)) {
      paper.discard();
      printer_.restore(before, false);
      printer_.setMemoryError(true);
      reply = printer_.refusal(ReturnCode::kMemoryWriteFailed);
    }
  }
  paper.release();
  encoded = encodeReply(sequence, reply);
  return reply;
}

// The printer is busy for longCommandMs_, saying so at once and at each interval.
void Session::workLong() {
  const std::uint32_t interval = std::max<std::uint32_t>(1, stillWorkingIntervalMs());
  for (std::uint32_t elapsed = 0; elapsed < longCommandMs_; elapsed += interval) {
    line_.sendNow(encodeStillWorking());
    ++stats_.stillWorkingSent;
    if (!sleepMs(std::min(interval, longCommandMs_ - elapsed))) return;
  }
}

}  // namespace sim
