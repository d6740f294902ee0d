#include "simulator/control/control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

std::string systemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

bool addressOf(const std::string& path, sockaddr_un& address, std::string& error) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "socket path empty or longer than " + std::to_string(sizeof address.sun_path - 1);
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Connects a non-blocking stream socket to `path`; -1 with errno set on failure.
int connectTo(const sockaddr_un& address) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

// Waits for `fd` to be ready for `events` until `deadline`.
bool waitFor(int fd, short events, Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return false;
  pollfd ready{fd, events, 0};
  return ::poll(&ready, 1, static_cast<int>(left.count())) > 0;
}

// Reads up to a newline (not kept) or `limit` bytes, until `deadline`.
std::optional<std::string> readLine(int fd, std::size_t limit, Clock::time_point deadline) {
  std::string line;
  while (line.size() < limit) {
    if (!waitFor(fd, POLLIN, deadline)) return std::nullopt;
    char c = 0;
    const ssize_t count = ::read(fd, &c, 1);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    if (c == '\n') return line;
    line += c;
  }
  return std::nullopt;
}

bool writeAll(int fd, std::string_view text, Clock::time_point deadline) {
  while (!text.empty()) {
    const ssize_t written = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (written > 0) {
      text.remove_prefix(static_cast<std::size_t>(written));
    } else if (written < 0 && errno != EINTR && errno != EAGAIN) {
      return false;
    } else if (!waitFor(fd, POLLOUT, deadline)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<ControlSocket> ControlSocket::listen(const std::string& path, std::string& error) {
  sockaddr_un address;
  if (!addressOf(path, address, error)) return std::nullopt;
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = path + " exists and is not a socket";
      return std::nullopt;
    }
    const int live = connectTo(address);
    if (live >= 0 || errno != ECONNREFUSED) {
      if (live >= 0) ::close(live);
      error = path + " is in use by another simulator";
      return std::nullopt;
    }
    ::unlink(path.c_str());  // left by a simulator that has ended
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
  if (!bound || ::listen(fd, 8) != 0) {
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

void ControlSocket::serve(const std::function<std::string(std::string_view)>& answer) {
  while (true) {
    const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;  // none waiting (or a transient failure: next time)
    const auto deadline = Clock::now() + std::chrono::milliseconds(kClientDeadlineMs);
    if (const std::optional<std::string> request = readLine(client, kMaxRequest, deadline)) {
      writeAll(client, answer(*request) + "\n", deadline);
    } else {
      writeAll(client, "error: no request line within the deadline or too long\n", deadline);
    }
    ::close(client);
  }
}

std::optional<std::string> askControl(const std::string& path, const std::string& request,
                                      int deadlineMs, std::string& error) {
  sockaddr_un address;
  if (!addressOf(path, address, error)) return std::nullopt;
  const int fd = connectTo(address);
  if (fd < 0) {
    error = systemError(path.c_str());
    return std::nullopt;
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
  std::optional<std::string> answer;
  if (writeAll(fd, request + "\n", deadline)) answer = readLine(fd, 4096, deadline);
  ::close(fd);
  if (!answer) error = "no answer from " + path;
  return answer;
}

}  // namespace sim
