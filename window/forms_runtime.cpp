#include "window/forms_runtime.h"

#include <QApplication>

#include "window/busy_period.h"
#include "window/main_window.h"

namespace console {

QtFormsRuntime::QtFormsRuntime(const FormDefinition& form, EventEntry entry)
    : form_(form), entry_(std::move(entry)) {}

QtFormsRuntime::~QtFormsRuntime() = default;

void QtFormsRuntime::markMainProgram() {
  QApplication::setApplicationName(QStringLiteral("fiscal-console"));
}

std::int32_t QtFormsRuntime::run(int argc, char** argv) {
  int count = argc;
  QApplication application(count, argv);
  open();
  // The window may have been closed while it opened; the loop would then wait
  // for a window that is gone.
  const int result = phase_ == Phase::Open ? QApplication::exec() : 0;
  // The loop can also end without the window closing (a quit request); the
  // form still gets its closing event before the shell goes on.
  if (window_) window_->close();
  window_.reset();
  return result;
}

MainWindow& QtFormsRuntime::open() {
  window_ = std::make_unique<MainWindow>(form_);
  window_->setControlEventSink([this](ControlId id, EventId event) { onControlEvent(id, event); });
  window_->setCloseHandler([this] { onClose(); });
  showBeforeConnecting();
  phase_ = Phase::Open;
  deliver(form_.id, kFormOpened);
  if (closedWhileOpening_) onClose();
  return *window_;
}

// FormOpened connects to the printer, which blocks the window for up to the
// printer's answer deadline; the operator sees the form meanwhile, not an empty
// rectangle. Nothing typed or clicked before the form is usable takes effect.
void QtFormsRuntime::showBeforeConnecting() {
  BusyPeriod busy;
  window_->showPainted();
  busy.discardQueuedInput();
}

void QtFormsRuntime::onControlEvent(ControlId id, EventId event) {
  if (phase_ == Phase::Open) deliver(id, event);
}

void QtFormsRuntime::onClose() {
  // A close before FormOpened is handled once FormOpened has been: the events
  // keep their order.
  if (phase_ == Phase::Created) closedWhileOpening_ = true;
  if (phase_ != Phase::Open) return;
  phase_ = Phase::Closed;
  deliver(form_.id, kFormClosed);
}

// Input given while the event is handled is dropped, not run afterwards.
void QtFormsRuntime::deliver(ControlId id, EventId event) {
  BusyPeriod busy;
  const ControlId controlId = id;
  const EventId eventId = event;
  entry_(window_->controls(), controlId, eventId, 0, 0);
  busy.discardQueuedInput();
}

}  // namespace console
