#include "simulator/link/stop_request.h"

#include <algorithm>
#include <csignal>
#include <ctime>

namespace sim {
namespace {

volatile std::sig_atomic_t stopSignalNumber = 0;
volatile std::sig_atomic_t stopFlag = 0;
volatile std::sig_atomic_t commandEnded = 0;

// Longest single sleep: bounds the time a signal that arrives just before a
// sleep begins can go unnoticed.
constexpr auto kSlice = std::chrono::milliseconds(20);

}  // namespace

void requestStop(int signalNumber) {
  if (stopFlag == 0) stopSignalNumber = signalNumber;
  stopFlag = 1;
}

void noteCommandEnded() {
  commandEnded = 1;
}

bool stopRequested() {
  return stopFlag != 0 || commandEnded != 0;
}

int stopSignal() {
  return stopSignalNumber;
}

bool sleepUntil(std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  while (!stopRequested()) {
    const auto left = deadline - steady_clock::now();
    if (left <= steady_clock::duration::zero()) return true;
    const auto slice = duration_cast<nanoseconds>(std::min<steady_clock::duration>(left, kSlice));
    const timespec pause{0, static_cast<long>(slice.count())};
    ::nanosleep(&pause, nullptr);  // a signal ends it early (no restart): the loop looks again
  }
  return false;
}

bool sleepFor(std::chrono::milliseconds duration) {
  return sleepUntil(std::chrono::steady_clock::now() + duration);
}

}  // namespace sim
