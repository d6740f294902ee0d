#include "simulator/program/stats.h"

#include <cstdio>
#include <fstream>

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
  return text;
}

bool writeFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << text;
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace sim
