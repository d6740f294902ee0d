// The listening end of a running virtual printer's control socket: a
// Unix-domain stream socket, mode 0600, non-blocking. ControlServer serves it.
#pragma once

#include <sys/un.h>

#include <optional>
#include <string>

namespace sim {

// The address of the socket file `path`; false, with `error` set, when the
// path is empty or too long for a Unix-domain address.
bool socketAddress(const std::string& path, sockaddr_un& address, std::string& error);

class ControlSocket {
 public:
  // Connections the kernel queues before they are accepted.
  static constexpr int kBacklog = 8;

  // Listens at `path`. A socket left there by a simulator that has ended is
  // replaced; anything else at `path`, or a live socket (even one whose
  // simulator is stopped and accepts nobody), is an error. Never blocks.
  static std::optional<ControlSocket> listen(const std::string& path, std::string& error);

  ControlSocket(ControlSocket&& other) noexcept;
  ControlSocket& operator=(ControlSocket&&) = delete;
  // Stops listening and removes the socket file.
  ~ControlSocket();

  int fd() const { return fd_; }

 private:
  ControlSocket(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  std::string path_;
};

}  // namespace sim
