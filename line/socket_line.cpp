#include "line/socket_line.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

namespace fp::line {
namespace {

using Clock = std::chrono::steady_clock;

int msUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

struct AddressListFree {
  void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListFree>;

// An asynchronous lookup. When it cannot be cancelled at its deadline, the
// resolver still writes into it: it is then left allocated (a few hundred bytes
// per abandoned lookup) rather than freed under the resolver's feet.
struct Lookup {
  std::string host;
  std::string service;
  addrinfo hints{};
  gaicb request{};
};

AddressList lookUp(const std::string& host, std::uint16_t port, Clock::time_point deadline,
                   std::string& error) {
  const std::string service = std::to_string(port);
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) == 0) return AddressList(found);

  auto lookup = std::make_unique<Lookup>();
  lookup->host = host;
  lookup->service = service;
  lookup->hints.ai_socktype = SOCK_STREAM;
  lookup->hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
  lookup->request.ar_name = lookup->host.c_str();
  lookup->request.ar_service = lookup->service.c_str();
  lookup->request.ar_request = &lookup->hints;
  gaicb* requests[1] = {&lookup->request};
  if (const int started = ::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr); started != 0) {
    error = std::string("name lookup of ") + host + ": " + ::gai_strerror(started);
    return nullptr;
  }
  int status = ::gai_error(&lookup->request);
  while (status == EAI_INPROGRESS) {
    const int left = msUntil(deadline);
    if (left == 0) break;
    const timespec wait{left / 1000, (left % 1000) * 1'000'000L};
    const gaicb* const waiting[1] = {&lookup->request};
    ::gai_suspend(waiting, 1, &wait);
    status = ::gai_error(&lookup->request);
  }
  if (status == EAI_INPROGRESS) {
    error = "name lookup of " + host + " did not answer in time";
    if (::gai_cancel(&lookup->request) != EAI_CANCELED) static_cast<void>(lookup.release());
    return nullptr;
  }
  if (status != 0) {
    error = "name lookup of " + host + ": " + ::gai_strerror(status);
    return nullptr;
  }
  return AddressList(lookup->request.ar_result);
}

std::string addressText(const sockaddr* address, socklen_t length) {
  char host[NI_MAXHOST] = {};
  char service[NI_MAXSERV] = {};
  if (::getnameinfo(address, length, host, sizeof host, service, sizeof service,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return "?";
  }
  const std::string name = address->sa_family == AF_INET6 ? "[" + std::string(host) + "]" : host;
  return name + ":" + service;
}

void setOption(int fd, int level, int name, int value) {
  // Best effort: a socket without one of these still works, only less watchfully.
  ::setsockopt(fd, level, name, &value, sizeof value);
}

void tune(int fd) {
  setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);  // a frame goes out at once, not with the next
  setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
  setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, static_cast<int>(kKeepaliveIdle.count()));
  setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, static_cast<int>(kKeepaliveInterval.count()));
  setOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepaliveProbes);
  setOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(kUnacknowledgedLimit.count()));
}

// Connects to one address before `deadline`; the socket, or -1 with `error` set.
int connectOne(const addrinfo& address, Clock::time_point deadline, int& error) {
  const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  tune(fd);
  if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
  if (errno != EINPROGRESS) {
    error = errno;
    ::close(fd);
    return -1;
  }
  for (;;) {
    pollfd wanted{fd, POLLOUT, 0};
    const int ready = ::poll(&wanted, 1, msUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      error = ready == 0 ? ETIMEDOUT : errno;
      ::close(fd);
      return -1;
    }
    int failure = 0;
    socklen_t size = sizeof failure;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) != 0) failure = errno;
    if (failure == 0) return fd;
    error = failure;
    ::close(fd);
    return -1;
  }
}

}  // namespace

Connected connectTcp(const std::string& host, std::uint16_t port, Clock::time_point deadline) {
  Connected connected;
  const AddressList addresses = lookUp(host, port, deadline, connected.error);
  if (!addresses) return connected;
  int error = ETIMEDOUT;
  for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
    if (Clock::now() >= deadline) break;
    const int fd = connectOne(*address, deadline, error);
    if (fd >= 0) {
      connected.fd = fd;
      connected.address = addressText(address->ai_addr, address->ai_addrlen);
      return connected;
    }
  }
  connected.error = systemErrorText(error);
  return connected;
}

LineStatus sendAll(int fd, std::span<const std::uint8_t> bytes, Clock::time_point deadline,
                   int& error) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno != EAGAIN && errno != EINTR) {
      error = errno;
      return LineStatus::kLost;
    }
    const int left = msUntil(deadline);
    if (left == 0) return LineStatus::kTimeout;
    pollfd wanted{fd, POLLOUT, 0};
    if (::poll(&wanted, 1, left) < 0 && errno != EINTR) {
      error = errno;
      return LineStatus::kLost;
    }
  }
  return LineStatus::kOk;
}

bool dropWaiting(int fd, std::size_t limit) {
  std::uint8_t buffer[4096];
  for (std::size_t dropped = 0; dropped < limit;) {
    const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, limit - dropped), MSG_DONTWAIT);
    if (got > 0) {
      dropped += static_cast<std::size_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}

Listening listenTcp(const std::string& host, std::uint16_t port) {
  Listening listening;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
      status != 0) {
    listening.error = "cannot look up " + host + ": " + ::gai_strerror(status);
    return listening;
  }
  const AddressList addresses(found);
  int error = 0;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const int fd =
        ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      error = errno;
      continue;
    }
    setOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    if (::bind(fd, address->ai_addr, address->ai_addrlen) != 0 || ::listen(fd, 4) != 0) {
      error = errno;
      ::close(fd);
      continue;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    listening.fd = fd;
    listening.address = addressText(reinterpret_cast<sockaddr*>(&bound), length);
    return listening;
  }
  listening.error = "cannot listen on " + host + " port " + service + ": " + systemErrorText(error);
  return listening;
}

int acceptTcp(int listeningFd) {
  const int fd = ::accept4(listeningFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd >= 0) tune(fd);
  return fd;
}

}  // namespace fp::line
