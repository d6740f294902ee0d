#include "window/forms_runtime.h"

#include <QApplication>
#include <QCursor>

#include "window/main_window.h"

namespace console {
namespace {

// The window is blocked while an event is handled (a printer call can take a
// while); the busy cursor says so.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

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
  const int result = QApplication::exec();
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
  window_->show();
  phase_ = Phase::Open;
  deliver(form_.id, kFormOpened);
  return *window_;
}

void QtFormsRuntime::onControlEvent(ControlId id, EventId event) {
  if (phase_ == Phase::Open) deliver(id, event);
}

void QtFormsRuntime::onClose() {
  if (phase_ != Phase::Open) return;
  phase_ = Phase::Closed;
  deliver(form_.id, kFormClosed);
}

void QtFormsRuntime::deliver(ControlId id, EventId event) {
  const BusyCursor busy;
  const ControlId controlId = id;
  const EventId eventId = event;
  entry_(window_->controls(), controlId, eventId, 0, 0);
}

}  // namespace console
