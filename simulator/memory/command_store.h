// Where the printer makes every answered command durable before its reply
// goes out on the line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "simulator/model/fiscal_state.h"

namespace sim {

// One answered command, with everything the memory keeps of it. A refused
// command leaves the state as it was (`before` and `after` equal, no line):
// only its reply is kept.
struct ExecutedCommand {
  const FiscalState& before;               // the fiscal state before the command
  const FiscalState& after;                // and after it
  const std::optional<JournalLine>& line;  // the line it added to the open document
  std::uint32_t sequence;                  // its sequence number on the line
  std::span<const std::uint8_t> reply;     // the reply frame about to be sent
  std::string_view time;                   // the printer's clock ("YYYY-MM-DD HH:MM:SS")
};

class CommandStore {
 public:
  virtual ~CommandStore() = default;
  // Keeps the command and its reply, as the one a repeat of `sequence` is
  // answered with, in one transaction, committed when this returns true.
  // False when it cannot be written: then nothing of it is kept.
  virtual bool keep(const ExecutedCommand& command) = 0;
  // Forgets the reply kept last (an opening handshake starts the sequence
  // numbers afresh), committed when this returns true.
  virtual bool forgetReply() = 0;
};

}  // namespace sim
