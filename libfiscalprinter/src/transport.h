// What the link runs on: bytes out and in with bounded waits. A serial device,
// a raw TCP connection or an RFC 2217 connection; the link's framing and
// deadlines do not know which. Every wait of the link is measured on the
// transport's own clock, so a test of the link's deadlines can run a scripted
// printer on virtual time: two minutes of "still working" in no time, and
// still tell 120 s from 12 s.
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
using Clock = std::chrono::steady_clock;

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
  // In a forked child: closes this process's copy of the descriptor, leaving
  // the parent's connection or device (and its lock) as they are.
  // Async-signal-safe: no allocation, no lock.
  virtual void releaseInForkedChild() noexcept = 0;
  // The time the waits on this transport pass in.
  virtual Clock::time_point now() const { return Clock::now(); }
};

}  // namespace fp::lib
