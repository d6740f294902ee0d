// A host program at the level of frames on the simulator's pseudo-terminal:
// it picks every sequence number itself, as a new program on the port does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/message.h"
#include "tests/simulator/console_buttons.h"

namespace sim_test {

namespace wire = fp::protocol;

inline wire::Bytes frameFor(std::uint8_t sequence, const Button& button) {
  wire::Bytes body;
  wire::encodeCommand({sequence, button.word, button.extension, button.fields}, body);
  return wire::encodeFrame(body);
}

inline const Button kHello{wire::kHelloCommand, 0, {}, true};

class RawHost {
 public:
  explicit RawHost(const std::string& device)
      : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios settings{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &settings) == 0) {
      ::cfmakeraw(&settings);
      ::tcsetattr(fd_, TCSANOW, &settings);
    }
  }
  ~RawHost() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawHost(const RawHost&) = delete;
  RawHost& operator=(const RawHost&) = delete;

  bool isOpen() const { return fd_ >= 0; }

  // Sends `frame` up to three times, as a host does when nothing comes back
  // within a second, and returns the body of the first reply frame (empty
  // when none came).
  wire::Bytes exchange(const wire::Bytes& frame) {
    for (int sent = 0; sent < 3; ++sent) {
      if (::write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) break;
      if (wire::Bytes body = awaitReply(); !body.empty()) return body;
    }
    return {};
  }

  // Sends `frame` and waits until the printer says it is still working on it.
  bool sendUntilWorking(const wire::Bytes& frame) {
    if (::write(fd_, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
      return false;
    }
    for (const auto& event : awaitEvents(wire::DecodedEvent::Kind::Working)) {
      if (event.kind == wire::DecodedEvent::Kind::Working) return true;
    }
    return false;
  }

 private:
  // Reads events until one of `kind` arrives, or a second passes without a byte.
  std::vector<wire::DecodedEvent> awaitEvents(wire::DecodedEvent::Kind kind) {
    std::vector<wire::DecodedEvent> events;
    while (true) {
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, 1000) <= 0) return events;
      std::uint8_t bytes[256];
      const ssize_t count = ::read(fd_, bytes, sizeof bytes);
      if (count <= 0) return events;
      const std::size_t before = events.size();
      decoder_.feed(std::span(bytes, static_cast<std::size_t>(count)), events);
      for (std::size_t i = before; i < events.size(); ++i) {
        if (events[i].kind == kind) return events;
      }
    }
  }

  wire::Bytes awaitReply() {
    for (auto& event : awaitEvents(wire::DecodedEvent::Kind::Frame)) {
      if (event.kind == wire::DecodedEvent::Kind::Frame) return std::move(event.body);
    }
    return {};
  }

  int fd_;
  wire::FrameDecoder decoder_;
};

// The reply in a reply body; a reply with return code 0xFFFF when it is not one.
inline wire::ReplyMessage readReply(const wire::Bytes& body) {
  wire::ReplyMessage reply;
  if (wire::parseReply(body, reply) != wire::MessageError::None) reply.returnCode = 0xFFFF;
  return reply;
}

}  // namespace sim_test
