#include "window/busy_period.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>

namespace console {
namespace {

// Mouse buttons, wheel, keys, touch and pen: whatever could press a button or
// change the focus. Pointer motion is harmless and keeps hover effects right.
bool isOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

BusyPeriod::BusyPeriod() {
  QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  QCoreApplication::instance()->installEventFilter(this);
}

BusyPeriod::~BusyPeriod() {
  QCoreApplication::instance()->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

void BusyPeriod::discardQueuedInput() {
  // Handles what is already queued, asks the window system for a reply (so that
  // every event it sent before lies in our queue), and handles the queue again.
  QGuiApplication::sync();
}

bool BusyPeriod::eventFilter(QObject* receiver, QEvent* event) {
  if (isOperatorInput(event->type())) return true;
  return QObject::eventFilter(receiver, event);
}

}  // namespace console
