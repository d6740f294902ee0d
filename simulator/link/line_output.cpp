#include "simulator/link/line_output.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "line/posix_line.h"

namespace sim {
namespace {

constexpr int kBlockedLimitMs = 1000;

bool writeChunk(int fd, std::span<const std::uint8_t> chunk) {
  int error = 0;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kBlockedLimitMs);
  return fp::line::writeAll(fd, chunk, deadline, error) == fp::line::LineStatus::kOk;
}

}  // namespace

bool writeToLine(int fd, std::span<const std::uint8_t> bytes, std::uint32_t baud) {
  if (baud == 0) return writeChunk(fd, bytes);
  // Pace by the line time of each byte, keeping to the ideal schedule.
  const auto start = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!writeChunk(fd, bytes.subspan(i, 1))) return false;
    const auto due = std::chrono::microseconds((i + 1) * 10'000'000ULL / baud);
    std::this_thread::sleep_until(start + due);
  }
  return true;
}

void sleepMs(std::uint32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void InputPacer::arrived(std::size_t byteCount) {
  if (baud_ == 0) return;
  using namespace std::chrono;
  const auto now = steady_clock::now();
  const auto lineTime = nanoseconds(byteCount * 10'000'000'000ULL / baud_);
  lineFreeAt_ = std::max(now, lineFreeAt_) + lineTime;
  std::this_thread::sleep_until(lineFreeAt_);
}

}  // namespace sim
