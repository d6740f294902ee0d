#include "tests/library/fake_printer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "protocol/wire.h"

namespace fp::testing {

protocol::Bytes replyFrame(std::uint8_t sequence, const Script& script,
                           std::optional<std::uint16_t> echoed) {
  protocol::ReplyMessage reply{sequence, script.printerStatus, script.fiscalStatus,
                               script.returnCode, script.replyFields};
  if (echoed) {
    char word[8];
    std::snprintf(word, sizeof word, "%04X", *echoed);
    reply.fields.insert(reply.fields.begin(), word);
  }
  protocol::Bytes body;
  protocol::encodeReply(reply, body);
  return protocol::encodeFrame(body);
}

FakePrinter::FakePrinter(Script script) : script_(std::move(script)) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  char name[128];
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
      ::ptsname_r(master_, name, sizeof name) != 0)
    throw std::runtime_error("no pseudo-terminal");
  device_ = name;
  thread_ = std::thread([this] { run(); });
}

FakePrinter::~FakePrinter() {
  stop_ = true;
  thread_.join();
  if (master_ >= 0) ::close(master_);
}

std::vector<protocol::CommandMessage> FakePrinter::framesReceived() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

std::vector<protocol::CommandMessage> FakePrinter::executed() const {
  std::lock_guard lock(mutex_);
  return executed_;
}

bool FakePrinter::readCommands(int timeoutMs, std::vector<protocol::CommandMessage>& commands) {
  pollfd wanted{master_, POLLIN, 0};
  if (::poll(&wanted, 1, timeoutMs) <= 0) return true;
  std::uint8_t buffer[512];
  const ssize_t got = (wanted.revents & POLLIN) != 0 ? ::read(master_, buffer, sizeof buffer) : -1;
  if (got <= 0) return false;
  std::vector<protocol::DecodedEvent> events;
  decoder_.feed(std::span(buffer, static_cast<std::size_t>(got)), events);
  for (const protocol::DecodedEvent& event : events) {
    protocol::CommandMessage command;
    if (event.kind == protocol::DecodedEvent::Kind::Frame &&
        protocol::parseCommand(event.body, command) == protocol::MessageError::None)
      commands.push_back(std::move(command));
  }
  return true;
}

void FakePrinter::run() {
  std::vector<protocol::CommandMessage> commands;
  while (!stop_ && master_ >= 0) {
    if (vanishAsked_) return vanish();
    commands.clear();
    if (!readCommands(20, commands)) {  // no slave open at the moment
      ::usleep(10000);
      continue;
    }
    for (const protocol::CommandMessage& command : commands) {
      handle(command);
      if (master_ < 0) return;
    }
  }
}

void FakePrinter::record(const protocol::CommandMessage& command) {
  std::lock_guard lock(mutex_);
  frames_.push_back(command);
}

void FakePrinter::handle(const protocol::CommandMessage& command) {
  record(command);
  if (script_.silent) return;
  if (command.command == protocol::kHelloCommand) {
    lastSequence_.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::exchange(script_.helloDelayMs, 0)));
    send({protocol::kAck});
    Script hello = script_;
    hello.returnCode = script_.helloReturnCode;
    hello.replyFields = {};
    if (hello.returnCode == 0) hello.replyFields = {"FAKE PRINTER", "9.9"};
    send(replyFrame(command.sequence, hello));
    return;
  }
  if (script_.vanishOnCommand) return vanish();
  if (script_.nakFrames > 0) {
    --script_.nakFrames;
    return send({protocol::kNak});
  }
  if (script_.garbageFirst) send({'n', 'o', 'i', 's', 'e'});
  send({protocol::kAck});
  if (lastSequence_ == command.sequence) return sendReply(lastReply_);
  if (script_.babbleByte) return babble(command);
  answer(command);
}

void FakePrinter::babble(const protocol::CommandMessage& command) {
  const std::uint8_t byte = *std::exchange(script_.babbleByte, std::nullopt);
  if (script_.babbleInFrame) send({protocol::kFrameStart});
  std::optional<protocol::CommandMessage> next;
  while (!stop_ && !next && beats_ < script_.maxBeats) {
    if (script_.babbleFrameStarts) {
      send({protocol::kFrameStart, byte});
    } else {
      send({byte});
    }
    ++beats_;
    std::vector<protocol::CommandMessage> commands;
    readCommands(script_.babbleGapMs, commands);
    for (const protocol::CommandMessage& received : commands) {
      if (received.sequence == command.sequence)
        record(received);  // a repeat, while still busy
      else
        next = received;
    }
  }
  if (next) handle(*next);
}

void FakePrinter::answer(const protocol::CommandMessage& command) {
  {
    std::lock_guard lock(mutex_);
    executed_.push_back(command);
  }
  for (int beat = 0; beat < script_.workingBeats || (script_.holdWork && !released_ && !stop_);
       ++beat) {
    send({protocol::kWorking});
    std::this_thread::sleep_for(protocol::kWorkingInterval);
  }
  if (script_.staleReplyFirst)
    send(replyFrame(static_cast<std::uint8_t>(command.sequence + 100), script_));
  lastSequence_ = command.sequence;
  lastReply_ = replyFrame(command.sequence, script_,
                          script_.echoCommand ? std::optional(command.command) : std::nullopt);
  if (script_.slowReplies > 0) {
    --script_.slowReplies;
    return sendSlowly(lastReply_);
  }
  sendReply(lastReply_);
}

void FakePrinter::sendSlowly(const protocol::Bytes& frame) {
  std::this_thread::sleep_for(std::chrono::milliseconds(script_.replyDelayMs));
  for (std::uint8_t byte : frame) {
    send({byte});
    std::this_thread::sleep_for(std::chrono::milliseconds(script_.byteGapMs));
  }
}

void FakePrinter::sendReply(protocol::Bytes frame) {
  if (script_.dropReplies > 0) {
    --script_.dropReplies;
    return;
  }
  if (script_.truncateReplies > 0) {
    --script_.truncateReplies;
    frame.resize(frame.size() / 2);
  } else if (script_.oversizeReplies > 0) {
    --script_.oversizeReplies;
    frame.assign(2 * protocol::kMaxBody, 'A');
    frame.front() = protocol::kFrameStart;
    frame.back() = protocol::kFrameEnd;
  } else if (script_.corruptReplies > 0) {
    --script_.corruptReplies;
    // One bit of the CRC's last byte: a checksum or an escape error, whatever the byte was.
    frame[frame.size() - 2] ^= 0x01;
  }
  send(frame);
}

void FakePrinter::send(const protocol::Bytes& bytes) {
  if (master_ >= 0) (void)!::write(master_, bytes.data(), bytes.size());
}

void FakePrinter::vanish() {
  ::close(master_);
  master_ = -1;
  vanished_ = true;
}

bool FakePrinter::vanishNow() {
  vanishAsked_ = true;
  for (int i = 0; i < 5000 && !vanished_; ++i) ::usleep(1000);
  return vanished_;
}

}  // namespace fp::testing
