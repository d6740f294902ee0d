// The real window over the real program module and the recording printer
// library: what a click at a place of the window sends to the printer, and what
// the display controls then show.
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <sstream>

#include "app/console_module.h"
#include "app/forms_runtime.h"
#include "app/main_window.h"
#include "app/program_runtime.h"
#include "tests/support/recorder.h"
#include "tests/window/window_support.h"

using console::ControlDefinition;
using console::ControlKind;
using console::mainForm;
using testing_support::Recorder;

namespace {

QString shownBy(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  return qobject_cast<const QLineEdit*>(widget)->text();
}

std::vector<std::string> packedCommands(const Recorder& recorder) {
  std::vector<std::string> out;
  for (const RecordedCall& call : recorder.calls()) {
    if (std::string(call.name) == "SendCommandComplete") {
      out.push_back(testing_support::atAddressOf(call));
    }
  }
  return out;
}

}  // namespace

class ConsoleWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    runtime_ = std::make_unique<console::ProgramRuntime>(errors_);
    module_ = std::make_unique<console::ConsoleModule>(*runtime_,
                                                       testing_support::recordingLibraryPath());
    recorder_ = std::make_unique<Recorder>();
    forms_ = std::make_unique<console::QtFormsRuntime>(mainForm(), console::eventEntryOf(*module_));
  }
  void cleanup() {
    forms_.reset();
    recorder_.reset();
    module_.reset();
    runtime_.reset();
  }

  void openingConnectsAndShowsTheMessageWithoutItsPadding() {
    console::MainWindow& window = open();
    QCOMPARE(shownBy(window.widget("CmCOMUNICACION")), QStringLiteral("Puerto Ok"));
    for (const char* name : {"ESTADO", "Cm1", "Cm2"}) QCOMPARE(shownBy(window.widget(name)), "");
    const auto names = recorder_->names();
    QVERIFY(std::find(names.begin(), names.end(), "OpenPort") != names.end());
  }

  // "ABRIR TIQUE" lies over CmCommand1: a click there opens a ticket.
  void clickAtTheHiddenButtonOpensATicket() {
    console::MainWindow& window = open();
    recorder_->reset();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand1"));
    QCOMPARE(packedCommands(*recorder_), std::vector<std::string>{std::string("0A01|0000", 10)});
    QCOMPARE(shownBy(window.widget("ESTADO")), QStringLiteral("0"));
  }

  void clickOnANonButtonRunsNothingAndChangesNothing_data() {
    QTest::addColumn<QString>("name");
    for (const ControlDefinition& c : mainForm().controls) {
      if (c.kind != ControlKind::CommandButton)
        QTest::newRow(c.name.data()) << QString(c.name.data());
    }
  }
  void clickOnANonButtonRunsNothingAndChangesNothing() {
    QFETCH(QString, name);
    console::MainWindow& window = open();
    const auto before = displays(window);
    recorder_->reset();
    const QPoint point = window_test::exposedPointOf(window, name.toLatin1().constData());
    QVERIFY(point != QPoint(-1, -1));
    window_test::clickAt(window, point);
    window_test::clickAt(window, point, Qt::RightButton);
    QCOMPARE(recorder_->calls().size(), std::size_t{0});
    QCOMPARE(displays(window), before);
  }

  void rightClickOnABoundButtonRunsItsEmptyProcedure() {
    console::MainWindow& window = open();
    const auto before = displays(window);
    recorder_->reset();
    for (const char* name : {"CmCommand5", "CmCommand14", "CmCommand18", "CmCommand3"}) {
      window_test::clickAt(window, window_test::middleOf(window, name), Qt::RightButton);
    }
    QCOMPARE(recorder_->calls().size(), std::size_t{0});
    QCOMPARE(displays(window), before);
  }

  // What the display controls show after a real procedure, for zero and negative
  // results from the library.
  void resultsShowAsPlainDecimal_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("shown");
    QTest::newRow("error code 0") << "CmCommand13"
                                  << "getLastError" << 0 << "ESTADO"
                                  << "0";
    QTest::newRow("error code negative") << "CmCommand13"
                                         << "getLastError" << -12 << "ESTADO"
                                         << "-12";
    QTest::newRow("error code large") << "CmCommand3"
                                      << "getLastError" << 65535 << "ESTADO"
                                      << "65535";
    QTest::newRow("printer status 0") << "CmCommand14"
                                      << "getPrinterStatus" << 0 << "Cm1"
                                      << "0";
    QTest::newRow("printer status negative") << "CmCommand14"
                                             << "getPrinterStatus" << -1 << "Cm1"
                                             << "-1";
    QTest::newRow("fiscal status 0") << "CmCommand14"
                                     << "getFiscalStatus" << 0 << "Cm2"
                                     << "0";
    QTest::newRow("fiscal status negative") << "CmCommand14"
                                            << "getFiscalStatus" << -600 << "Cm2"
                                            << "-600";
  }
  void resultsShowAsPlainDecimal() {
    QFETCH(QString, button);
    QFETCH(QString, entry);
    QFETCH(int, value);
    QFETCH(QString, display);
    QFETCH(QString, shown);
    console::MainWindow& window = open();
    recorder_->setResult(entry.toLatin1().constData(), value);
    window_test::clickAt(window, window_test::middleOf(window, button.toLatin1().constData()));
    QCOMPARE(shownBy(window.widget(display.toLatin1().constData())), shown);
  }

  void closingTheWindowClosesThePortOnce() {
    console::MainWindow& window = open();
    recorder_->reset();
    QCloseEvent request;
    QApplication::sendEvent(window.windowHandle(), &request);
    window.close();
    forms_.reset();
    QCOMPARE(recorder_->names(), std::vector<std::string>{"ClosePort"});
  }

 private:
  console::MainWindow& open() {
    console::MainWindow& window = forms_->open();
    if (!QTest::qWaitForWindowExposed(&window)) qFatal("window not exposed");
    return window;
  }

  static std::vector<QString> displays(const console::MainWindow& window) {
    std::vector<QString> out;
    for (const char* name : {"CmCOMUNICACION", "ESTADO", "Cm1", "Cm2"}) {
      out.push_back(shownBy(window.widget(name)));
    }
    return out;
  }

  std::ostringstream errors_;
  std::unique_ptr<console::ProgramRuntime> runtime_;
  std::unique_ptr<console::ConsoleModule> module_;
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<console::QtFormsRuntime> forms_;
};

QTEST_MAIN(ConsoleWindowTest)
#include "console_window_test.moc"
