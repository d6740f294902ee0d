// The window on a real X server: it opens with its exact title, and a pointer
// click made by xdotool at a control's place on the screen reaches the procedure
// bound to the button on top there.
#include <xcb/xcb.h>

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "tests/window/console_under_test.h"
#include "tests/window/xvfb_server.h"

using testing_support::Recorder;

namespace {

window_test::XvfbServer* server = nullptr;

// Runs xdotool to its end on the test's X server; returns its standard output.
std::optional<QString> xdotool(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments);
  if (!process.waitForStarted() || !process.waitForFinished(60000)) return std::nullopt;
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(reply);
  return value;
}

// What a window manager sends when the operator presses the title bar's close
// button: a WM_DELETE_WINDOW client message. Sent over a connection of its own.
bool requestClose(WId window) {
  xcb_connection_t* connection = xcb_connect(server->display().c_str(), nullptr);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return false;
  }
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = static_cast<xcb_window_t>(window);
  message.type = atom(connection, "WM_PROTOCOLS");
  message.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&message));
  // A round trip, so the server has handled the message before the connection goes.
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  const bool sentOk = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return sentOk;
}

int count(const Recorder& recorder, const std::string& name) {
  const auto names = recorder.names();
  return static_cast<int>(std::count(names.begin(), names.end(), name));
}

bool sent(const Recorder& recorder, const std::string& packed) {
  for (const RecordedCall& call : recorder.calls()) {
    if (std::string(call.name) == "SendCommandComplete" &&
        testing_support::atAddressOf(call) == packed) {
      return true;
    }
  }
  return false;
}

}  // namespace

class XvfbTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!server->running())
      QSKIP(qPrintable("no X server: " + QString::fromStdString(server->failure())));
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
      QSKIP("xdotool is not installed");
    }
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
  }

  void init() {
    console_ = std::make_unique<window_test::ConsoleUnderTest>();
    window_ = &console_->open();
  }
  void cleanup() { console_.reset(); }

  void windowHasItsExactTitle() {
    const auto title =
        xdotool({QStringLiteral("getwindowname"), QString::number(window_->winId())});
    QVERIFY(title.has_value());
    QCOMPARE(*title, QStringLiteral("Test FP900 (FISCAL)\n"));
    // All of the window fits on this 1280 x 1024 screen at the form's stored place.
    QCOMPARE(window_->pos(), QPoint(407, 205));
  }

  void pointerClickReachesTheProcedure_data() {
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("packed");
    QTest::newRow("CmCommand1's place: ABRIR TIQUE") << "CmCommand1"
                                                     << "0A01|0000";
    QTest::newRow("ABRIR CAJON1") << "CmCommand13"
                                  << "0707|0000";
    QTest::newRow("CIERRE X") << "CmCommand16"
                              << "0802|0C21";
  }
  void pointerClickReachesTheProcedure() {
    QFETCH(QString, place);
    QFETCH(QString, packed);
    console_->recorder().reset();
    QWidget* target = window_->widget(place.toLatin1().constData());
    const QPoint screen = target->mapToGlobal(target->rect().center());
    QProcess pointer;
    pointer.start(
        QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(screen.x()),
         QString::number(screen.y()), QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(pointer.waitForStarted());
    // The click arrives through the event loop; wait for it (bounded, not timed).
    const std::string expected = packed.toStdString() + '\0';
    QTRY_VERIFY_WITH_TIMEOUT(sent(console_->recorder(), expected), 30000);
    QVERIFY(pointer.waitForFinished(-1));
    QCOMPARE(pointer.exitCode(), 0);
  }

  void titleBarCloseDeliversFormClosedOnce() {
    console_->recorder().reset();
    QVERIFY(requestClose(window_->winId()));
    QTRY_VERIFY_WITH_TIMEOUT(count(console_->recorder(), "ClosePort") > 0, 30000);
    QVERIFY(!window_->isVisible());
    QVERIFY(requestClose(window_->winId()));
    QCoreApplication::processEvents();
    console_->destroyWindow();
    QCOMPARE(console_->recorder().names(), std::vector<std::string>{"ClosePort"});
  }

  // The console itself: its window appears under its title, and the title bar's
  // close ends the process with the forms runtime's result, 0.
  void consoleEndsWithExitCodeZeroWhenItsWindowIsClosed() {
    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(server->display()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    console.setProcessEnvironment(environment);
    console.start(QStringLiteral(CONSOLE_EXECUTABLE), QStringList());
    QVERIFY(console.waitForStarted());
    const auto found = xdotool(
        {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
         QStringLiteral("--all"), QStringLiteral("--pid"), QString::number(console.processId()),
         QStringLiteral("--name"), QStringLiteral("^Test FP900 \\(FISCAL\\)$")});
    QVERIFY(found.has_value());
    const WId window = found->section(QLatin1Char('\n'), 0, 0).toULongLong();
    QVERIFY(window != 0);
    QVERIFY(requestClose(window));
    // A generous bound, so that a console that never ends fails the test instead of
    // hanging it; the process is then killed by QProcess.
    QVERIFY2(console.waitForFinished(60000),
             qPrintable("the console did not end; it wrote: " +
                        QString::fromLocal8Bit(console.readAllStandardError())));
    QCOMPARE(console.exitStatus(), QProcess::NormalExit);
    QCOMPARE(console.exitCode(), 0);
  }

 private:
  std::unique_ptr<window_test::ConsoleUnderTest> console_;
  console::MainWindow* window_ = nullptr;
};

int main(int argc, char** argv) {
  window_test::XvfbServer xvfb;
  server = &xvfb;
  if (xvfb.running()) {
    setenv("DISPLAY", xvfb.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  } else {
    // Only to let the suite report its skip.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  int result = 0;
  {
    QApplication application(argc, argv);
    XvfbTest test;
    result = QTest::qExec(&test, argc, argv);
  }
  return result;
}

#include "xvfb_test.moc"
