// The steps of a line carried over TCP: connecting with a deadline (the name
// lookup included), sending without SIGPIPE, and listening. Shared by the
// printer library (its network ports) and the virtual printer (its listener).
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "line/posix_line.h"

namespace fp::line {

// How a connected socket finds a peer that vanished without a word: TCP
// keepalive probes after 5 s of silence, every 2 s, 3 unanswered ones end the
// connection (about 11 s); data the peer has not acknowledged for 10 s does too.
inline constexpr std::chrono::seconds kKeepaliveIdle{5};
inline constexpr std::chrono::seconds kKeepaliveInterval{2};
inline constexpr int kKeepaliveProbes = 3;
inline constexpr std::chrono::milliseconds kUnacknowledgedLimit{10000};

struct Connected {
  int fd = -1;          // non-blocking, close-on-exec, no Nagle delay, keepalive on
  std::string address;  // the address it reached ("127.0.0.1:2000", "[::1]:2000")
  std::string error;    // when fd < 0: why ("Connection refused (errno 111)")
};

// Looks `host` up (a name, or an IPv4 or IPv6 address) and connects to `port`,
// trying each address in turn, all before `deadline`. A name lookup that has not
// answered by then is abandoned.
Connected connectTcp(const std::string& host, std::uint16_t port,
                     std::chrono::steady_clock::time_point deadline);

// Sends every byte (never raising SIGPIPE), waiting for room until `deadline`.
LineStatus sendAll(int fd, std::span<const std::uint8_t> bytes,
                   std::chrono::steady_clock::time_point deadline, int& error);

// Reads and drops what is waiting, at most `limit` bytes; false when the peer
// has closed or the connection failed.
bool dropWaiting(int fd, std::size_t limit);

struct Listening {
  int fd = -1;          // non-blocking, close-on-exec
  std::string address;  // the address bound, with the port the system chose for 0
  std::string error;
};

// Listens on `host` (an address, or a name looked up at once, without deadline:
// a listener starts before anything waits on it) and `port` (0: any free one).
Listening listenTcp(const std::string& host, std::uint16_t port);

// Accepts one waiting connection (non-blocking, close-on-exec, no Nagle
// delay, keepalive on); -1 when none is waiting.
int acceptTcp(int listeningFd);

}  // namespace fp::line
