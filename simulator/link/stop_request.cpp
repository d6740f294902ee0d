#include "simulator/link/stop_request.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <utility>

namespace sim {
namespace {

volatile std::sig_atomic_t stopSignalNumber = 0;
volatile std::sig_atomic_t stopFlag = 0;
volatile std::sig_atomic_t commandEnded = 0;

// The line's thread's own state: no other thread reads or writes it.
bool powerCut = false;
std::function<void()>& waitWork() {
  static std::function<void()> work;
  return work;
}
bool inWaitWork = false;

// Longest single sleep: bounds the time a signal that arrives just before a
// sleep begins can go unnoticed, and the time between two rounds of wait work.
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

void setPowerCut(bool cut) {
  powerCut = cut;
}

bool waitsCutShort() {
  return powerCut || stopRequested();
}

void setWaitWork(std::function<void()> work) {
  waitWork() = std::move(work);
}

void doWaitWork() {
  if (inWaitWork || !waitWork()) return;
  inWaitWork = true;
  waitWork()();
  inWaitWork = false;
}

bool sleepUntil(std::chrono::steady_clock::time_point deadline) {
  using namespace std::chrono;
  while (true) {
    doWaitWork();
    if (waitsCutShort()) return false;
    const auto left = deadline - steady_clock::now();
    if (left <= steady_clock::duration::zero()) return true;
    const auto slice = duration_cast<nanoseconds>(std::min<steady_clock::duration>(left, kSlice));
    const timespec pause{0, static_cast<long>(slice.count())};
    ::nanosleep(&pause, nullptr);  // a signal ends it early (no restart): the loop looks again
  }
}

bool sleepFor(std::chrono::milliseconds duration) {
  return sleepUntil(std::chrono::steady_clock::now() + duration);
}

}  // namespace sim
