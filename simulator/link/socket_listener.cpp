#include "simulator/link/socket_listener.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "line/socket_line.h"

namespace sim {
namespace {

namespace telnet = fp::line::telnet;

// Telnet answers are a few bytes; a client that does not take them within
// this is not reading at all.
constexpr std::chrono::milliseconds kAnswerTimeout{100};

}  // namespace

std::unique_ptr<SocketListener> SocketListener::open(const fp::line::Target& target,
                                                     std::string& error) {
  const fp::line::Listening listening = fp::line::listenTcp(target.host, target.port);
  if (listening.fd < 0) {
    error = listening.error;
    return nullptr;
  }
  const bool telnet = target.kind == fp::line::TargetKind::kRfc2217;
  return std::unique_ptr<SocketListener>(new SocketListener(
      listening.fd, telnet, std::string(telnet ? "rfc2217:" : "tcp:") + listening.address));
}

SocketListener::~SocketListener() {
  dropClient();
  if (listening_ >= 0) ::close(listening_);
}

void SocketListener::addTo(std::vector<pollfd>& fds) const {
  fds.push_back(pollfd{listening_, POLLIN, 0});
  if (client_ >= 0) fds.push_back(pollfd{client_, POLLIN, 0});
}

void SocketListener::serve(std::span<const pollfd> ready, const Deliver& deliver) {
  bool newcomer = false;
  for (const pollfd& entry : ready) {
    if (entry.revents == 0) continue;
    if (entry.fd == client_) readClient(deliver);
    newcomer = newcomer || entry.fd == listening_;
  }
  if (newcomer) accept(deliver);
}

// Reads what the client has already sent, up to its end if it has left: a
// host that sent its last bytes, hung up and connected again at once is then
// gone before the newcomer is judged, and the newcomer is served. Bounded: a
// client that keeps sending stays the client.
void SocketListener::catchUp(const Deliver& deliver) {
  constexpr int kReads = 16;
  for (int read = 0; read < kReads && client_ >= 0; ++read) {
    pollfd waiting{client_, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0) return;
    readClient(deliver);
  }
}

void SocketListener::accept(const Deliver& deliver) {
  // Every waiting connection is taken: one becomes the client when there is
  // none, the others are closed at once. Several may wait: a host that
  // connected, spoke and left, then came again, is served the second time.
  for (int fd = fp::line::acceptTcp(listening_); fd >= 0; fd = fp::line::acceptTcp(listening_)) {
    catchUp(deliver);
    if (client_ >= 0) {
      ::close(fd);
      continue;
    }
    client_ = fd;
    decoder_.reset();
    if (telnet_) {
      comPort_ = std::make_unique<telnet::ComPortServer>();
      send(comPort_->opening());
    }
  }
}

void SocketListener::readClient(const Deliver& deliver) {
  std::uint8_t buffer[4096];
  const ssize_t got = ::read(client_, buffer, sizeof buffer);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0) {
    dropClient();  // gone: closed, reset or failed
    return;
  }
  const std::span<const std::uint8_t> bytes(buffer, static_cast<std::size_t>(got));
  if (!telnet_) {
    deliver(bytes);
    return;
  }
  telnet::Bytes data;
  std::vector<telnet::Event> events;
  decoder_.feed(bytes, data, events);
  telnet::Bytes answer;
  for (const telnet::Event& event : events) comPort_->take(event, answer);
  send(answer);
  if (!data.empty()) deliver(data);
}

void SocketListener::send(const telnet::Bytes& bytes) {
  if (bytes.empty() || client_ < 0) return;
  int error = 0;
  if (fp::line::sendAll(client_, bytes, std::chrono::steady_clock::now() + kAnswerTimeout, error) ==
      fp::line::LineStatus::kLost) {
    dropClient();
  }
}

void SocketListener::dropClient() {
  if (client_ < 0) return;
  ::close(client_);
  client_ = -1;
  comPort_.reset();
}

}  // namespace sim
