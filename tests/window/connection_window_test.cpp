// Connecting when the real window opens and disconnecting when it closes, over
// the recording printer library, and the window without any printer library.
#include <QStringList>
#include <QTest>
#include <memory>

#include "tests/window/console_under_test.h"

namespace {

QStringList namesOf(const testing_support::Recorder& recorder) {
  QStringList out;
  for (const std::string& name : recorder.names()) out << QString::fromStdString(name);
  return out;
}

}  // namespace

class ConnectionWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { console_ = std::make_unique<window_test::ConsoleUnderTest>(); }
  void cleanup() { console_.reset(); }

  // Only getLastError decides the message; what OpenPort returned does not.
  void openingShowsTheMessageOfTheLastError_data() {
    QTest::addColumn<int>("openPort");
    QTest::addColumn<int>("lastError");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << 0 << 0 << "Puerto Ok";
    QTest::newRow("1") << 1 << 1 << "Puerto ocupado";
    QTest::newRow("2") << 2 << 2 << "Puerto invalido";
    QTest::newRow("10") << 10 << 10 << "Error de escritura verifique el impresor";
    QTest::newRow("3") << 3 << 3 << "";
    QTest::newRow("9") << 9 << 9 << "";
    QTest::newRow("11") << 11 << 11 << "";
    QTest::newRow("-1") << -1 << -1 << "";
    QTest::newRow("OpenPort 2, last error 0") << 2 << 0 << "Puerto Ok";
    QTest::newRow("OpenPort -1, last error 0") << -1 << 0 << "Puerto Ok";
    QTest::newRow("OpenPort 0, last error 1") << 0 << 1 << "Puerto ocupado";
  }
  void openingShowsTheMessageOfTheLastError() {
    QFETCH(int, openPort);
    QFETCH(int, lastError);
    QFETCH(QString, message);
    recorder().setResult("OpenPort", openPort);
    recorder().setResult("getLastError", lastError);
    console_->open();
    QCOMPARE(namesOf(recorder()).last(), QStringLiteral("getLastError"));
    QCOMPARE(console_->shown("CmCOMUNICACION"), message);
  }

  void connectingHandsOneAreaAroundAndTheSettingsByValue() {
    console_->open();
    const auto calls = recorder().calls();
    QCOMPARE(namesOf(recorder()),
             QStringList({"Purge", "GetAPIVersion", "setComPort", "setBaudRate", "setProtocolType",
                          "OpenPort", "getLastError"}));
    QCOMPARE(calls[1].address, calls[0].address);
    QCOMPARE(calls[5].address, calls[0].address);
    QCOMPARE(calls[0].areaAllZero, 1);
    QCOMPARE(calls[2].intArg, 1LL);
    QCOMPARE(calls[3].intArg, 115200LL);
    QCOMPARE(calls[4].intArg, 1LL);
  }

  // ClosePort runs once, with its own zero-filled area, whatever the connection gave.
  void closingTheWindowClosesThePortOnce_data() {
    QTest::addColumn<int>("openPort");
    QTest::addColumn<int>("lastError");
    QTest::newRow("connected") << 0 << 0;
    QTest::newRow("port busy") << 1 << 1;
    QTest::newRow("no message") << -1 << -1;
  }
  void closingTheWindowClosesThePortOnce() {
    QFETCH(int, openPort);
    QFETCH(int, lastError);
    recorder().setResult("OpenPort", openPort);
    recorder().setResult("getLastError", lastError);
    console_->open();
    const void* connectionArea = recorder().calls().front().address;
    recorder().reset();
    console_->closeWindow();
    QCOMPARE(namesOf(recorder()), QStringList{"ClosePort"});
    QVERIFY(recorder().calls()[0].address != connectionArea);
    QCOMPARE(recorder().calls()[0].areaAllZero, 1);
  }

  // Without the printer library the window says so, every call yields -1, and the
  // window still opens, runs commands and closes.
  void withoutTheLibraryTheWindowSaysSoAndShowsMinusOne() {
    console_.reset();
    console_ =
        std::make_unique<window_test::ConsoleUnderTest>("no-such-directory/libfiscalprinter.so.1");
    console_->open();
    QCOMPARE(console_->shown("CmCOMUNICACION"),
             QStringLiteral("Biblioteca del impresor no encontrada"));
    QVERIFY(console_->clickOn("CmCommand5"));  // ITEM +
    QCOMPARE(console_->shown("ESTADO"), QStringLiteral("-1"));
    console_->closeWindow();
    QCOMPARE(recorder().calls().size(), std::size_t{0});
    // One report per call that could not be made: connect, ITEM +, close.
    QCOMPARE(console_->runtime().errorsReported(), 7 + 19 + 1);
  }

 private:
  testing_support::Recorder& recorder() { return console_->recorder(); }

  std::unique_ptr<window_test::ConsoleUnderTest> console_;
};

QTEST_MAIN(ConnectionWindowTest)
#include "connection_window_test.moc"
