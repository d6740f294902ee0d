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

// Writes at the line's pace; false when cut short. The watch hears of it
// either way, once it is over.
bool TerminalLine::write(std::span<const std::uint8_t> bytes, Fault fault) {
  const bool complete = writeToLine(fd_, bytes, settings_.baud, telnet_);
  if (watch_ != nullptr && watch_->active()) watch_->sent(bytes, fault, complete);
  return complete;
}

void TerminalLine::sendReply(std::span<const std::uint8_t> frame) {
  std::vector<std::uint8_t> bytes(frame.begin(), frame.end());
  const Fault fault = faults_.next();
  switch (fault) {
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
  if (sleepMs(settings_.delayMs) && write(bytes, fault)) ++stats_.repliesSent;
}

// A reply whose delay is cut short by a stop request is not sent: the process is ending.
void TerminalLine::sendAnswer(std::span<const std::uint8_t> frame) {
  if (sleepMs(settings_.delayMs)) write(frame, Fault::kNone);
}

void TerminalLine::sendNow(std::span<const std::uint8_t> frame) {
  write(frame, Fault::kNone);
}

}  // namespace sim
