// A scripted peer on a TCP port of the loopback interface, run by a thread of
// the test process: each connection, one at a time, is handed to the script.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "protocol/frame.h"

namespace fp::testing {

class FakeServer {
 public:
  // Runs on the server's thread with the connected socket (blocking); returns
  // when done with it (the socket is then closed) or when `stopping` is set.
  using Script = std::function<void(int fd, const std::atomic<bool>& stopping)>;

  explicit FakeServer(Script script);
  ~FakeServer();
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  std::uint16_t port() const { return port_; }
  // "tcp:127.0.0.1:PORT" or "rfc2217:127.0.0.1:PORT".
  std::string target(const char* scheme) const;
  int connections() const { return connections_; }

 private:
  void run();

  Script script_;
  int listening_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};

// Helpers for scripts. Reads what comes within `timeoutMs` (nothing on
// timeout or end); false once the peer has gone.
bool readFor(int fd, int timeoutMs, protocol::Bytes& out);
void writeBytes(int fd, const protocol::Bytes& bytes);
// Ends the connection with a reset instead of an orderly close.
void resetConnection(int fd);
// A port nobody listens on (bound, then closed again).
std::uint16_t closedPort();

}  // namespace fp::testing
