#include "simulator/control/control_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {
namespace {

std::string systemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

enum class Peer { kNone, kLive, kUnknown };

// Whether a simulator listens at `address`, asked without waiting: a full
// queue of connections (EAGAIN) is a live one too.
Peer peerAt(const sockaddr_un& address) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return Peer::kUnknown;
  const bool connected =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  if (connected || saved == EAGAIN || saved == EINPROGRESS) return Peer::kLive;
  return saved == ECONNREFUSED ? Peer::kNone : Peer::kUnknown;
}

}  // namespace

bool socketAddress(const std::string& path, sockaddr_un& address, std::string& error) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "socket path empty or longer than " + std::to_string(sizeof address.sun_path - 1);
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

std::optional<ControlSocket> ControlSocket::listen(const std::string& path, std::string& error) {
  sockaddr_un address;
  if (!socketAddress(path, address, error)) return std::nullopt;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = path + " exists and is not a socket";
      return std::nullopt;
    }
    switch (peerAt(address)) {
      case Peer::kLive:
        error = path + " is in use by another simulator";
        return std::nullopt;
      case Peer::kUnknown:
        error = systemError(path);
        return std::nullopt;
      case Peer::kNone:
        ::unlink(path.c_str());  // left by a simulator that has ended
        break;
    }
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = systemError("socket");
    return std::nullopt;
  }
  // The socket file is created with mode 0600 from the start.
  const mode_t previous = ::umask(0177);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  const int bindErrno = errno;
  ::umask(previous);
  if (!bound || ::listen(fd, kBacklog) != 0) {
    errno = bound ? errno : bindErrno;
    error = systemError(bound ? "listen" : "bind");
    ::close(fd);
    if (bound) ::unlink(path.c_str());
    return std::nullopt;
  }
  return ControlSocket(fd, path);
}

ControlSocket::ControlSocket(ControlSocket&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

ControlSocket::~ControlSocket() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
}

}  // namespace sim
