// The 19 command buttons clicked where they stand on the real window: the calls,
// bytes and lengths that reach the recording library, and what ESTADO shows.
// The expected calls are the spine suite's table.
#include <QStringList>
#include <QTest>
#include <memory>

#include "tests/support/expected_commands.h"
#include "tests/window/console_under_test.h"

using testing_support::Case;
using testing_support::Field;

Q_DECLARE_METATYPE(testing_support::Case)

namespace {

// The name of the control with identifier `id`, from the form definition.
std::string nameOf(console::ControlId id) {
  for (const console::ControlDefinition& control : console::mainForm().controls) {
    if (control.id == id) return std::string(control.name);
  }
  return {};
}

// Bytes as text, with anything unprintable (the zero byte, the command words)
// written as \xNN.
QString readable(const std::string& bytes) {
  QString out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += (byte >= 0x20 && byte < 0x7F) ? QString(QChar(c))
                                         : QStringLiteral("\\x%1").arg(byte, 2, 16, QChar('0'));
  }
  return out;
}

// One AddDataField as the library saw it: length, bytes, and for an empty field
// what stood at its address.
QString fieldCall(long long length, const std::string& bytes, const std::string& atAddress) {
  return QStringLiteral("%1 [%2] @[%3]")
      .arg(length)
      .arg(readable(bytes), length == 0 ? readable(atAddress) : QString());
}

QStringList expectedFields(const Case& c) {
  QStringList out;
  for (const Field& f : c.fields) out << fieldCall(f.length, f.bytes, f.atAddress);
  return out;
}

QStringList sentFields(const std::vector<RecordedCall>& calls) {
  QStringList out;
  for (const RecordedCall& call : calls) {
    if (std::string(call.name) != "AddDataField") continue;
    out << fieldCall(call.intArg, testing_support::bytesOf(call),
                     testing_support::atAddressOf(call));
  }
  return out;
}

// Every call with its bytes, by-value argument and address.
QStringList everything(const std::vector<RecordedCall>& calls) {
  QStringList out;
  for (const RecordedCall& call : calls) {
    out << QStringLiteral("%1 %2 [%3] at %4")
               .arg(QString::fromLatin1(call.name))
               .arg(call.intArg)
               .arg(readable(testing_support::bytesOf(call)))
               .arg(reinterpret_cast<quintptr>(call.address), 0, 16);
  }
  return out;
}

QStringList listOf(const std::vector<std::string>& names) {
  QStringList out;
  for (const std::string& name : names) out << QString::fromStdString(name);
  return out;
}

}  // namespace

class CommandsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { console_ = std::make_unique<window_test::ConsoleUnderTest>(); }
  void cleanup() { console_.reset(); }

  void clickSendsExactCallsBytesAndLengths_data() { addCaseRows(); }
  void clickSendsExactCallsBytesAndLengths() {
    QFETCH(Case, expected);
    console_->open();
    recorder().reset();
    recorder().setResult("getLastError", 7);
    QVERIFY(console_->clickOn(nameOf(expected.button).c_str()));

    const auto calls = recorder().calls();
    QCOMPARE(listOf(recorder().names()), listOf(testing_support::expectedNames(expected)));
    QCOMPARE(sentFields(calls), expectedFields(expected));
    if (expected.packed.empty()) {
      QVERIFY2(calls[expected.fields.size()].areaAllZero == 1, "command area not zero-filled");
    } else {
      QCOMPARE(readable(testing_support::bytesOf(calls[0])), readable(expected.packed + '\0'));
    }
    QCOMPARE(console_->shown("ESTADO"), expected.resultStep ? QStringLiteral("7") : QString());
    QCOMPARE(console_->shown("CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
    QCOMPARE(console_->shown("Cm1"), QString());
    QCOMPARE(console_->shown("Cm2"), QString());
  }

  // The fields, areas and texts live in module storage: a second click hands the
  // same bytes at the same addresses, and ESTADO follows the newer code.
  void secondClickSendsIdenticalBytesAtIdenticalAddresses_data() { addCaseRows(); }
  void secondClickSendsIdenticalBytesAtIdenticalAddresses() {
    QFETCH(Case, expected);
    const std::string button = nameOf(expected.button);
    console_->open();
    recorder().reset();
    recorder().setResult("getLastError", 5);
    QVERIFY(console_->clickOn(button.c_str()));
    const QStringList first = everything(recorder().calls());
    recorder().reset();
    recorder().setResult("getLastError", -9);
    QVERIFY(console_->clickOn(button.c_str()));

    QCOMPARE(first.size(), static_cast<qsizetype>(testing_support::expectedNames(expected).size()));
    QCOMPARE(everything(recorder().calls()), first);
    QCOMPARE(console_->shown("ESTADO"), expected.resultStep ? QStringLiteral("-9") : QString());
  }

  void closingsLeaveTheLastCodeShown() {
    console_->open();
    recorder().setResult("getLastError", -42);
    QVERIFY(console_->clickOn("CmCommand13"));  // ABRIR CAJON1
    QCOMPARE(console_->shown("ESTADO"), QStringLiteral("-42"));
    recorder().reset();
    recorder().setResult("getLastError", 0);
    int closings = 0;
    for (const Case& c : testing_support::cases()) {
      if (c.resultStep) continue;
      QVERIFY(console_->clickOn(nameOf(c.button).c_str()));
      QCOMPARE(console_->shown("ESTADO"), QStringLiteral("-42"));
      ++closings;
    }
    QCOMPARE(closings, 3);
    QCOMPARE(recorder().calls().size(), std::size_t{3});
  }

  // The status query writes Cm1 and Cm2 only.
  void statusQueryLeavesEstadoAndTheConnectionMessageAlone() {
    recorder().setResult("getLastError", 1);
    console_->open();
    QCOMPARE(console_->shown("CmCOMUNICACION"), QStringLiteral("Puerto ocupado"));
    recorder().setResult("getLastError", -4);
    QVERIFY(console_->clickOn("CmCommand13"));
    recorder().reset();
    recorder().setResult("getPrinterStatus", -7);
    recorder().setResult("getFiscalStatus", 0);
    QVERIFY(console_->clickOn("CmCommand14"));

    QCOMPARE(listOf(recorder().names()), QStringList({"getPrinterStatus", "getFiscalStatus"}));
    QCOMPARE(console_->shown("Cm1"), QStringLiteral("-7"));
    QCOMPARE(console_->shown("Cm2"), QStringLiteral("0"));
    QCOMPARE(console_->shown("ESTADO"), QStringLiteral("-4"));
    QCOMPARE(console_->shown("CmCOMUNICACION"), QStringLiteral("Puerto ocupado"));
  }

 private:
  static void addCaseRows() {
    QTest::addColumn<Case>("expected");
    for (const Case& c : testing_support::cases()) QTest::newRow(c.procedure) << c;
  }

  testing_support::Recorder& recorder() { return console_->recorder(); }

  std::unique_ptr<window_test::ConsoleUnderTest> console_;
};

QTEST_MAIN(CommandsWindowTest)
#include "commands_window_test.moc"
