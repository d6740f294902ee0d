// The real window with the real printer library, talking over a real
// pseudo-terminal to the virtual printer: what an operator pressing the buttons
// reads in ESTADO, Cm1, Cm2 and CmCOMUNICACION, held against what the printer
// counted and printed.
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/console_module.h"
#include "fiscalprinter/fiscalprinter.h"
#include "form/main_form.h"
#include "protocol/status_words.h"
#include "shell/program_runtime.h"
#include "tests/simulator/simulator_process.h"
#include "tests/window/window_support.h"
#include "window/forms_runtime.h"
#include "window/main_window.h"

namespace {

namespace printer_status = fp::protocol::printer_status;
namespace fiscal_status = fp::protocol::fiscal_status;
namespace return_code = fp::protocol::return_code;

// The buttons, named after the caption an operator reads on them.
constexpr char kAbrirTique[] = "CmCommand3";
constexpr char kTiqueItemMas[] = "CmCommand5";
constexpr char kTiqueItemMenos[] = "CmCommand11";
constexpr char kTiquePago[] = "CmCommand12";
constexpr char kCancelaTique[] = "CmCommand6";
constexpr char kCerrarTique[] = "CmCommand7";
constexpr char kAbrirFactura[] = "CmCommand18";
constexpr char kFacturaItemMas[] = "CmCommand20";
constexpr char kFacturaItemMenos[] = "CmCommand23";
constexpr char kFacturaPago[] = "CmCommand22";
constexpr char kCancelaFactura[] = "CmCommand19";
constexpr char kCerrarFactura[] = "CmCommand21";
constexpr char kAbrirNf[] = "CmCommand8";
constexpr char kTextoNf[] = "CmCommand9";
constexpr char kCerrarNf[] = "CmCommand10";
constexpr char kAbrirCajon[] = "CmCommand13";
constexpr char kCierreZ[] = "CmCommand15";
constexpr char kCierreX[] = "CmCommand16";
constexpr char kTotalJornal[] = "CmCommand17";
constexpr char kEstado[] = "CmCommand14";

constexpr char kPuertoOk[] = "Puerto Ok";

// What ESTADO shows for a command the printer refused with `code`.
QString refusal(std::uint16_t code) {
  return QString::number(FP_REFUSED_BASE + code);
}

// The printer's counters of commands executed per kind ("executed.KEY" lines).
using Executed = std::map<std::string, std::uint64_t>;

Executed executedOf(const std::map<std::string, std::uint64_t>& stats) {
  static const std::string prefix = "executed.";
  Executed out;
  for (const auto& [name, value] : stats) {
    if (name.rfind(prefix, 0) == 0 && value != 0) out[name.substr(prefix.size())] = value;
  }
  return out;
}

QString describe(const Executed& executed) {
  QStringList parts;
  for (const auto& [key, value] : executed) {
    parts << QStringLiteral("%1=%2").arg(QString::fromStdString(key)).arg(value);
  }
  return parts.join(' ');
}

// The first of `lines` that is not a whole line of `paper`, after the previous
// one; empty when all are there in that order.
QString firstMissingLine(const std::string& paper, const QStringList& lines) {
  const QStringList printed = QString::fromStdString(paper).split('\n');
  qsizetype from = 0;
  for (const QString& line : lines) {
    from = printed.indexOf(line, from);
    if (from < 0) return line;
    ++from;
  }
  return {};
}

}  // namespace

class ConsoleSimulatorTest : public QObject {
  Q_OBJECT

 private slots:
  // Closes the window as the operator would (the port is closed on the form's
  // closing event); the printer must then end cleanly, and no call of the
  // console may have missed its entry point in the real library.
  void cleanup() {
    if (forms_ && forms_->window()) forms_->window()->close();
    forms_.reset();
    module_.reset();
    runtime_.reset();
    unsetenv("FISCALPRINTER_PORT1");
    const int simulatorExit = simulator_ ? simulator_->stop() : 0;
    simulator_.reset();
    const std::string errors = errors_.str();
    errors_.str({});
    QCOMPARE(QString::fromStdString(errors), QString());
    QCOMPARE(simulatorExit, 0);
  }

  // The connection runs as the window opens: one handshake, no command, and the
  // result displays untouched.
  void openingOnARunningPrinterSaysPortOk() {
    openOnSimulator();
    QCOMPARE(shown("CmCOMUNICACION"), QString(kPuertoOk));
    QCOMPARE(simulator_->stat("handshakes"), std::uint64_t{1});
    QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t{0});
    for (const char* display : {"ESTADO", "Cm1", "Cm2"}) QCOMPARE(shown(display), QString());
  }

  // Each button of a document, pressed in the order the window lays them out,
  // shows 0 and has the printer execute exactly its own command; the paper then
  // holds the document.
  void documentsPressedInWindowOrderAllSucceed_data() {
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QStringList>("executed");  // the printer's kind for each press
    QTest::addColumn<QStringList>("paper");     // whole lines, in this order

    const QStringList ticket = {kAbrirTique, kTiqueItemMas, kTiquePago, kCerrarTique};
    const QStringList ticketKinds = {"ticket_open", "ticket_item", "ticket_pay", "ticket_close"};
    const QStringList ticketPaper = {
        "TIQUE                       Nro 00000001", "Venta de item",
        "  1.0000 x 1.00 (21.00%)            1.00", "TOTAL                               1.00",
        "Efectivo                          100.00", "SU VUELTO                          99.00",
    };
    const QStringList invoice = {kAbrirFactura, kFacturaItemMas, kFacturaPago, kCerrarFactura};
    const QStringList invoiceKinds = {"invoice_open", "invoice_item", "invoice_pay",
                                      "invoice_close"};
    const QStringList invoicePaper = {
        "FACTURA A                   Nro 00000001",
        "Cliente: vela s.a.",
        "calle falsa 1",
        "CUIT: 30000000007  IVA Resp. Inscripto",
        "Venta de item",
        "  1.0000 x 1.00 (21.00%)            1.00",
        "NETO                                1.00",
        "IVA                                 0.21",
        "TOTAL                               1.21",
        "Efectivo                          100.00",
        "SU VUELTO                          98.79",
    };
    const QStringList nonFiscal = {kAbrirNf, kTextoNf, kCerrarNf};
    const QStringList nonFiscalKinds = {"nonfiscal_open", "nonfiscal_text", "nonfiscal_close"};
    const QStringList nonFiscalPaper = {"DOCUMENTO NO FISCAL         Nro 00000001",
                                        "Prueba documento NF", "         NO VALIDO COMO FACTURA"};

    QTest::newRow("ticket") << ticket << ticketKinds << ticketPaper;
    QTest::newRow("ticket with a return")
        << QStringList{kAbrirTique, kTiqueItemMas, kTiqueItemMenos, kTiquePago, kCerrarTique}
        << QStringList{"ticket_open", "ticket_item", "ticket_return", "ticket_pay", "ticket_close"}
        << QStringList{"TIQUE                       Nro 00000001", "DEVOLUCION Venta de item",
                       "  1.0000 x 1.00 (21.00%)           -1.00",
                       "TOTAL                               0.00",
                       "SU VUELTO                         100.00"};
    QTest::newRow("invoice A") << invoice << invoiceKinds << invoicePaper;
    QTest::newRow("invoice A with a return")
        << QStringList{kAbrirFactura, kFacturaItemMas, kFacturaItemMenos, kFacturaPago,
                       kCerrarFactura}
        << QStringList{"invoice_open", "invoice_item", "invoice_return", "invoice_pay",
                       "invoice_close"}
        << QStringList{"FACTURA A                   Nro 00000001", "DEVOLUCION Venta de item",
                       "TOTAL                               0.00",
                       "SU VUELTO                         100.00"};
    QTest::newRow("non-fiscal document") << nonFiscal << nonFiscalKinds << nonFiscalPaper;
    QTest::newRow("ticket, invoice A and non-fiscal document in one session")
        << ticket + invoice + nonFiscal << ticketKinds + invoiceKinds + nonFiscalKinds
        << ticketPaper + invoicePaper + nonFiscalPaper;
  }
  void documentsPressedInWindowOrderAllSucceed() {
    QFETCH(QStringList, buttons);
    QFETCH(QStringList, executed);
    QFETCH(QStringList, paper);
    QCOMPARE(buttons.size(), executed.size());
    openOnSimulator();
    QCOMPARE(shown("CmCOMUNICACION"), QString(kPuertoOk));
    Executed expected;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
      const QByteArray button = buttons[i].toLatin1();
      QCOMPARE(estadoAfterPressing(button.constData()), QStringLiteral("0"));
      ++expected[executed[i].toStdString()];
      QCOMPARE(describe(executedOf(simulator_->stats())), describe(expected));
    }
    QCOMPARE(simulator_->stat("commands_refused"), std::uint64_t{0});
    QCOMPARE(firstMissingLine(simulator_->paper(), paper), QString());
  }

  // A refused command shows 1000 plus the printer's return code, and leaves the
  // paper and the document as they were (only the "refused" bit is new).
  void refusalsShowTheirCodeAndChangeNothing_data() {
    QTest::addColumn<QStringList>("before");  // pressed first, each executed
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("returnCode");

    const QStringList none;
    const QStringList ticketOpen = {kAbrirTique};
    const QStringList ticketWithItem = {kAbrirTique, kTiqueItemMas};
    const QStringList ticketPaid = {kAbrirTique, kTiqueItemMas, kTiquePago};
    const int outOfOrder = return_code::kOutOfOrder;

    QTest::newRow("ITEM + with no document") << none << kTiqueItemMas << outOfOrder;
    QTest::newRow("Pago with no document") << none << kTiquePago << outOfOrder;
    QTest::newRow("CERRAR TIQUE with no document") << none << kCerrarTique << outOfOrder;
    QTest::newRow("CANCELA TIQUE with no document") << none << kCancelaTique << outOfOrder;
    QTest::newRow("Texto NF with no document") << none << kTextoNf << outOfOrder;
    QTest::newRow("Cerrar NF with no document") << none << kCerrarNf << outOfOrder;
    QTest::newRow("invoice ITEM + with no document") << none << kFacturaItemMas << outOfOrder;
    QTest::newRow("ABRIR TIQUE twice") << ticketOpen << kAbrirTique << outOfOrder;
    QTest::newRow("ABRIR FACTURA on a ticket") << ticketOpen << kAbrirFactura << outOfOrder;
    QTest::newRow("invoice ITEM + on a ticket") << ticketOpen << kFacturaItemMas << outOfOrder;
    QTest::newRow("CANCELA FACTURA on a ticket") << ticketOpen << kCancelaFactura << outOfOrder;
    QTest::newRow("Pago with no item") << ticketOpen << kTiquePago << outOfOrder;
    QTest::newRow("ITEM - beyond the sale")
        << ticketOpen << kTiqueItemMenos << int{return_code::kReturnExceedsSale};
    QTest::newRow("CERRAR TIQUE unpaid")
        << ticketWithItem << kCerrarTique << int{return_code::kPaymentMissing};
    QTest::newRow("ITEM + after Pago") << ticketPaid << kTiqueItemMas << outOfOrder;
    QTest::newRow("Pago once paid") << ticketPaid << kTiquePago << outOfOrder;
  }
  void refusalsShowTheirCodeAndChangeNothing() {
    QFETCH(QStringList, before);
    QFETCH(QString, button);
    QFETCH(int, returnCode);
    openOnSimulator();
    for (const QString& earlier : before) {
      QCOMPARE(estadoAfterPressing(earlier.toLatin1().constData()), QStringLiteral("0"));
    }
    const auto [printerBefore, fiscalBefore] = statusWords();
    const std::string paperBefore = simulator_->paper();

    QCOMPARE(estadoAfterPressing(button.toLatin1().constData()),
             refusal(static_cast<std::uint16_t>(returnCode)));

    QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t(before.size() + 1));
    QCOMPARE(simulator_->stat("commands_refused"), std::uint64_t{1});
    QCOMPARE(simulator_->paper(), paperBefore);
    const auto [printerAfter, fiscalAfter] = statusWords();
    QCOMPARE(printerAfter, printerBefore);
    QCOMPARE(fiscalAfter, fiscalBefore | fiscal_status::kCommandRefused);
  }

  // ESTADO (the status query) shows the two words of the printer's last reply,
  // in decimal, and sends nothing itself.
  void statusQueryShowsTheWordsThePrinterReported_data() {
    QTest::addColumn<QStringList>("pressed");
    QTest::addColumn<int>("printerWord");
    QTest::addColumn<int>("fiscalWord");

    using namespace fiscal_status;
    QTest::newRow("after the handshake") << QStringList{} << 0 << 0;
    QTest::newRow("ticket open") << QStringList{kAbrirTique} << 0 << int{kTicketOpen};
    QTest::newRow("ticket paid") << QStringList{kAbrirTique, kTiqueItemMas, kTiquePago} << 0
                                 << int{kTicketOpen | kPaymentStarted};
    QTest::newRow("ticket closed")
        << QStringList{kAbrirTique, kTiqueItemMas, kTiquePago, kCerrarTique} << 0
        << int{kDayTotalsPending};
    QTest::newRow("ticket cancelled")
        << QStringList{kAbrirTique, kTiqueItemMas, kCancelaTique} << 0 << int{kDayTotalsPending};
    QTest::newRow("Z closing after a ticket")
        << QStringList{kAbrirTique, kTiqueItemMas, kTiquePago, kCerrarTique, kCierreZ} << 0 << 0;
    QTest::newRow("invoice A open") << QStringList{kAbrirFactura} << 0 << int{kInvoiceOpen};
    QTest::newRow("non-fiscal document open") << QStringList{kAbrirNf} << 0 << int{kNonFiscalOpen};
    QTest::newRow("item refused") << QStringList{kTiqueItemMas} << 0 << int{kCommandRefused};
    QTest::newRow("drawer open") << QStringList{kAbrirCajon} << int{printer_status::kDrawerOpen}
                                 << 0;
    QTest::newRow("drawer shut by the next opening")
        << QStringList{kAbrirCajon, kAbrirTique} << 0 << int{kTicketOpen};
  }
  void statusQueryShowsTheWordsThePrinterReported() {
    QFETCH(QStringList, pressed);
    QFETCH(int, printerWord);
    QFETCH(int, fiscalWord);
    openOnSimulator({"--z-ms", "50"});
    for (const QString& button : pressed) {
      QVERIFY2(press(button.toLatin1().constData()), qPrintable(button));
    }
    QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t(pressed.size()));
    const auto framesBefore = simulator_->stat("frames_received");

    const auto [printer, fiscal] = statusWords();

    QCOMPARE(printer, printerWord);
    QCOMPARE(fiscal, fiscalWord);
    QCOMPARE(simulator_->stat("frames_received"), framesBefore);
  }

  // With no printer to talk to, the connection message says why, and every
  // button still ends at once: the ones with a result show the library's "port
  // not open" code (a failed opening leaves the port closed), the others show
  // nothing; the status query shows zero words.
  void withoutAPrinterEveryButtonStillAnswers_data() {
    QTest::addColumn<bool>("silentPrinter");
    QTest::addColumn<QString>("message");
    QTest::newRow("port absent") << false << "Puerto invalido";
    QTest::newRow("printer silent") << true << "Error de escritura verifique el impresor";
  }
  void withoutAPrinterEveryButtonStillAnswers() {
    QFETCH(bool, silentPrinter);
    QFETCH(QString, message);
    const QString notOpen = QString::number(FP_NOT_OPEN);
    // Every command button of the form but CmCommand1, which ABRIR TIQUE covers,
    // and what ESTADO shows after it (the closings and the query have no result).
    const std::vector<std::pair<const char*, QString>> buttons = {
        {kAbrirFactura, notOpen},  {kAbrirTique, notOpen},       {kAbrirNf, notOpen},
        {kAbrirCajon, notOpen},    {kFacturaItemMas, notOpen},   {kTiqueItemMas, notOpen},
        {kTextoNf, notOpen},       {kFacturaItemMenos, notOpen}, {kTiqueItemMenos, notOpen},
        {kCerrarNf, notOpen},      {kFacturaPago, notOpen},      {kCancelaFactura, notOpen},
        {kTiquePago, notOpen},     {kCancelaTique, notOpen},     {kCierreZ, QString()},
        {kCierreX, QString()},     {kCerrarFactura, notOpen},    {kCerrarTique, notOpen},
        {kTotalJornal, QString()}, {kEstado, QString()},
    };
    QCOMPARE(buttons.size(),
             window_test::controlsOfKind(console::ControlKind::CommandButton).size() - 1);

    QTemporaryDir directory;
    if (silentPrinter) {
      openOnSimulator({"--silent"});
    } else {
      QVERIFY(directory.isValid());
      open(directory.filePath("ttyFISCAL").toStdString());
    }
    QCOMPARE(shown("CmCOMUNICACION"), message);
    for (const auto& [button, code] : buttons) {
      QVERIFY2(estadoAfterPressing(button) == code, button);
    }
    QCOMPARE(shown("Cm1"), QStringLiteral("0"));
    QCOMPARE(shown("Cm2"), QStringLiteral("0"));
    QCOMPARE(shown("CmCOMUNICACION"), message);
    if (simulator_) QCOMPARE(simulator_->stat("commands_executed"), std::uint64_t{0});
  }

 private:
  void openOnSimulator(const std::vector<std::string>& args = {}) {
    simulator_ = std::make_unique<sim_test::SimulatorProcess>(args);
    if (!simulator_->started()) qFatal("the virtual printer did not start");
    open(simulator_->port());
  }

  // Opens the console with port 1 on `device`, as the operator's environment would.
  void open(const std::string& device) {
    setenv("FISCALPRINTER_PORT1", device.c_str(), 1);
    runtime_ = std::make_unique<console::ProgramRuntime>(errors_);
    module_ = std::make_unique<console::ConsoleModule>(*runtime_, PRINTER_LIBRARY_PATH);
    forms_ = std::make_unique<console::QtFormsRuntime>(console::mainForm(),
                                                       console::eventEntryOf(*module_));
    window_ = &forms_->open();
    if (!QTest::qWaitForWindowExposed(window_)) qFatal("window not exposed");
  }

  // A click in the middle of the button, which must be on top there.
  bool press(const char* name) { return window_test::clickOnTop(*window_, name); }

  // ESTADO is emptied first, so what it shows afterwards was written by this press.
  QString estadoAfterPressing(const char* name) {
    setShown("ESTADO", QString());
    if (!press(name)) return QStringLiteral("%1 is covered").arg(name);
    return shown("ESTADO");
  }

  // Presses the status query (with Cm1 and Cm2 emptied first) and reads both words.
  std::pair<int, int> statusWords() {
    setShown("Cm1", QString());
    setShown("Cm2", QString());
    if (!press(kEstado)) return {-1, -1};
    bool printerOk = false;
    bool fiscalOk = false;
    const int printer = shown("Cm1").toInt(&printerOk);
    const int fiscal = shown("Cm2").toInt(&fiscalOk);
    return {printerOk ? printer : -1, fiscalOk ? fiscal : -1};
  }

  QString shown(const char* name) const { return window_test::shownBy(*window_, name); }

  void setShown(const char* name, const QString& text) {
    qobject_cast<QLabel*>(window_->widget(name))->setText(text);
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
