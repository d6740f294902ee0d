#include "simulator/link/stats.h"

namespace sim {

std::string Stats::format() const {
  std::string text;
  const auto line = [&text](const std::string& key, std::uint64_t value) {
    text += key + ' ' + std::to_string(value) + '\n';
  };
  line("frames_received", framesReceived);
  line("frames_rejected", framesRejected);
  line("handshakes", handshakes);
  line("commands_executed", commandsExecuted);
  line("commands_refused", commandsRefused);
  line("retransmissions", retransmissions);
  line("replies_sent", repliesSent);
  line("replies_corrupted", repliesCorrupted);
  line("replies_dropped", repliesDropped);
  line("still_working_sent", stillWorkingSent);
  for (const auto& [key, count] : executedByCommand) line("executed." + key, count);
  for (const auto& [key, count] : refusedByCommand) line("refused." + key, count);
  return text;
}

}  // namespace sim
