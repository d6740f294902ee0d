#include "tests/library/fake_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace fp::testing {
namespace {

int listenOnLoopback(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on the loopback interface");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

FakeServer::FakeServer(Script script) : script_(std::move(script)) {
  listening_ = listenOnLoopback(port_);
  thread_ = std::thread([this] { run(); });
}

FakeServer::~FakeServer() {
  stopping_ = true;
  thread_.join();
  ::close(listening_);
}

std::string FakeServer::target(const char* scheme) const {
  return std::string(scheme) + ":127.0.0.1:" + std::to_string(port_);
}

void FakeServer::run() {
  while (!stopping_) {
    pollfd waiting{listening_, POLLIN, 0};
    if (::poll(&waiting, 1, 20) <= 0) continue;
    const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    script_(fd, stopping_);
    ::close(fd);
  }
}

bool readFor(int fd, int timeoutMs, protocol::Bytes& out) {
  pollfd wanted{fd, POLLIN, 0};
  if (::poll(&wanted, 1, timeoutMs) <= 0) return true;
  std::uint8_t buffer[4096];
  const ssize_t got = ::read(fd, buffer, sizeof buffer);
  if (got <= 0) return false;
  out.insert(out.end(), buffer, buffer + got);
  return true;
}

void writeBytes(int fd, const protocol::Bytes& bytes) {
  (void)!::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

void resetConnection(int fd) {
  const linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

std::uint16_t closedPort() {
  std::uint16_t port = 0;
  ::close(listenOnLoopback(port));
  return port;
}

}  // namespace fp::testing
