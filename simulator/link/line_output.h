// Writing to the line, optionally at the pace of a real serial line.
#pragma once

#include <cstdint>
#include <span>

namespace sim {

// Writes all `bytes` to the non-blocking `fd`, waiting (bounded) while the
// terminal's buffer is full. With `baud` > 0 each byte takes 10 / baud seconds,
// as on a line with one start, eight data and one stop bit. False when the
// write fails or stays blocked for more than a second.
bool writeToLine(int fd, std::span<const std::uint8_t> bytes, std::uint32_t baud);

// Sleeps for `ms` milliseconds (0: returns at once).
void sleepMs(std::uint32_t ms);

}  // namespace sim
