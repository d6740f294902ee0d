// The control socket of a running virtual printer: a Unix-domain stream
// socket, mode 0600. A client connects, sends one request line and reads one
// answer line; then the connection is closed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class ControlSocket {
 public:
  // Listens at `path`. A socket left there by a simulator that has ended is
  // replaced; anything else at `path`, or a live socket, is an error.
  static std::optional<ControlSocket> listen(const std::string& path, std::string& error);

  ControlSocket(ControlSocket&& other) noexcept;
  ControlSocket& operator=(ControlSocket&&) = delete;
  // Stops listening and removes the socket file.
  ~ControlSocket();

  // Answers every client waiting now with `answer(request line)`, without
  // blocking: a client gets at most kClientDeadlineMs to send its line.
  void serve(const std::function<std::string(std::string_view)>& answer);

  static constexpr int kClientDeadlineMs = 100;
  static constexpr std::size_t kMaxRequest = 256;

 private:
  ControlSocket(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;
  std::string path_;
};

// Sends `request` to the socket at `path` and returns the answer line; nothing,
// with `error` set, when there is no answer within `deadlineMs`.
std::optional<std::string> askControl(const std::string& path, const std::string& request,
                                      int deadlineMs, std::string& error);

}  // namespace sim
