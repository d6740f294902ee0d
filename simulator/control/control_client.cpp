#include "simulator/control/control_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string_view>
#include <thread>
#include <variant>

#include "simulator/control/control_socket.h"
#include "simulator/control/watch_event.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

// How often a connection refused for a full queue is tried again.
constexpr auto kRetryPause = std::chrono::milliseconds(10);
constexpr std::size_t kMaxAnswer = 4096;

// Waits for `fd` to be ready for `events` until `deadline`; once it has
// passed, looks once more without waiting.
bool waitFor(int fd, short events, Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  pollfd ready{fd, events, 0};
  int result = 0;
  do {
    result = ::poll(&ready, 1, static_cast<int>(std::max<std::int64_t>(0, left.count())));
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

// A non-blocking stream socket connected to `address` before `deadline`, or
// -1 with `error` set. A simulator whose queue of connections is full (one
// stopped, or flooded) refuses at once with EAGAIN; that is tried again until
// the deadline.
int connectBefore(const sockaddr_un& address, const std::string& path, Clock::time_point deadline,
                  std::string& error) {
  while (true) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
      error = std::string("socket: ") + std::strerror(errno);
      return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    const int failure = errno;
    if (failure == EINPROGRESS && waitFor(fd, POLLOUT, deadline)) {
      int soError = 0;
      socklen_t size = sizeof soError;
      if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &size) == 0 && soError == 0) return fd;
    }
    ::close(fd);
    if (failure != EAGAIN && failure != EINTR && failure != EINPROGRESS) {
      error = path + ": " + std::strerror(failure);
      return -1;
    }
    if (Clock::now() + kRetryPause >= deadline) {
      error = "no answer from " + path + ": it accepts no connection (stopped or busy)";
      return -1;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}

bool sendAll(int fd, std::string_view text, Clock::time_point deadline) {
  while (!text.empty()) {
    const ssize_t sent = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      text.remove_prefix(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno != EINTR && errno != EAGAIN) {
      return false;
    } else if (Clock::now() >= deadline || !waitFor(fd, POLLOUT, deadline)) {
      return false;
    }
  }
  return true;
}

// Reads up to a newline (not kept), until `deadline`. An answer cut short by
// the end of the connection counts when it is not empty.
std::optional<std::string> receiveLine(int fd, Clock::time_point deadline) {
  std::string line;
  while (line.size() < kMaxAnswer) {
    if (!waitFor(fd, POLLIN, deadline)) return std::nullopt;
    char buffer[256];
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
    const std::string_view got(buffer, static_cast<std::size_t>(count));
    if (const std::size_t end = got.find('\n'); end != std::string_view::npos) {
      return line.append(got.substr(0, end));
    }
    line.append(got);
  }
  return std::nullopt;
}

// Whether `line` is what a printer answers: "ok ..." or "error: ...", in
// printable ASCII. Anything else on the socket is not passed on as an answer.
bool isAnswer(const std::string& line) {
  const bool printable = std::all_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
  return printable && (line == "ok" || line.rfind("ok ", 0) == 0 || line.rfind("error: ", 0) == 0);
}

// Why `line`, the `number`th of a watch stream, is not one the printer sends
// (the first says what the stream is; every one is a JSON object), or empty.
std::string whyNotStreamLine(const std::string& line, std::uint64_t number) {
  if (number == 1) {
    std::string error;
    const std::optional<watch::Event> event = watch::parseEvent(line, error);
    if (event && std::holds_alternative<watch::Watching>(*event)) return {};
    return "its first line is not the stream's header";
  }
  const auto object = nlohmann::json::parse(line, nullptr, false);
  if (object.is_object()) return {};
  return "its line " + std::to_string(number) + " is not a JSON object";
}

// Reads the stream of `fd` line by line into `onLine`: the first line by
// `firstBy`, the others whenever they come.
bool readLines(int fd, Clock::time_point firstBy,
               const std::function<bool(const std::string&)>& onLine, std::string& error) {
  std::string pending;
  bool first = true;
  std::uint64_t number = 0;
  while (true) {
    if (first && !waitFor(fd, POLLIN, firstBy)) {
      error = "no first line within the deadline";
      return false;
    }
    if (!first) {
      pollfd ready{fd, POLLIN, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) {
        error = std::string("poll: ") + std::strerror(errno);
        return false;
      }
    }
    char buffer[4096];
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) {
      if (first) error = "the stream ended before its first line";
      return !first;
    }
    pending.append(buffer, static_cast<std::size_t>(count));
    std::size_t end = 0;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (first && line.rfind("error:", 0) == 0 && isAnswer(line)) {
        error = line;
        return false;
      }
      if (const std::string why = whyNotStreamLine(line, ++number); !why.empty()) {
        error = "not a printer's event stream: " + why;
        return false;
      }
      first = false;
      if (!onLine(line)) return true;
    }
    if (pending.size() > watch::kMaxLine) {
      error = "a line longer than " + std::to_string(watch::kMaxLine) + " bytes";
      return false;
    }
  }
}

}  // namespace

bool watchControl(const std::string& path, int deadlineMs,
                  const std::function<bool(const std::string&)>& onLine, std::string& error) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
  sockaddr_un address;
  if (!socketAddress(path, address, error)) return false;
  const int fd = connectBefore(address, path, deadline, error);
  if (fd < 0) return false;
  // As for askControl: a refusal is read even when the request did not go out.
  const bool sent = sendAll(fd, "watch\n", deadline);
  const bool watched = readLines(fd, deadline, onLine, error);
  if (!sent && !watched && error.rfind("error:", 0) != 0) {
    error = "cannot send the request to " + path + ", and no answer came";
  }
  ::close(fd);
  return watched;
}

std::optional<std::string> askControl(const std::string& path, const std::string& request,
                                      int deadlineMs, std::string& error) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(deadlineMs);
  sockaddr_un address;
  if (!socketAddress(path, address, error)) return std::nullopt;
  const int fd = connectBefore(address, path, deadline, error);
  if (fd < 0) return std::nullopt;
  // A printer that turns the client away (too many at once) writes its answer
  // and hangs up, so the request may not go out whole; its answer is read all
  // the same.
  const bool sent = sendAll(fd, request + "\n", deadline);
  std::optional<std::string> answer = receiveLine(fd, deadline);
  ::close(fd);
  if (!answer) {
    error = sent ? "no answer from " + path + " within " + std::to_string(deadlineMs) + " ms"
                 : "cannot send the request to " + path + ", and no answer came";
  } else if (!isAnswer(*answer)) {
    error = "what " + path + " sent is not a printer's answer";
    return std::nullopt;
  }
  return answer;
}

}  // namespace sim
