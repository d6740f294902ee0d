#include "simulator/link/reply_line.h"

#include <vector>

#include "simulator/link/line_output.h"
#include "simulator/link/printer_wire.h"

namespace sim {

TerminalLine::TerminalLine(int fd, const LineSettings& settings, Stats& stats)
    : fd_(fd),
      settings_(settings),
      stats_(stats),
      faults_(settings.corruptEvery, settings.dropEvery) {}

void TerminalLine::sendReply(std::span<const std::uint8_t> frame) {
  std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
  switch (faults_.next()) {
    case Fault::kCorrupt:
      bytes = corruptFrame(std::move(bytes), isFramingByte);
      ++stats_.repliesCorrupted;
      break;
    case Fault::kDrop:
      bytes = dropFrameByte(std::move(bytes));
      ++stats_.repliesDropped;
      break;
    case Fault::kNone:
      break;
  }
  // A reply cut short by a stop or a power cut is not written, nor counted.
  if (sleepMs(settings_.delayMs) && writeToLine(fd_, bytes, settings_.baud, telnet_))
    ++stats_.repliesSent;
}

// A reply whose delay is cut short by a stop request is not sent: the process is ending.
void TerminalLine::sendAnswer(std::span<const std::uint8_t> frame) {
  if (sleepMs(settings_.delayMs)) writeToLine(fd_, frame, settings_.baud, telnet_);
}

void TerminalLine::sendNow(std::span<const std::uint8_t> frame) {
  writeToLine(fd_, frame, settings_.baud, telnet_);
}

}  // namespace sim
