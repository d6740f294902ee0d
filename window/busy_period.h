// The time during which the window is blocked by an event being handled (a
// printer call can take seconds, and a Z closing cannot be undone).
#pragma once

#include <QObject>

namespace console {

// While a BusyPeriod lives, the busy cursor shows and no mouse or key input
// reaches any window of the application. Input given meanwhile is queued by the
// window system and would otherwise run after the call: an impatient double
// click would run a command twice. discardQueuedInput() fetches and drops that
// input; the cursor returns when the period ends, and input from then on is
// delivered as usual.
class BusyPeriod final : public QObject {
 public:
  BusyPeriod();
  ~BusyPeriod() override;
  BusyPeriod(const BusyPeriod&) = delete;
  BusyPeriod& operator=(const BusyPeriod&) = delete;

  // Waits for the window system to hand over everything it has queued for the
  // application (one round trip), and handles it: input is dropped, everything
  // else (painting, a close request) is handled as usual.
  void discardQueuedInput();

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;
};

}  // namespace console
