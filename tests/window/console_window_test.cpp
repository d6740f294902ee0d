// The real window over the real program module and the recording printer
// library: what a click at a place of the window sends to the printer, and what
// the display controls then show.
#include <QTest>
#include <memory>

#include "tests/window/console_under_test.h"

using console::ControlDefinition;
using console::ControlKind;
using console::mainForm;
using testing_support::Recorder;

namespace {

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
  void init() { console_ = std::make_unique<window_test::ConsoleUnderTest>(); }
  void cleanup() { console_.reset(); }

  void openingConnectsAndShowsTheMessageWithoutItsPadding() {
    console::MainWindow& window = open();
    QCOMPARE(window_test::shownBy(window, "CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
    for (const char* name : {"ESTADO", "Cm1", "Cm2"})
      QCOMPARE(window_test::shownBy(window, name), "");
    const auto names = console_->recorder().names();
    QVERIFY(std::find(names.begin(), names.end(), "OpenPort") != names.end());
  }

  // "ABRIR TIQUE" lies over CmCommand1: a click there opens a ticket.
  void clickAtTheHiddenButtonOpensATicket() {
    console::MainWindow& window = open();
    console_->recorder().reset();
    window_test::clickAt(window, window_test::middleOf(window, "CmCommand1"));
    QCOMPARE(packedCommands(console_->recorder()),
             std::vector<std::string>{std::string("0A01|0000", 10)});
    QCOMPARE(window_test::shownBy(window, "ESTADO"), QStringLiteral("0"));
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
    console_->recorder().reset();
    const QPoint point = window_test::exposedPointOf(window, name.toLatin1().constData());
    QVERIFY(point != QPoint(-1, -1));
    window_test::clickAt(window, point);
    window_test::clickAt(window, point, Qt::RightButton);
    QCOMPARE(console_->recorder().calls().size(), std::size_t{0});
    QCOMPARE(displays(window), before);
  }

  void rightClickOnABoundButtonRunsItsEmptyProcedure() {
    console::MainWindow& window = open();
    const auto before = displays(window);
    console_->recorder().reset();
    for (const char* name : {"CmCommand5", "CmCommand14", "CmCommand18", "CmCommand3"}) {
      window_test::clickAt(window, window_test::middleOf(window, name), Qt::RightButton);
    }
    QCOMPARE(console_->recorder().calls().size(), std::size_t{0});
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
    console_->recorder().setResult(entry.toLatin1().constData(), value);
    window_test::clickAt(window, window_test::middleOf(window, button.toLatin1().constData()));
    QCOMPARE(window_test::shownBy(window, display.toLatin1().constData()), shown);
  }

 private:
  console::MainWindow& open() { return console_->open(); }

  static std::vector<QString> displays(const console::MainWindow& window) {
    std::vector<QString> out;
    for (const char* name : {"CmCOMUNICACION", "ESTADO", "Cm1", "Cm2"}) {
      out.push_back(window_test::shownBy(window, name));
    }
    return out;
  }

  std::unique_ptr<window_test::ConsoleUnderTest> console_;
};

QTEST_MAIN(ConsoleWindowTest)
#include "console_window_test.moc"
