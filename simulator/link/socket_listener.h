// The virtual printer on a TCP port (--listen): raw bytes (tcp:) or telnet
// with COM port control (rfc2217:), one client at a time. A client that comes
// while another is connected is accepted and closed at once, so it learns at
// its first read that the port is taken. A client that goes away leaves the
// printer as a cut serial line would: a frame half received stays half
// received until the next one starts.
#pragma once

#include <poll.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "line/net_target.h"
#include "line/telnet.h"

namespace sim {

class SocketListener {
 public:
  using Deliver = std::function<void(std::span<const std::uint8_t>)>;

  // Listens on the target's host and port (0: a free one); nothing with
  // `error` set when it cannot.
  static std::unique_ptr<SocketListener> open(const fp::line::Target& target, std::string& error);
  ~SocketListener();
  SocketListener(const SocketListener&) = delete;
  SocketListener& operator=(const SocketListener&) = delete;

  // The target a host opens, with the port actually bound ("tcp:127.0.0.1:40123").
  const std::string& target() const { return target_; }
  bool telnet() const { return telnet_; }
  // The connected client's socket, -1 when none.
  int clientFd() const { return client_; }

  // The descriptors to wait on: the listening socket and the client's.
  void addTo(std::vector<pollfd>& fds) const;
  // After a poll of those (`ready`, in the same order): takes a new client or
  // turns it away, reads the client's bytes, answers its telnet commands, and
  // hands the printer's data to `deliver`.
  void serve(std::span<const pollfd> ready, const Deliver& deliver);

 private:
  SocketListener(int fd, bool telnet, std::string target)
      : listening_(fd), telnet_(telnet), target_(std::move(target)) {}
  void accept(const Deliver& deliver);
  void catchUp(const Deliver& deliver);
  void readClient(const Deliver& deliver);
  void dropClient();
  void send(const fp::line::telnet::Bytes& bytes);

  int listening_ = -1;
  int client_ = -1;
  bool telnet_ = false;
  std::string target_;
  fp::line::telnet::Decoder decoder_;
  std::unique_ptr<fp::line::telnet::ComPortServer> comPort_;
};

}  // namespace sim
