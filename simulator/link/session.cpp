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
  lastSequence_ = storedReplyStale_ ? std::nullopt : sequence;
  lastReply_ = lastSequence_ ? std::move(reply) : Bytes{};
}

void Session::handle(const WireEvent& event) {
  if (watched()) {
    watch_->received(event,
                     event.kind == WireEvent::Kind::kCommand && lastSequence_ == event.sequence);
  }
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

// An intact frame whose fields cannot be read: refused, never executed, and
// not remembered (here or in the store): its first byte may be anything, and
// the reply of the last command must still answer a repeat of it.
void Session::answerMalformed(const WireEvent& event) {
  ++stats_.framesReceived;
  if (onCounted_) onCounted_();
  const Reply reply{printer_.printerStatus(),
                    static_cast<std::uint16_t>(printer_.fiscalStatus() |
                                               fp::protocol::fiscal_status::kCommandRefused),
                    Outcome{ReturnCode::kMalformedField, {}}};
  if (watch_ != nullptr) watch_->executed(event, reply);
  line_.sendReply(encodeReply(event.sequence, reply));
}

// A handshake starts a new conversation: sequence numbers start afresh. With
// a store, the forgetting is kept first; a handshake whose forgetting cannot
// be kept is refused and the last reply stays what the store holds.
void Session::answerHandshake(const WireEvent& event) {
  ++stats_.framesReceived;
  ++stats_.handshakes;
  const bool forgotten = store_ == nullptr || store_->forgetReply();
  if (store_ != nullptr) printer_.setMemoryError(!forgotten);
  if (forgotten) {
    lastSequence_.reset();
    lastReply_.clear();
    storedReplyStale_ = false;
  }
  if (onCounted_) onCounted_();
  if (!forgotten) {
    const Reply refused = printer_.refusal(ReturnCode::kMemoryWriteFailed);
    if (watch_ != nullptr) watch_->executed(event, refused);
    line_.sendAnswer(encodeReply(event.sequence, refused));
    return;
  }
  if (watch_ != nullptr) {
    watch_->executed(event, Reply{printer_.printerStatus(), printer_.fiscalStatus(),
                                  Outcome{ReturnCode::kOk, handshakeFields()}});
  }
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
  bool kept = false;
  const Reply reply = executeDurably(command, event.sequence, encoded, kept);
  if (watch_ != nullptr) watch_->executed(event, reply);
  // A long command that is refused answers at once; one that runs takes its time.
  if (info != nullptr && info->takesLong && reply.outcome.code == ReturnCode::kOk) {
    workLong();
  }
  ++stats_.commandsExecuted;
  const bool refused = reply.outcome.code != ReturnCode::kOk;
  if (refused) ++stats_.commandsRefused;
  auto& byKind = refused ? stats_.refusedByCommand : stats_.executedByCommand;
  ++byKind[info != nullptr ? std::string(info->name) : "unknown"];
  // A reply the store could not keep is not remembered either: a restart
  // would not find it, so neither does a repeat now. Nor does the reply before
  // it answer any more: the host has moved on, and its sequence numbers come
  // round again after 256 commands.
  if (kept) {
    lastSequence_ = event.sequence;
    lastReply_ = encoded;
    storedReplyStale_ = false;
  } else {
    lastSequence_.reset();
    lastReply_.clear();
    if (store_ != nullptr && !store_->forgetReply()) storedReplyStale_ = true;
  }
  if (onCounted_) onCounted_();
  line_.sendReply(encoded);
}

// Executes the command; with a store, keeps what it did and its reply there
// before anything of it is printed or answered, a refusal's reply included.
// `encoded` receives the reply frame, `kept` whether the store has it.
Reply Session::executeDurably(const Command& command, std::uint32_t sequence, Bytes& encoded,
                              bool& kept) {
  if (store_ == nullptr) {
    Reply reply = printer_.execute(command);
    encoded = encodeReply(sequence, reply);
    kept = true;
    return reply;
  }
  static const std::optional<JournalLine> kNoLine;
  const FiscalState before = printer_.state();
  const bool drawerBefore = printer_.drawerOpen();
  PaperRoll& paper = printer_.paper();
  paper.hold();
  Reply reply = printer_.execute(command);
  const bool executed = reply.outcome.code == ReturnCode::kOk;
  printer_.setMemoryError(false);  // the reply tells how this write went
  reply.printerStatus = printer_.printerStatus();
  encoded = encodeReply(sequence, reply);
  const FiscalState after = printer_.state();
  const std::string time = printer_.clockText();
  kept = store_->keep(ExecutedCommand{before, after, executed ? printer_.lastLine() : kNoLine,
                                      sequence, encoded, time});
  if (!kept) {
    printer_.setMemoryError(true);
    if (executed) {
      paper.discard();
      printer_.restore(before, false);
      printer_.setDrawerOpen(drawerBefore);
      reply = printer_.refusal(ReturnCode::kMemoryWriteFailed);
    } else {
      reply.printerStatus = printer_.printerStatus();
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
