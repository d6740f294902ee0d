// The events the forms runtime hands to the event entry: FormOpened once before
// anything else, Click for a left click on a command button, SecondaryEvent for a
// right click, nothing for labels, frames and the text box, and FormClosed once
// when the window closes. A spy stands in for the event entry.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QTest>
#include <memory>
#include <vector>

#include "window/forms_runtime.h"
#include "window/main_window.h"
#include "tests/window/window_support.h"

using console::ControlDefinition;
using console::ControlKind;
using console::mainForm;

namespace {

struct Delivered {
  const console::ControlTable* table;
  console::ControlId control;
  console::EventId event;
  bool busyCursor;     // the wait cursor was showing during the call
  bool windowVisible;  // the window existed and was shown during the call
};

}  // namespace

class EventsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    events_.clear();
    forms_ = std::make_unique<console::QtFormsRuntime>(mainForm(), spyEntry());
  }
  void cleanup() { forms_.reset(); }

  void formOpenedOnceWhenTheWindowOpens() {
    console::MainWindow& window = forms_->open();
    QCOMPARE(events_.size(), std::size_t{1});
    QCOMPARE(events_[0].control, mainForm().id);
    QCOMPARE(events_[0].event, console::kFormOpened);
    QCOMPARE(events_[0].table, &window.controls());
    QVERIFY(events_[0].windowVisible);
    // The controls exist by then: the table reaches every one of them.
    for (int position = 0; position < console::ControlTable::kSize; ++position) {
      QVERIFY(window.controls().at(position) != nullptr);
    }
  }

  void leftClickRaisesClick_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("raisedBy");
    for (const auto* c : window_test::controlsOfKind(ControlKind::CommandButton)) {
      // A click at CmCommand1's place lands on "ABRIR TIQUE", which covers it.
      const auto* raiser = c->name == "CmCommand1" ? mainForm().find("CmCommand3") : c;
      QTest::newRow(c->name.data()) << QString(c->name.data()) << raiser->id;
    }
  }
  void leftClickRaisesClick() {
    QFETCH(QString, name);
    QFETCH(quint32, raisedBy);
    console::MainWindow& window = openWindow();
    window_test::clickAt(window, window_test::middleOf(window, name.toLatin1().constData()));
    QCOMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[1].control, raisedBy);
    QCOMPARE(events_[1].event, console::kClick);
    QCOMPARE(events_[1].table, &window.controls());
  }

  void rightClickOnAButtonRaisesSecondaryEvent() {
    console::MainWindow& window = openWindow();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand5"), Qt::RightButton);
    QCOMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[1].control, mainForm().find("CmCommand5")->id);
    QCOMPARE(events_[1].event, console::kSecondaryEvent);
  }

  void clickOnOtherControlsRaisesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("button");
    for (const ControlDefinition& c : mainForm().controls) {
      if (c.kind == ControlKind::CommandButton) continue;
      QTest::newRow((std::string(c.name) + " left").c_str())
          << QString(c.name.data()) << int(Qt::LeftButton);
      QTest::newRow((std::string(c.name) + " right").c_str())
          << QString(c.name.data()) << int(Qt::RightButton);
    }
    QTest::newRow("form background") << QString() << int(Qt::LeftButton);
  }
  void clickOnOtherControlsRaisesNothing() {
    QFETCH(QString, name);
    QFETCH(int, button);
    console::MainWindow& window = openWindow();
    const QPoint point = name.isEmpty()
                             ? QPoint(window.width() - 3, window.height() / 2)
                             : window_test::exposedPointOf(window, name.toLatin1().constData());
    QVERIFY(point != QPoint(-1, -1));
    if (name.isEmpty()) QVERIFY(window.childAt(point) == nullptr);
    window_test::clickAt(window, point, static_cast<Qt::MouseButton>(button));
    QTest::mouseDClick(window.windowHandle(), static_cast<Qt::MouseButton>(button),
                       Qt::KeyboardModifiers(), point);
    QCOMPARE(events_.size(), std::size_t{1});  // FormOpened only
  }

  void keyboardPressOfTheFocusedButtonRaisesClick() {
    console::MainWindow& window = openWindow();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* button = window.widget("CmCommand17");
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[1].control, mainForm().find("CmCommand17")->id);
    QCOMPARE(events_[1].event, console::kClick);
  }

  void typingIntoTheTextBoxRaisesNothing() {
    console::MainWindow& window = openWindow();
    QTest::keyClicks(window.widget("CmCOMUNICACION"), "abc\r");
    QCOMPARE(events_.size(), std::size_t{1});
  }

  // The window manager's close request (the title bar's close button) reaches the
  // window as a close event on its native window.
  void closeRequestRaisesFormClosedOnce() {
    console::MainWindow& window = openWindow();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand8"));
    for (int request = 0; request < 2; ++request) {
      QCloseEvent close;
      QApplication::sendEvent(window.windowHandle(), &close);
    }
    QVERIFY(!window.isVisible());
    window.close();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand8"));
    forms_.reset();
    QCOMPARE(events_.size(), std::size_t{3});
    QCOMPARE(events_[1].event, console::kClick);
    QCOMPARE(events_[2].control, mainForm().id);
    QCOMPARE(events_[2].event, console::kFormClosed);
  }

  void closeFromTheProgramRaisesFormClosedOnce() {
    console::MainWindow& window = openWindow();
    window.close();
    window.close();
    QCOMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[1].event, console::kFormClosed);
  }

  void busyCursorOnlyWhileAnEventIsHandled() {
    console::MainWindow& window = openWindow();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand14"));
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand14"), Qt::RightButton);
    window.close();
    QCOMPARE(events_.size(), std::size_t{4});
    for (const Delivered& event : events_) QVERIFY(event.busyCursor);
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

 private:
  console::EventEntry spyEntry() {
    return [this](const console::ControlTable& table, const console::ControlId& control,
                  const console::EventId& event, std::uint32_t, std::uint32_t) {
      const QCursor* cursor = QApplication::overrideCursor();
      const console::MainWindow* window = forms_->window();
      events_.push_back({&table, control, event,
                         cursor != nullptr && cursor->shape() == Qt::WaitCursor,
                         window != nullptr && window->isVisible()});
      return 0;
    };
  }

  console::MainWindow& openWindow() {
    console::MainWindow& window = forms_->open();
    if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
    return window;
  }

  std::vector<Delivered> events_;
  std::unique_ptr<console::QtFormsRuntime> forms_;
};

QTEST_MAIN(EventsTest)
#include "events_test.moc"
