// Where the session's frames go: the line, with the configured delay, pace
// and faults.
#pragma once

#include <cstdint>
#include <span>

#include "simulator/link/fault_injector.h"
#include "simulator/program/stats.h"

namespace sim {

class ReplyLine {
 public:
  virtual ~ReplyLine() = default;
  // A command reply: delayed, subject to the faults, paced.
  virtual void sendReply(std::span<const std::uint8_t> frame) = 0;
  // A handshake answer: delayed and paced, never damaged.
  virtual void sendAnswer(std::span<const std::uint8_t> frame) = 0;
  // A link acknowledgement or "still working": paced only.
  virtual void sendNow(std::span<const std::uint8_t> frame) = 0;
};

struct LineSettings {
  std::uint32_t delayMs = 0;
  std::uint32_t baud = 0;
  std::uint32_t corruptEvery = 0;
  std::uint32_t dropEvery = 0;
};

// A ReplyLine writing to a terminal file descriptor and counting in `stats`.
class TerminalLine : public ReplyLine {
 public:
  TerminalLine(int fd, const LineSettings& settings, Stats& stats);

  void sendReply(std::span<const std::uint8_t> frame) override;
  void sendAnswer(std::span<const std::uint8_t> frame) override;
  void sendNow(std::span<const std::uint8_t> frame) override;

  // Where the frames go from now on: the terminal, or a network client's
  // socket (`telnet`: an RFC 2217 client, whose 0xFF bytes go out doubled).
  void writeTo(int fd, bool telnet) {
    fd_ = fd;
    telnet_ = telnet;
  }

  // Damages the next `count` replies with `fault` (asked for from outside).
  void forceFaults(Fault fault, std::uint32_t count) { faults_.force(fault, count); }

 private:
  int fd_;
  bool telnet_ = false;
  LineSettings settings_;
  Stats& stats_;
  FaultInjector faults_;
};

}  // namespace sim
