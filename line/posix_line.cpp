#include "line/posix_line.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fp::line {
namespace {

int pollMs(std::chrono::milliseconds timeout) {
  return timeout.count() <= 0 ? 0 : static_cast<int>(timeout.count());
}

}  // namespace

std::string systemErrorText(int error) {
  if (error == 0) return "no error";
  char buffer[128] = {};
  // The GNU strerror_r returns its text, which need not be in the buffer.
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  return std::string(text) + " (errno " + std::to_string(error) + ")";
}

bool makeRaw(int fd, std::optional<speed_t> speed, std::uint8_t minBytes, int& error) {
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) {
    error = errno;
    return false;
  }
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = minBytes;
  settings.c_cc[VTIME] = 0;
  if (speed && (::cfsetispeed(&settings, *speed) != 0 || ::cfsetospeed(&settings, *speed) != 0)) {
    error = errno;
    return false;
  }
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
    error = errno;
    return false;
  }
  ::tcflush(fd, TCIOFLUSH);
  return true;
}

LineStatus writeAll(int fd, std::span<const std::uint8_t> bytes,
                    std::chrono::steady_clock::time_point deadline, int& error) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
      error = errno;
      return LineStatus::kLost;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return LineStatus::kTimeout;
    pollfd wanted{fd, POLLOUT, 0};
    if (::poll(&wanted, 1, pollMs(left)) < 0 && errno != EINTR) {
      error = errno;
      return LineStatus::kLost;
    }
    if ((wanted.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      error = 0;
      return LineStatus::kLost;
    }
  }
  return LineStatus::kOk;
}

LineStatus readSome(int fd, std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout,
                    int& error) {
  error = 0;
  pollfd wanted{fd, POLLIN, 0};
  const int ready = ::poll(&wanted, 1, pollMs(timeout));
  if (ready < 0) {
    if (errno == EINTR) return LineStatus::kOk;
    error = errno;
    return LineStatus::kLost;
  }
  if (ready == 0) return LineStatus::kTimeout;
  if ((wanted.revents & POLLIN) == 0) return LineStatus::kLost;  // hang-up or error only
  std::uint8_t buffer[512];
  const ssize_t got = ::read(fd, buffer, sizeof buffer);
  if (got > 0) {
    out.insert(out.end(), buffer, buffer + got);
    return LineStatus::kOk;
  }
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return LineStatus::kOk;
  if (got < 0) error = errno;
  return LineStatus::kLost;  // end of file or an I/O error: the device is gone
}

}  // namespace fp::line
