#include "libfiscalprinter/src/link.h"

#include <algorithm>
#include <string>

#include "protocol/trace_notes.h"

namespace fp::lib {
namespace {

using protocol::DecodedEvent;
using protocol::FrameError;

// Noise that does not touch a frame we could still receive.
bool harmless(FrameError error) {
  return error == FrameError::StrayByte || error == FrameError::Interrupted;
}

// Received bytes are traced frame by frame, or in pieces of this size at most.
constexpr std::size_t kTraceChunk = 4096;
// Stale input read (and traced) before a transmission; the rest is flushed unseen.
constexpr std::size_t kStaleTraced = 16384;
// The longest frame on the line: every body byte and CRC byte escaped, STX, ETX.
constexpr std::size_t kLongestFrame = 2 * protocol::kMaxBody + 2;

}  // namespace

milliseconds Link::until(Clock::time_point limit) const {
  return std::max(milliseconds{0}, std::chrono::ceil<milliseconds>(limit - port_.now()));
}

milliseconds Link::lineTime(std::size_t bytes) const {
  const long long rate = std::max(timing_.bitsPerSecond, 1);
  return milliseconds{static_cast<long long>(bytes) * 10 * 1000 / rate + 1};
}

// The printer starts its reply (or the next DC2) within `response`; the host allows
// one byte gap more for the time the byte takes to reach it and be seen, so that a
// printer answering just inside its bound is not sent the frame again.
milliseconds Link::replyWait() const {
  return timing_.response + timing_.interByte;
}

milliseconds Link::frameLimit() const {
  return timing_.frame + lineTime(kLongestFrame);
}

milliseconds Link::commandLimit(std::size_t frameBytes) const {
  return timing_.command + timing_.transmissions * (lineTime(frameBytes) + lineTime(kLongestFrame));
}

void Link::flushReceived() {
  trace_.received(received_);
  received_.clear();
}

bool Link::workedTooLong() const {
  return workingSince_ && port_.now() >= *workingSince_ + timing_.maxWorking;
}

void Link::startClean() {
  decoder_.reset();
  flushReceived();
  std::size_t staleBytes = 0;
  protocol::Bytes chunk;
  while (staleBytes < kStaleTraced) {
    chunk.clear();
    if (port_.readSome(chunk, milliseconds{0}) != IoStatus::kOk || chunk.empty()) break;
    staleBytes += chunk.size();
    received_.insert(received_.end(), chunk.begin(), chunk.end());
    if (received_.size() > kTraceChunk) flushReceived();
  }
  flushReceived();
  if (staleBytes > 0) trace_.note(protocol::note::kStaleInput);
  port_.discardInput();
}

Exchange Link::transact(protocol::CommandMessage command) {
  protocol::Bytes body;
  protocol::encodeCommand(command, body);
  const std::size_t frameBytes = 2 * body.size() + 6;  // at most, escaped with its CRC
  return exchange(std::move(command), Plan{port_.now() + commandLimit(frameBytes), timing_.ack});
}

Exchange Link::handshake(Clock::time_point start) {
  const int shares = std::max(timing_.transmissions, 1);
  return exchange(protocol::CommandMessage{0, protocol::kHelloCommand, 0, {}},
                  Plan{start + timing_.handshake, timing_.handshake / shares});
}

Exchange Link::exchange(protocol::CommandMessage command, const Plan& plan) {
  sequence_ = static_cast<std::uint8_t>(sequence_ + 1);
  command.sequence = sequence_;
  protocol::Bytes body;
  protocol::encodeCommand(command, body);
  const protocol::Bytes frame = protocol::encodeFrame(body);

  workingSince_.reset();
  Exchange exchange;
  bool damaged = false;
  for (int sent = 0; sent < timing_.transmissions; ++sent) {
    if (sent > 0) {
      if (port_.now() >= plan.deadline) break;
      if (workedTooLong()) {
        trace_.note(protocol::note::stillWorking(
            std::chrono::duration_cast<std::chrono::seconds>(timing_.maxWorking).count()));
        break;
      }
      trace_.note(protocol::note::resending(sequence_));
    }
    startClean();  // whatever came before belongs to nothing we wait for
    exchange.transmissions = sent + 1;
    const LinkOutcome outcome = attempt(frame, sequence_, plan, exchange.reply);
    if (outcome == LinkOutcome::kReplied || outcome == LinkOutcome::kLost) {
      exchange.outcome = outcome;
      return exchange;
    }
    damaged = damaged || outcome == LinkOutcome::kDamaged;
  }
  decoder_.reset();
  flushReceived();
  exchange.outcome = damaged ? LinkOutcome::kDamaged : LinkOutcome::kSilent;
  trace_.note(damaged ? protocol::note::kDamagedFrames : protocol::note::kNoAnswer);
  return exchange;
}

LinkOutcome Link::attempt(const protocol::Bytes& frame, std::uint8_t sequence, const Plan& plan,
                          protocol::ReplyMessage& reply) {
  trace_.sent(frame);
  const milliseconds onLine = lineTime(frame.size());
  const milliseconds writeTime = std::min(timing_.writeSlack + onLine, until(plan.deadline));
  if (port_.writeAll(frame, writeTime) != IoStatus::kOk) {
    trace_.note(protocol::note::kWriteFailed);
    return LinkOutcome::kLost;
  }
  Waiting waiting{port_.now() + plan.firstAnswer + onLine};
  std::vector<DecodedEvent> events;
  for (;;) {
    events.clear();
    switch (pump(std::min(waiting.limit, plan.deadline), plan.deadline, events)) {
      case Pump::kLost:
        trace_.note(protocol::note::kLineLost);
        return LinkOutcome::kLost;
      case Pump::kTruncated:
        trace_.note(protocol::note::kReplyCutShort);
        return LinkOutcome::kDamaged;
      case Pump::kTimeout:
        return LinkOutcome::kSilent;
      case Pump::kEvents:
        break;
    }
    if (const auto outcome = take(events, sequence, waiting, reply)) return *outcome;
  }
}

std::optional<LinkOutcome> Link::take(const std::vector<DecodedEvent>& events,
                                      std::uint8_t sequence, Waiting& waiting,
                                      protocol::ReplyMessage& reply) {
  bool damaged = false;
  for (const DecodedEvent& event : events) {
    switch (event.kind) {
      case DecodedEvent::Kind::Ack:
        // Only the first ACK of a transmission opens the wait for the reply; more
        // of them (a flood, or a stray 0x06) change nothing.
        if (!waiting.acknowledged) waiting.limit = port_.now() + replyWait();
        waiting.acknowledged = true;
        break;
      case DecodedEvent::Kind::Working: {
        const Clock::time_point now = port_.now();
        if (!workingSince_) workingSince_ = now;
        const Clock::time_point workEnd = *workingSince_ + timing_.maxWorking;
        if (now < workEnd) waiting.limit = std::min(now + replyWait(), workEnd);
        waiting.acknowledged = true;
        break;
      }
      case DecodedEvent::Kind::Nak:
        damaged = true;
        break;
      case DecodedEvent::Kind::Error:
        if (harmless(event.error)) break;  // the bytes themselves are in the trace
        damaged = true;
        trace_.note(std::string(protocol::frameErrorText(event.error)));
        break;
      case DecodedEvent::Kind::Frame:
        if (protocol::parseReply(event.body, reply) != protocol::MessageError::None) {
          trace_.note(protocol::note::kUnreadableReply);
          damaged = true;
        } else if (reply.sequence == sequence) {
          return LinkOutcome::kReplied;
        } else {
          trace_.note(protocol::note::ignoringReply(reply.sequence));
        }
        break;
    }
  }
  if (damaged) return LinkOutcome::kDamaged;
  return std::nullopt;
}

// Reads until something decodes. Outside a frame it waits until `limit`; inside
// one, `interByte` between bytes and frameLimit() for the whole frame (so a reply
// that started in time may finish after `limit`), never past `deadline`. A frame
// begun after `limit` (one cut short by a new frame start, say) is timed from
// `limit`, so a stream of frame starts cannot stretch the wait beyond one frame.
Link::Pump Link::pump(Clock::time_point limit, Clock::time_point deadline,
                      std::vector<DecodedEvent>& events) {
  protocol::Bytes chunk;
  while (events.empty()) {
    const bool inFrame = decoder_.inFrame();
    const milliseconds wait =
        inFrame ? std::min({timing_.interByte, until(std::min(frameStart_, limit) + frameLimit()),
                            until(deadline)})
                : until(limit);
    if (wait.count() == 0) {
      flushReceived();
      if (!inFrame) return Pump::kTimeout;
      decoder_.reset();
      return Pump::kTruncated;
    }
    chunk.clear();
    const IoStatus status = port_.readSome(chunk, wait);
    if (status == IoStatus::kLost) {
      flushReceived();
      return Pump::kLost;
    }
    if (status == IoStatus::kTimeout && inFrame) {
      flushReceived();
      decoder_.reset();
      return Pump::kTruncated;
    }
    received_.insert(received_.end(), chunk.begin(), chunk.end());
    if (received_.size() > kTraceChunk) flushReceived();
    decoder_.feed(chunk, events);
    // A frame that began in this chunk (after another ended, perhaps) is timed from now.
    if (decoder_.inFrame() && (!inFrame || !events.empty())) frameStart_ = port_.now();
  }
  if (!decoder_.inFrame()) flushReceived();
  return Pump::kEvents;
}

}  // namespace fp::lib
