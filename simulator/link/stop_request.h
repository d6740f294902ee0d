// A request from outside (a signal) to stop: every wait of the printer ends
// early once it is made, so the process can end at any moment. Also what the
// line's thread does while it waits, and the power cut, which ends every wait
// early as a stop does while the process goes on.
#pragma once

#include <chrono>
#include <functional>

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

// Cuts the power (true) or gives it back (false). While it is cut, every wait
// ends early and nothing more is written to the line. The line's thread only.
void setPowerCut(bool cut);

// True when waits end early: a stop, the command's end, or a power cut.
bool waitsCutShort();

// Work the line's thread does while it waits: at every slice of a wait (the
// Z closing, a reply delay, line pacing, a blocked write), so at least every
// 20 ms. Set once before the line starts (empty: none). It must not wait
// itself; it may cut the power. Waits inside the execution of a command (a
// paper file that blocks) never call it, so it never sees a command half done.
void setWaitWork(std::function<void()> work);

// Runs the wait work (not again from inside itself).
void doWaitWork();

// Sleeps until `deadline`, waking at least every 20 ms to look for a stop
// request and to do the wait work. True when the deadline was reached, false
// when cut short by a stop or a power cut.
bool sleepUntil(std::chrono::steady_clock::time_point deadline);

// The same for a duration in milliseconds.
bool sleepFor(std::chrono::milliseconds duration);

}  // namespace sim
