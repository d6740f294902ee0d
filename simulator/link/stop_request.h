// A request from outside (a signal) to stop: every wait of the printer ends
// early once it is made, so the process can end at any moment.
#pragma once

#include <chrono>

namespace sim {

// Records that `signalNumber` asked the printer to stop. Async-signal-safe.
void requestStop(int signalNumber);

// Records that the command run under --exec has ended: nobody is left to answer,
// so every wait ends as for a stop, but no signal is recorded. Async-signal-safe.
void noteCommandEnded();

// True once a stop has been requested or the command has ended.
bool stopRequested();

// The signal that asked for the stop first, 0 when none has.
int stopSignal();

// Sleeps until `deadline`, waking at least every 20 ms to look for a stop
// request. True when the deadline was reached, false when cut short by a stop.
bool sleepUntil(std::chrono::steady_clock::time_point deadline);

// The same for a duration in milliseconds.
bool sleepFor(std::chrono::milliseconds duration);

}  // namespace sim
