// The printer's side of a conversation: decodes requests, executes each
// command once, and answers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "simulator/link/line_watch.h"
#include "simulator/link/printer_wire.h"
#include "simulator/link/reply_line.h"
#include "simulator/link/stats.h"
#include "simulator/memory/command_store.h"
#include "simulator/model/fiscal_printer.h"

namespace sim {

class Session {
 public:
  // `longCommandMs`: how long a command marked as taking long (the Z
  // closing) lasts; "still working" goes out meanwhile. `onCounted` runs after
  // every frame, once the counters are up to date and before any reply is sent.
  Session(FiscalPrinter& printer, Stats& stats, ReplyLine& line, std::uint32_t longCommandMs,
          std::function<void()> onCounted = {});

  // With a store, every answered command is kept there with its reply before
  // the reply is sent, and a handshake's forgetting before its answer: what the
  // session remembers is always what the store holds. An executed command the
  // store cannot keep is undone and refused (kMemoryWriteFailed); a handshake
  // it cannot keep is refused the same way and forgets nothing. A command the
  // store cannot keep ends what the last kept reply answers: the store's copy
  // is forgotten, or, when even that cannot be written, passed over by the
  // next restart, so that no later command is taken for a repeat of it.
  void keepCommandsIn(CommandStore* store) { store_ = store; }

  // Tells `watch` (may be null) every frame received and every command done.
  void watchWith(LineWatch* watch) { watch_ = watch; }

  // Starts afresh after a restart: frames half received are forgotten, and a
  // command repeated with `sequence` is answered with `reply` (the last one the
  // memory kept), or nothing is remembered when there is none or when a later
  // command the memory could not keep has made it stale.
  void restart(std::optional<std::uint32_t> sequence, Bytes reply);

  // Bytes from the line, in any split.
  void receive(std::span<const std::uint8_t> bytes);

 private:
  void handle(const WireEvent& event);
  void answerHandshake(const WireEvent& event);
  void answerCommand(const WireEvent& event);
  void answerMalformed(const WireEvent& event);
  void workLong();
  Reply executeDurably(const Command& command, std::uint32_t sequence, Bytes& encoded, bool& kept);

  FiscalPrinter& printer_;
  Stats& stats_;
  ReplyLine& line_;
  std::uint32_t longCommandMs_;
  std::function<void()> onCounted_;
  CommandStore* store_ = nullptr;
  LineWatch* watch_ = nullptr;
  bool watched() const { return watch_ != nullptr && watch_->active(); }
  std::unique_ptr<WireDecoder> decoder_ = std::make_unique<WireDecoder>();
  std::optional<std::uint32_t> lastSequence_;  // of the last command answered and kept
  Bytes lastReply_;                            // its reply, sent again on retransmission
  bool storedReplyStale_ = false;              // the store's reply is older than the last answer
};

}  // namespace sim
