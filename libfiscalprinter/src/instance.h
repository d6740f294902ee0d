// The process's one PrinterSession and the lock every entry point holds for its
// whole call, kept usable across fork().
//
// A host may fork while another of its threads is inside a call (a Z closing
// takes seconds): the child inherits the lock held by a thread it does not
// have, and the parent's port. So the child does not wait for that lock: a
// pthread_atfork handler, which may only do async-signal-safe work, resets the
// lock in place, closes the child's copies of the port and trace descriptors
// (the parent keeps its own, and the port's flock with them) and sets the
// parent's instance aside, never touched again. The child's first call then
// builds a fresh instance (no port, default settings), which says it was forked
// (FP_FORKED, and a trace note at its first OpenPort).
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace fp::lib {

class PrinterSession;

// Holds the call lock from construction to destruction and hands out the
// instance, made on first use.
class SessionCall {
 public:
  SessionCall() noexcept;
  ~SessionCall();
  SessionCall(const SessionCall&) = delete;
  SessionCall& operator=(const SessionCall&) = delete;

  // The instance, or null when it cannot be made (out of memory).
  PrinterSession* session() noexcept;

 private:
  std::uint64_t generation_;  // the lock's generation when taken: a fork renews it
};

}  // namespace fp::lib
