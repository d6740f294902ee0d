// Helpers shared by the window suites: expected pixels at 96 dots per inch and
// clicks that reach the window by position, as an operator's clicks do.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QRect>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "window/main_window.h"
#include "form/main_form.h"

namespace window_test {

// At 96 dots per inch, 15 twips make one pixel.
inline QRect pixelsAt96(const console::TwipRect& twips) {
  return QRect(twips.left / 15, twips.top / 15, twips.width / 15, twips.height / 15);
}

// A click at `point` of the window's client area, delivered to the window (not
// to a widget), so that the toolkit routes it to whatever lies on top there.
inline void clickAt(console::MainWindow& window, QPoint point,
                    Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(window.windowHandle(), button, Qt::KeyboardModifiers(), point);
}

// The middle of the control called `name`, in client-area pixels.
inline QPoint middleOf(const console::MainWindow& window, const char* name) {
  return window.widget(name)->geometry().center();
}

// What the display control called `name` shows: a label's caption or the edit
// box's text.
inline QString shownBy(const console::MainWindow& window, const char* name) {
  const QWidget* widget = window.widget(name);
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return qobject_cast<const QLineEdit*>(widget)->text();
}

// A left click in the middle of the control called `name`, made only when that
// control is on top there (CmCommand1 lies under CmCommand3); false otherwise.
inline bool clickOnTop(console::MainWindow& window, const char* name) {
  const QPoint point = middleOf(window, name);
  if (window.childAt(point) != window.widget(name)) return false;
  clickAt(window, point);
  return true;
}

// A point where the click lands on the control called `name` itself (for a frame:
// a point inside it that no other control covers).
inline QPoint exposedPointOf(const console::MainWindow& window, const char* name) {
  const QWidget* target = window.widget(name);
  const QRect area = target->geometry();
  for (int y = area.top() + 2; y < area.bottom() - 2; y += 3) {
    for (int x = area.left() + 2; x < area.right() - 2; x += 3) {
      if (window.childAt(x, y) == target) return QPoint(x, y);
    }
  }
  return QPoint(-1, -1);
}

// Names of the controls of one kind, in form order.
inline std::vector<const console::ControlDefinition*> controlsOfKind(console::ControlKind kind) {
  std::vector<const console::ControlDefinition*> out;
  for (const auto& control : console::mainForm().controls) {
    if (control.kind == kind) out.push_back(&control);
  }
  return out;
}

}  // namespace window_test
