// What the link runs on: bytes out and in with bounded waits. A serial device,
// a raw TCP connection or an RFC 2217 connection; the link's framing and
// deadlines do not know which.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "line/posix_line.h"

namespace fp::lib {

// kOk, kTimeout or kLost, as the shared line steps report them.
using IoStatus = line::LineStatus;

class Transport {
 public:
  virtual ~Transport() = default;
  // Writes every byte, waiting at most `timeout` for the line to take them.
  virtual IoStatus writeAll(std::span<const std::uint8_t> bytes,
                            std::chrono::milliseconds timeout) = 0;
  // Waits at most `timeout` for input and appends what is there to `out`
  // (possibly nothing: bytes of the transport's own may have come instead).
  virtual IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) = 0;
  // Drops input received but not yet read (a bounded amount of it: a peer that
  // never stops sending is left to the link's deadlines).
  virtual void discardInput() = 0;
  // Why the last read or write gave kLost, in words; empty when not known.
  virtual std::string lossReason() const { return {}; }
};

}  // namespace fp::lib
