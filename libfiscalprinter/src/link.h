// The host's side of one command exchange: send the command frame, wait for the
// printer's ACK (or NAK, or "still working"), then for the reply frame with the
// same sequence number. A NAK, a damaged or cut-short reply, or silence makes the
// host send the very same frame again (same sequence number, so the printer
// answers a repeat from its stored reply and never executes it twice), at most
// `transmissions` times in all.
//
// Waits (docs/library.md): after a transmission, `ack` (plus the frame's line
// time) for the first answer; after the first ACK, `response` (and one byte gap)
// for a DC2 or the start of the reply; after each DC2, the same, but never past
// `maxWorking` after the command's first DC2. Inside a frame, `interByte` between
// bytes and `frame` (plus its line time) for the whole frame. Everything within
// one overall deadline per command. ACKs after the first, NAKs, noise and frames
// for other sequence numbers never extend a wait. Time is the transport's (Transport::now).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "libfiscalprinter/src/trace.h"
#include "libfiscalprinter/src/transport.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/wire.h"

namespace fp::lib {

using std::chrono::milliseconds;

struct LinkTiming {
  milliseconds ack = protocol::kAckTimeout;
  milliseconds response = protocol::kResponseTimeout;
  milliseconds interByte = protocol::kInterByteTimeout;
  milliseconds frame = protocol::kFrameTimeout;
  milliseconds maxWorking = protocol::kMaxWorkingTime;
  milliseconds command = protocol::kCommandLimit;
  milliseconds handshake = protocol::kHandshakeLimit;
  milliseconds writeSlack{1000};  // time for the driver to take a frame, beyond its line time
  int transmissions = protocol::kMaxTransmissions;
  int bitsPerSecond = 9600;  // to allow for the time a frame takes on the line
};

enum class LinkOutcome {
  kReplied,  // a reply with the command's sequence number arrived intact
  kSilent,   // no reply: the last transmission met silence, or the printer worked too long
  kDamaged,  // NAKs or damaged replies, and no intact reply
  kLost,     // the device failed; nothing more can be done on it
};

struct Exchange {
  LinkOutcome outcome = LinkOutcome::kSilent;
  protocol::ReplyMessage reply;  // kReplied only
  int transmissions = 0;         // how often the frame was sent
};

class Link {
 public:
  Link(Transport& port, Trace& trace) : port_(port), trace_(trace) {}

  void setTiming(const LinkTiming& timing) { timing_ = timing; }

  // Sends `command` under the next sequence number and waits for its reply, within
  // the overall deadline of a command. The command must be within the protocol's limits.
  Exchange transact(protocol::CommandMessage command);
  // The opening handshake: all of it within `handshake` from `start` (when
  // OpenPort began: a network connection's time counts), each transmission
  // waiting an equal share of it for a first answer (a printer may be waking up).
  Exchange handshake(Clock::time_point start);

  // The overall deadline of a command whose frame is `frameBytes` long, from its start.
  milliseconds commandLimit(std::size_t frameBytes) const;

 private:
  enum class Pump { kEvents, kTimeout, kTruncated, kLost };

  struct Plan {
    Clock::time_point deadline;
    milliseconds firstAnswer;
  };

  // How long the current transmission may still wait for the printer.
  struct Waiting {
    Clock::time_point limit;
    bool acknowledged = false;
  };

  Exchange exchange(protocol::CommandMessage command, const Plan& plan);
  // One transmission of `frame` and the wait for its answer.
  LinkOutcome attempt(const protocol::Bytes& frame, std::uint8_t sequence, const Plan& plan,
                      protocol::ReplyMessage& reply);
  // Applies what arrived; an outcome once the transmission is decided.
  std::optional<LinkOutcome> take(const std::vector<protocol::DecodedEvent>& events,
                                  std::uint8_t sequence, Waiting& waiting,
                                  protocol::ReplyMessage& reply);
  Pump pump(Clock::time_point limit, Clock::time_point deadline,
            std::vector<protocol::DecodedEvent>& events);
  // Forgets a partial frame and drops (tracing them) the bytes already received.
  void startClean();
  bool workedTooLong() const;
  milliseconds lineTime(std::size_t bytes) const;
  // What is left of the time until `limit`, in whole milliseconds (0 once it has passed).
  milliseconds until(Clock::time_point limit) const;
  milliseconds frameLimit() const;
  milliseconds replyWait() const;
  void flushReceived();

  Transport& port_;
  Trace& trace_;
  LinkTiming timing_;
  protocol::FrameDecoder decoder_;
  protocol::Bytes received_;  // raw bytes not yet traced
  Clock::time_point frameStart_;
  std::optional<Clock::time_point> workingSince_;  // the command's first DC2
  std::uint8_t sequence_ = 0;
};

}  // namespace fp::lib
