// The real window with the real printer library, talking over a real
// pseudo-terminal to the virtual printer: what an operator pressing the buttons
// reads in ESTADO, Cm1, Cm2 and CmCOMUNICACION.
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "app/console_module.h"
#include "app/forms_runtime.h"
#include "app/main_window.h"
#include "app/program_runtime.h"
#include "fiscalprinter/fiscalprinter.h"
#include "protocol/status_words.h"
#include "tests/simulator/simulator_process.h"
#include "tests/window/window_support.h"

namespace {

namespace status = fp::protocol;

// The buttons of each document, in the order the window lays them out.
const std::vector<const char*> kTicket = {"CmCommand3", "CmCommand5", "CmCommand12", "CmCommand7"};
const std::vector<const char*> kInvoice = {"CmCommand18", "CmCommand20", "CmCommand22",
                                           "CmCommand21"};
const std::vector<const char*> kNonFiscal = {"CmCommand8", "CmCommand9", "CmCommand10"};
const char* const kDrawer = "CmCommand13";
const char* const kStatusQuery = "CmCommand14";

QString refusal(std::uint16_t returnCode) {
  return QString::number(FP_REFUSED_BASE + returnCode);
}

}  // namespace

class ConsoleSimulatorTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    forms_.reset();
    module_.reset();
    runtime_.reset();
    if (simulator_) QCOMPARE(simulator_->stop(), 0);
    simulator_.reset();
    unsetenv("FISCALPRINTER_PORT1");
  }

  void documentsPressedInWindowOrderAllSucceed() {
    openOnSimulator({});
    QCOMPARE(shown("CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
    for (const auto* document : {&kTicket, &kInvoice, &kNonFiscal}) {
      for (const char* button : *document) {
        press(button);
        QVERIFY2(shown("ESTADO") == "0", button);
      }
    }
    QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t{11});
    QCOMPARE(simulator_->stat("commands_refused"), std::uint64_t{0});
    for (const char* kind : {"ticket_close", "invoice_item", "invoice_close", "non_fiscal_text"})
      QVERIFY2(simulator_->stat(std::string("executed.") + kind) == 1, kind);
    const std::string paper = simulator_->paper();
    for (const char* line : {"TIQUE", "Venta de item", "vela s.a.", "Prueba documento NF"})
      QVERIFY2(paper.find(line) != std::string::npos, line);
  }

  void refusalsShowTheirCodeAndChangeNothing() {
    openOnSimulator({});
    press("CmCommand5");  // ITEM + with no ticket open
    QCOMPARE(shown("ESTADO"), refusal(status::return_code::kOutOfOrder));
    press("CmCommand10");  // closing a non-fiscal document that is not open
    QCOMPARE(shown("ESTADO"), refusal(status::return_code::kOutOfOrder));
    press("CmCommand7");  // CERRAR TIQUE with no ticket open
    QCOMPARE(shown("ESTADO"), refusal(status::return_code::kOutOfOrder));
    QCOMPARE(simulator_->stat("commands_refused"), std::uint64_t{3});
    QCOMPARE(simulator_->paper().find("TIQUE"), std::string::npos);
  }

  // The status query shows the words of the last reply: a ticket open, the drawer.
  void statusQueryShowsTheWordsOfTheLastReply() {
    openOnSimulator({});
    press(kTicket[0]);
    press(kStatusQuery);
    QVERIFY(shown("Cm2").toInt() & status::fiscal_status::kTicketOpen);
    QCOMPARE(shown("ESTADO"), QStringLiteral("0"));  // the query sends nothing
    QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t{1});
    press(kDrawer);
    QCOMPARE(shown("ESTADO"), QStringLiteral("0"));
    press(kStatusQuery);
    QVERIFY(shown("Cm1").toInt() & status::printer_status::kDrawerOpen);
    QCOMPARE(shown("CmCOMUNICACION"), QStringLiteral("Puerto Ok"));
  }

  // No printer to talk to: the connection says why, and every button still ends
  // with a documented code in ESTADO instead of hanging or crashing.
  void withoutAPrinterEveryButtonStillAnswers_data() {
    QTest::addColumn<bool>("silentPrinter");
    QTest::addColumn<QString>("message");
    QTest::newRow("port absent") << false << "Puerto invalido";
    QTest::newRow("printer silent") << true << "Error de escritura verifique el impresor";
  }
  void withoutAPrinterEveryButtonStillAnswers() {
    QFETCH(bool, silentPrinter);
    QFETCH(QString, message);
    if (silentPrinter) {
      openOnSimulator({"--silent"});
    } else {
      setenv("FISCALPRINTER_PORT1", "no-such-directory/ttyFISCAL", 1);
      open();
    }
    QCOMPARE(shown("CmCOMUNICACION"), message);
    for (const auto* document : {&kTicket, &kInvoice, &kNonFiscal}) {
      for (const char* button : *document) {
        press(button);
        QVERIFY2(shown("ESTADO") == QString::number(FP_NOT_OPEN), button);
      }
    }
    press(kStatusQuery);
    QCOMPARE(shown("Cm1"), QStringLiteral("0"));
    QCOMPARE(shown("CmCOMUNICACION"), message);
  }

 private:
  void openOnSimulator(const std::vector<std::string>& args) {
    simulator_ = std::make_unique<sim_test::SimulatorProcess>(args);
    if (!simulator_->started()) qFatal("the simulator did not start");
    setenv("FISCALPRINTER_PORT1", simulator_->port().c_str(), 1);
    open();
  }

  void open() {
    runtime_ = std::make_unique<console::ProgramRuntime>(errors_);
    module_ = std::make_unique<console::ConsoleModule>(*runtime_, PRINTER_LIBRARY_PATH);
    forms_ = std::make_unique<console::QtFormsRuntime>(console::mainForm(),
                                                       console::eventEntryOf(*module_));
    window_ = &forms_->open();
    if (!QTest::qWaitForWindowExposed(window_)) qFatal("window not exposed");
  }

  // A click in the middle of the button, which must be on top there.
  void press(const char* name) {
    const QPoint point = window_test::middleOf(*window_, name);
    if (window_->childAt(point) != window_->widget(name)) qFatal("%s is covered", name);
    window_test::clickAt(*window_, point);
  }

  QString shown(const char* name) const {
    const QWidget* widget = window_->widget(name);
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    return qobject_cast<const QLineEdit*>(widget)->text();
  }

  std::ostringstream errors_;
  std::unique_ptr<sim_test::SimulatorProcess> simulator_;
  std::unique_ptr<console::ProgramRuntime> runtime_;
  std::unique_ptr<console::ConsoleModule> module_;
  std::unique_ptr<console::QtFormsRuntime> forms_;
  console::MainWindow* window_ = nullptr;
};

QTEST_MAIN(ConsoleSimulatorTest)
#include "console_simulator_test.moc"
