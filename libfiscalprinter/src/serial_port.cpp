#include "libfiscalprinter/src/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace fp::lib {
namespace {

int pollMs(std::chrono::milliseconds timeout) {
  return timeout.count() <= 0 ? 0 : static_cast<int>(timeout.count());
}

}  // namespace

OpenResult SerialPort::open(const std::string& device, speed_t speed) {
  close();
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY ? OpenResult::kBusy : OpenResult::kInvalid;
  fd_ = fd;
  if (!::isatty(fd_)) {
    close();
    return OpenResult::kInvalid;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    close();
    return busy ? OpenResult::kBusy : OpenResult::kInvalid;
  }
  if (!configure(speed)) {
    close();
    return OpenResult::kInvalid;
  }
  return OpenResult::kOpened;
}

bool SerialPort::configure(speed_t speed) {
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return false;
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  settings.c_cflag |= CS8 | CLOCAL | CREAD;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) return false;
  if (::tcsetattr(fd_, TCSANOW, &settings) != 0) return false;
  ::tcflush(fd_, TCIOFLUSH);
  return true;
}

void SerialPort::close() {
  if (fd_ < 0) return;
  ::close(fd_);  // also releases the lock
  fd_ = -1;
}

IoStatus SerialPort::writeAll(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno != EAGAIN && errno != EINTR) return IoStatus::kLost;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return IoStatus::kTimeout;
    pollfd wanted{fd_, POLLOUT, 0};
    if (::poll(&wanted, 1, pollMs(left)) < 0 && errno != EINTR) return IoStatus::kLost;
    if ((wanted.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return IoStatus::kLost;
  }
  return IoStatus::kOk;
}

IoStatus SerialPort::readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  pollfd wanted{fd_, POLLIN, 0};
  const int ready = ::poll(&wanted, 1, pollMs(timeout));
  if (ready < 0) return errno == EINTR ? IoStatus::kOk : IoStatus::kLost;
  if (ready == 0) return IoStatus::kTimeout;
  if ((wanted.revents & POLLIN) == 0) return IoStatus::kLost;  // hang-up or error only
  std::uint8_t buffer[512];
  const ssize_t got = ::read(fd_, buffer, sizeof buffer);
  if (got > 0) {
    out.insert(out.end(), buffer, buffer + got);
    return IoStatus::kOk;
  }
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return IoStatus::kOk;
  return IoStatus::kLost;  // end of file or an I/O error: the device is gone
}

void SerialPort::discardInput() {
  if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

}  // namespace fp::lib
