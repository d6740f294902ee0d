// The events the forms runtime hands to the event entry: FormOpened once before
// anything else, Click for a left click on a command button, SecondaryEvent for a
// right click, nothing for labels, frames and the text box, and FormClosed once
// when the window closes. A spy stands in for the event entry.
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>
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
  bool windowPainted;  // ... and had been painted on the (offscreen) screen
};

}  // namespace

class EventsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QCoreApplication::instance()->installEventFilter(this); }
  void init() {
    events_.clear();
    painted_ = false;
    whileHandling_ = nullptr;
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
    QVERIFY(events_[0].windowPainted);
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

  void keyboardPressOfTheFocusedButtonRaisesClick_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
  }
  void keyboardPressOfTheFocusedButtonRaisesClick() {
    QFETCH(int, key);
    console::MainWindow& window = openWindow();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* button = window.widget("CmCommand17");
    button->setFocus();
    QTest::keyClick(button, static_cast<Qt::Key>(key));
    QTRY_COMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[1].control, mainForm().find("CmCommand17")->id);
    QCOMPARE(events_[1].event, console::kClick);
  }

  // A held key comes as releases and presses with one timestamp: one Click.
  void heldKeyClicksOnce_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Space") << int(Qt::Key_Space);
  }
  void heldKeyClicksOnce() {
    QFETCH(int, key);
    console::MainWindow& window = openWindow();
    QWidget* button = window.widget("CmCommand15");
    for (const auto& [type, time] : {std::pair{QEvent::KeyPress, 10},
                                     {QEvent::KeyRelease, 50},
                                     {QEvent::KeyPress, 50},
                                     {QEvent::KeyRelease, 90}}) {
      QKeyEvent event(type, key, Qt::NoModifier);
      event.setTimestamp(time);
      QApplication::sendEvent(button, &event);
    }
    QCoreApplication::processEvents();
    QCOMPARE(events_.size(), std::size_t{2});
  }

  // Input that the display system queues while an event is handled (an impatient
  // second click, a click elsewhere, a key) is dropped, not run afterwards; a
  // click after the event is delivered.
  void inputGivenWhileAnEventIsHandledIsDropped_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key");  // 0: a left click in the target's middle
    QTest::newRow("second click on CIERRE Z") << "CmCommand15" << 0;
    QTest::newRow("click on ABRIR TIQUE") << "CmCommand3" << 0;
    QTest::newRow("Space on the focused button") << "CmCommand15" << int(Qt::Key_Space);
    QTest::newRow("Enter on the focused button") << "CmCommand15" << int(Qt::Key_Return);
  }
  void inputGivenWhileAnEventIsHandledIsDropped() {
    QFETCH(QString, target);
    QFETCH(int, key);
    console::MainWindow& window = openWindow();
    QWidget* widget = window.widget(target.toLatin1().constData());
    widget->setFocus();
    whileHandling_ = [&] { queueInput(window, *widget, key); };
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand15"));
    QCoreApplication::processEvents();
    QCOMPARE(events_.size(), std::size_t{2});
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand15"));
    QCOMPARE(events_.size(), std::size_t{3});
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

  // A close request while the window is being shown: FormOpened, then FormClosed.
  void closeWhileOpeningKeepsTheEventsInOrder() {
    QTimer::singleShot(0, [this] { forms_->window()->close(); });
    forms_->open();
    QCOMPARE(events_.size(), std::size_t{2});
    QCOMPARE(events_[0].event, console::kFormOpened);
    QCOMPARE(events_[1].event, console::kFormClosed);
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

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (event->type() == QEvent::Paint && forms_ && receiver == forms_->window()) painted_ = true;
    return QObject::eventFilter(receiver, event);
  }

 private:
  // Posts a press and a release, as the display system queues them.
  static void queueInput(console::MainWindow& window, QWidget& target, int key) {
    if (key != 0) {
      for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(&target, new QKeyEvent(type, key, Qt::NoModifier));
      }
      return;
    }
    const QPointF at = target.geometry().center();
    const QPointF global = window.mapToGlobal(at);
    QCoreApplication::postEvent(
        window.windowHandle(), new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                               Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(window.windowHandle(),
                                new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  }

  console::EventEntry spyEntry() {
    return [this](const console::ControlTable& table, const console::ControlId& control,
                  const console::EventId& event, std::uint32_t, std::uint32_t) {
      const QCursor* cursor = QApplication::overrideCursor();
      const console::MainWindow* window = forms_->window();
      events_.push_back({&table, control, event,
                         cursor != nullptr && cursor->shape() == Qt::WaitCursor,
                         window != nullptr && window->isVisible(), painted_});
      if (auto queue = std::exchange(whileHandling_, nullptr)) queue();
      return 0;
    };
  }

  console::MainWindow& openWindow() {
    console::MainWindow& window = forms_->open();
    if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
    return window;
  }

  std::vector<Delivered> events_;
  bool painted_ = false;
  std::function<void()> whileHandling_;  // runs inside the next event
  std::unique_ptr<console::QtFormsRuntime> forms_;
};

QTEST_MAIN(EventsTest)
#include "events_test.moc"
