#include "libfiscalprinter/src/link.h"

#include <algorithm>
#include <string>

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

milliseconds until(Clock::time_point limit) {
  return std::max(milliseconds{0}, std::chrono::ceil<milliseconds>(limit - Clock::now()));
}

}  // namespace

milliseconds Link::lineTime(std::size_t bytes) const {
  const long long rate = std::max(timing_.bitsPerSecond, 1);
  return milliseconds{static_cast<long long>(bytes) * 10 * 1000 / rate + 1};
}

void Link::flushReceived() {
  trace_.received(received_);
  received_.clear();
}

Exchange Link::transact(protocol::CommandMessage command, Clock::time_point deadline) {
  sequence_ = static_cast<std::uint8_t>(sequence_ + 1);
  command.sequence = sequence_;
  protocol::Bytes body;
  protocol::encodeCommand(command, body);
  const protocol::Bytes frame = protocol::encodeFrame(body);

  port_.discardInput();
  decoder_.reset();
  received_.clear();
  Exchange exchange;
  bool damaged = false;
  for (int sent = 0; sent < timing_.transmissions; ++sent) {
    if (sent > 0) {
      if (Clock::now() >= deadline) break;
      trace_.note("resending sequence " + std::to_string(sequence_));
    }
    exchange.transmissions = sent + 1;
    const LinkOutcome outcome = attempt(frame, sequence_, deadline, exchange.reply);
    if (outcome == LinkOutcome::kReplied || outcome == LinkOutcome::kLost) {
      exchange.outcome = outcome;
      return exchange;
    }
    damaged = damaged || outcome == LinkOutcome::kDamaged;
  }
  decoder_.reset();
  exchange.outcome = damaged ? LinkOutcome::kDamaged : LinkOutcome::kSilent;
  trace_.note(damaged ? "giving up: damaged frames" : "giving up: no answer");
  return exchange;
}

LinkOutcome Link::attempt(const protocol::Bytes& frame, std::uint8_t sequence,
                          Clock::time_point deadline, protocol::ReplyMessage& reply) {
  trace_.sent(frame);
  const milliseconds onLine = lineTime(frame.size());
  if (port_.writeAll(frame, timing_.writeSlack + onLine) != IoStatus::kOk) {
    trace_.note("write failed");
    return LinkOutcome::kLost;
  }
  Waiting waiting{Clock::now() + timing_.ack + onLine, std::nullopt};
  std::vector<DecodedEvent> events;
  for (;;) {
    events.clear();
    switch (pump(std::min(waiting.limit, deadline), events)) {
      case Pump::kLost:
        trace_.note("line lost");
        return LinkOutcome::kLost;
      case Pump::kTruncated:
        trace_.note("reply cut short");
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
        waiting.limit = Clock::now() + timing_.response;
        break;
      case DecodedEvent::Kind::Working:
        if (!waiting.workingSince) waiting.workingSince = Clock::now();
        waiting.limit =
            std::min(Clock::now() + timing_.response, *waiting.workingSince + timing_.maxWorking);
        break;
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
          trace_.note("unreadable reply");
          damaged = true;
        } else if (reply.sequence == sequence) {
          return LinkOutcome::kReplied;
        } else {
          trace_.note("ignoring reply to sequence " + std::to_string(reply.sequence));
        }
        break;
    }
  }
  if (damaged) return LinkOutcome::kDamaged;
  return std::nullopt;
}

Link::Pump Link::pump(Clock::time_point limit, std::vector<DecodedEvent>& events) {
  protocol::Bytes chunk;
  while (events.empty()) {
    const milliseconds left = until(limit);
    if (left.count() == 0) {
      flushReceived();
      return Pump::kTimeout;
    }
    const bool inFrame = decoder_.inFrame();
    const milliseconds wait = inFrame ? std::min(left, timing_.interByte) : left;
    chunk.clear();
    const IoStatus status = port_.readSome(chunk, wait);
    if (status == IoStatus::kLost) {
      flushReceived();
      return Pump::kLost;
    }
    if (status == IoStatus::kTimeout && inFrame && wait < left) {
      flushReceived();
      decoder_.reset();
      return Pump::kTruncated;
    }
    received_.insert(received_.end(), chunk.begin(), chunk.end());
    if (received_.size() > kTraceChunk) flushReceived();
    decoder_.feed(chunk, events);
  }
  if (!decoder_.inFrame()) flushReceived();
  return Pump::kEvents;
}

}  // namespace fp::lib
