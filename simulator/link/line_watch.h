// What the line tells whoever watches the printer: every frame received and
// every byte run sent, and every command executed or refused. Called on the
// line's thread only; it must not wait. received() and sent() come only while
// active(), so that nothing is made for nobody; executed() comes for every
// command, so that the watch can keep what it needs between watchers.
#pragma once

#include <cstdint>
#include <span>

#include "simulator/link/fault_injector.h"
#include "simulator/link/printer_wire.h"
#include "simulator/model/command.h"

namespace sim {

class LineWatch {
 public:
  virtual ~LineWatch() = default;
  virtual bool active() const = 0;
  // A frame as decoded, before it is answered; `repeat`: a retransmission of
  // the last command answered.
  virtual void received(const WireEvent& event, bool repeat) = 0;
  // Bytes the printer wrote: a link byte or a frame, damaged by `fault`;
  // `complete` is false when a stop or a power cut left some of them unsent.
  virtual void sent(std::span<const std::uint8_t> bytes, Fault fault, bool complete) = 0;
  // A command executed or refused (an unreadable one and a handshake too),
  // with its reply, right after it has taken effect and before a long
  // command's wait. Not for a repeat answered from the stored reply.
  virtual void executed(const WireEvent& event, const Reply& reply) = 0;
};

}  // namespace sim
