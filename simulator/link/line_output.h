// Writing to the line, optionally at the pace of a real serial line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sim {

// Writes all `bytes` to the non-blocking `fd`, waiting (bounded) while the
// terminal's buffer is full. With `baud` > 0 each byte takes 10 / baud seconds,
// as on a line with one start, eight data and one stop bit. With `telnet`, each
// 0xFF goes out doubled (an RFC 2217 client's line), in the time of one byte.
// False when the write fails, stays blocked for more than a second, or a stop
// is requested or the power cut (the rest of the bytes are then not sent).
bool writeToLine(int fd, std::span<const std::uint8_t> bytes, std::uint32_t baud,
                 bool telnet = false);

// Takes the host's bytes in at the pace of a line of `baud` bit/s (0: at once):
// each call waits until the bytes it reports could have arrived, or a stop is
// requested or the power cut.
class InputPacer {
 public:
  explicit InputPacer(std::uint32_t baud) : baud_(baud) {}
  void arrived(std::size_t byteCount);
  // A new pace from the next bytes on.
  void setBaud(std::uint32_t baud) { baud_ = baud; }

 private:
  std::uint32_t baud_;
  std::chrono::steady_clock::time_point lineFreeAt_{};
};

// Sleeps for `ms` milliseconds (0: returns at once), less when a stop is
// requested or the power cut. False when cut short (also at once for 0).
bool sleepMs(std::uint32_t ms);

}  // namespace sim
