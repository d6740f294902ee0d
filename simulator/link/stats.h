// Counters of the link and of the commands executed, for tests and benchmarks.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sim {

struct Stats {
  std::uint64_t framesReceived = 0;    // well-formed frames read from the line
  std::uint64_t framesRejected = 0;    // damaged or unreadable frames discarded
  std::uint64_t handshakes = 0;        // opening handshakes answered
  std::uint64_t commandsExecuted = 0;  // commands handed to the fiscal model, each once
  std::uint64_t commandsRefused = 0;   // of those, answered with a nonzero return code
  std::uint64_t retransmissions = 0;   // repeated sequence numbers answered from the stored reply
  std::uint64_t repliesSent = 0;       // reply frames written (damaged ones included)
  std::uint64_t repliesCorrupted = 0;  // replies damaged on purpose
  std::uint64_t repliesDropped = 0;    // replies with a byte left out on purpose
  std::uint64_t stillWorkingSent = 0;  // "still working" messages written
  std::map<std::string, std::uint64_t> executedByCommand;  // accepted (code 0), by table key
  std::map<std::string, std::uint64_t> refusedByCommand;   // refused (code not 0), by table key

  // One "key value" line per counter, executedByCommand as "executed.KEY N",
  // refusedByCommand as "refused.KEY N".
  std::string format() const;
};

}  // namespace sim
