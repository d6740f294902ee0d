// A watcher for tests: connects, sends `watch`, and reads the stream back as
// events, or leaves it unread.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/control/watch_event.h"
#include "simulator/control/watch_stream.h"

namespace watch_test {

// A connected watcher whose first line has arrived (at most 3 s); -1 when
// none came.
inline int connectWatcher(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  pollfd ready{fd, POLLIN, 0};
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      send(fd, "watch\n", 6, MSG_NOSIGNAL) != 6 || poll(&ready, 1, 3000) != 1) {
    close(fd);
    return -1;
  }
  return fd;
}

struct Watched {
  std::vector<sim::watch::Event> events;  // the `dropped` events included
  std::uint64_t dropped = 0;              // their sum
  std::uint64_t unreadable = 0;
  // The events but the `dropped` ones.
  std::vector<sim::watch::Event> seen() const {
    std::vector<sim::watch::Event> kept;
    for (const auto& e : events) {
      if (!std::holds_alternative<sim::watch::Dropped>(e)) kept.push_back(e);
    }
    return kept;
  }
};

// Reads `fd` until nothing more comes for `quietMs` or the stream ends.
inline Watched readWatcher(int fd, int quietMs = 500) {
  Watched got;
  sim::watch::WatchStream stream;
  while (true) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, quietMs) <= 0) break;
    char buffer[65536];
    const ssize_t count = recv(fd, buffer, sizeof buffer, 0);
    if (count <= 0) break;
    stream.feed(std::string_view(buffer, static_cast<std::size_t>(count)),
                [&](const sim::watch::Event& e) {
                  if (const auto* d = std::get_if<sim::watch::Dropped>(&e)) got.dropped += d->lines;
                  got.events.push_back(e);
                });
  }
  got.unreadable = stream.unreadable();
  return got;
}

}  // namespace watch_test
