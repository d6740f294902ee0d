// The line as the link uses it: the serial port in the library, a scripted
// printer on virtual time in the tests of the link's deadlines. Every wait of
// the link is measured on the line's own clock, so such a test can pass two
// minutes of "still working" in no time and still tell 120 s from 12 s.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

#include "line/posix_line.h"

namespace fp::lib {

// kOk, kTimeout or kLost, as the shared line steps report them.
using IoStatus = line::LineStatus;
using Clock = std::chrono::steady_clock;

class LinkPort {
 public:
  virtual ~LinkPort() = default;

  // Writes every byte, waiting at most `timeout` for the line to take them.
  virtual IoStatus writeAll(std::span<const std::uint8_t> bytes,
                            std::chrono::milliseconds timeout) = 0;
  // Waits at most `timeout` for input and appends what is there to `out`.
  virtual IoStatus readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) = 0;
  // Drops input received but not yet read.
  virtual void discardInput() = 0;
  // The time the waits on this line pass in.
  virtual Clock::time_point now() const { return Clock::now(); }

 protected:
  LinkPort() = default;
  LinkPort(const LinkPort&) = default;
  LinkPort& operator=(const LinkPort&) = default;
};

}  // namespace fp::lib
