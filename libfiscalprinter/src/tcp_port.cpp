#include "libfiscalprinter/src/tcp_port.h"

#include <sys/socket.h>
#include <unistd.h>

#include "line/socket_line.h"
#include "protocol/trace_notes.h"

namespace fp::lib {
namespace {

// Input dropped before a transmission, at most: more than any printer sends
// unasked; a peer flooding beyond it meets the link's deadlines.
constexpr std::size_t kDiscardLimit = 65536;

}  // namespace

bool TcpPort::open(const std::string& host, std::uint16_t port,
                   std::chrono::steady_clock::time_point deadline) {
  close();
  const line::Connected connected = line::connectTcp(host, port, deadline);
  if (connected.fd < 0) {
    failure_ = connected.error;
    return false;
  }
  fd_ = connected.fd;
  address_ = connected.address;
  failure_.clear();
  return true;
}

void TcpPort::close() noexcept {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

IoStatus TcpPort::lost(int error) {
  if (error == 0) {
    // A hang-up with nothing to read: the socket's own error, if any, says why.
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = 0;
  }
  lossReason_ = error == 0 ? std::string(protocol::note::kServerClosed)
                           : protocol::note::connectionLost(line::systemErrorText(error));
  return IoStatus::kLost;
}

IoStatus TcpPort::writeAll(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  int error = 0;
  const IoStatus status =
      line::sendAll(fd_, bytes, std::chrono::steady_clock::now() + timeout, error);
  return status == IoStatus::kLost ? lost(error) : status;
}

IoStatus TcpPort::readSome(std::vector<std::uint8_t>& out, std::chrono::milliseconds timeout) {
  if (fd_ < 0) return IoStatus::kLost;
  int error = 0;
  const IoStatus status = line::readSome(fd_, out, timeout, error);
  return status == IoStatus::kLost ? lost(error) : status;
}

void TcpPort::discardInput() {
  // A connection found closed here is found again by the next read.
  if (fd_ >= 0) line::dropWaiting(fd_, kDiscardLimit);
}

}  // namespace fp::lib
