#include "libfiscalprinter/src/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/trace_notes.h"

namespace fp::lib {

OpenResult SerialPort::open(const std::string& device, speed_t speed) {
  close();
  openError_ = 0;
  // Straight into fd_: a fork on another thread finds it there to close in the
  // child, but for the instant between open() and the store (O_CLOEXEC still
  // closes such a copy at the child's exec).
  fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    openError_ = errno;
    return openError_ == EBUSY ? OpenResult::kBusy : OpenResult::kInvalid;
  }
  if (!::isatty(fd_)) {
    openError_ = errno;
    close();
    return OpenResult::kInvalid;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    openError_ = errno;
    close();
    return openError_ == EWOULDBLOCK ? OpenResult::kBusy : OpenResult::kInvalid;
  }
  if (!line::makeRaw(fd_, speed, 0, openError_)) {
    close();
    return OpenResult::kInvalid;
  }
  return OpenResult::kOpened;
}

void SerialPort::close() {
  if (fd_ < 0) return;
  ::close(fd_);  // also releases the lock
  fd_ = -1;
}

void SerialPort::releaseInForkedChild() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

IoStatus SerialPort::kept(IoStatus status, int error) {
  if (status == IoStatus::kLost) lossError_ = error;
  return status;
}

IoStatus SerialPort::writeAll(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  int error = 0;
  const IoStatus status =
      line::writeAll(fd_, bytes, std::chrono::steady_clock::now() + timeout, error);
  return kept(status, error);
}

IoStatus SerialPort::readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  int error = 0;
  const IoStatus status = line::readSome(fd_, out, timeout, error);
  return kept(status, error);
}

std::string SerialPort::lossReason() const {
  return protocol::note::serialLineLost(lossError_ == 0 ? std::string()
                                                        : line::systemErrorText(lossError_));
}

void SerialPort::discardInput() {
  if (fd_ >= 0) ::tcflush(fd_, TCIFLUSH);
}

}  // namespace fp::lib
