#include "simulator/link/line_output.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "line/telnet.h"
#include "simulator/link/stop_request.h"

namespace sim {
namespace {

constexpr int kBlockedLimitMs = 1000;
constexpr int kPollSliceMs = 20;  // how often a blocked write looks for a stop request

// Waits up to kBlockedLimitMs for room on `fd`; false on timeout, error, stop
// or power cut.
bool awaitWritable(int fd) {
  for (int waited = 0; waited < kBlockedLimitMs; waited += kPollSliceMs) {
    doWaitWork();
    if (waitsCutShort()) return false;
    pollfd ready{fd, POLLOUT, 0};
    const int result = ::poll(&ready, 1, kPollSliceMs);
    if (result > 0) return true;
    if (result < 0 && errno != EINTR) return false;
  }
  return false;
}

bool writeChunk(int fd, std::span<const std::uint8_t> chunk) {
  while (!chunk.empty()) {
    const ssize_t written = ::write(fd, chunk.data(), chunk.size());
    if (written > 0) {
      chunk = chunk.subspan(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (!awaitWritable(fd)) return false;
  }
  return true;
}

}  // namespace

bool writeToLine(int fd, std::span<const std::uint8_t> bytes, std::uint32_t baud, bool telnet) {
  if (baud == 0 && !telnet) return writeChunk(fd, bytes);
  if (baud == 0) {
    fp::line::telnet::Bytes escaped;
    fp::line::telnet::appendEscaped(bytes, escaped);
    return writeChunk(fd, escaped);
  }
  // Pace by the line time of each byte, keeping to the ideal schedule.
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t doubled[2] = {bytes[i], bytes[i]};
    const bool twice = telnet && bytes[i] == fp::line::telnet::kIac;
    if (waitsCutShort() || !writeChunk(fd, std::span(doubled, twice ? 2 : 1))) return false;
    const auto due = std::chrono::microseconds((i + 1) * 10'000'000ULL / baud);
    if (!sleepUntil(start + due)) return false;
  }
  return true;
}

bool sleepMs(std::uint32_t ms) {
  return ms == 0 ? !waitsCutShort() : sleepFor(std::chrono::milliseconds(ms));
}

void InputPacer::arrived(std::size_t byteCount) {
  if (baud_ == 0) return;
  using namespace std::chrono;
  const auto now = steady_clock::now();
  const auto lineTime = nanoseconds(byteCount * 10'000'000'000ULL / baud_);
  lineFreeAt_ = std::max(now, lineFreeAt_) + lineTime;
  sleepUntil(lineFreeAt_);
}

}  // namespace sim
