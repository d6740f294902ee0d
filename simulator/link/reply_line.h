// Where the session's frames go: the line, with the configured delay, pace
// and faults.
#pragma once

#include <cstdint>
#include <span>

#include "simulator/link/fault_injector.h"
#include "simulator/link/line_watch.h"
#include "simulator/link/stats.h"

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
  // Settings changed from outside while the printer runs; each applies from
  // the next frame written (a frame already on its way keeps its own).
  void setDelay(std::uint32_t ms) { settings_.delayMs = ms; }
  void setBaud(std::uint32_t baud) { settings_.baud = baud; }
  // Every Nth reply from now on is corrupted / loses a byte (0: none).
  void setCorruptEvery(std::uint32_t every) { faults_.setEvery(Fault::kCorrupt, every); }
  void setDropEvery(std::uint32_t every) { faults_.setEvery(Fault::kDrop, every); }

  const LineSettings& settings() const { return settings_; }
  const FaultInjector& faults() const { return faults_; }

  // Tells `watch` (may be null) every run of bytes written.
  void watchWith(LineWatch* watch) { watch_ = watch; }

 private:
  bool write(std::span<const std::uint8_t> bytes, Fault fault);

  int fd_;
  bool telnet_ = false;
  LineSettings settings_;
  Stats& stats_;
  FaultInjector faults_;
  LineWatch* watch_ = nullptr;
};

}  // namespace sim
