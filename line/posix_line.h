// The few POSIX steps every end of a serial line takes: raw mode, writing all of
// a buffer and reading with a deadline. Shared by the printer library and the
// virtual printer. A failed step keeps its errno, which systemErrorText() names.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fp::line {

enum class LineStatus {
  kOk,       // bytes moved (a read may still have found none)
  kTimeout,  // nothing happened before the deadline
  kLost,     // the device failed, hung up or vanished; `error` says why when known
};

// "Permission denied (errno 13)"; "no error" for 0.
std::string systemErrorText(int error);

// Raw 8N1 with no flow control and no modem lines: reads return after `minBytes`
// bytes (0: at once with what is there). `speed` sets both directions when given.
// Discards whatever was pending. False with `error` set when a step fails.
bool makeRaw(int fd, std::optional<speed_t> speed, std::uint8_t minBytes, int& error);

// Writes every byte of `bytes`, waiting for the line to take them until `deadline`.
LineStatus writeAll(int fd, std::span<const std::uint8_t> bytes,
                    std::chrono::steady_clock::time_point deadline, int& error);

// Waits at most `timeout` for input and appends what is there (at most 512
// bytes) to `out`. A hang-up or an end of file is kLost with `error` 0.
LineStatus readSome(int fd, std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout,
                    int& error);

}  // namespace fp::line
