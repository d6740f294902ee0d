// The panel watching the real virtual printer while fiscalctl and ctl drive
// it: the roll, the lamps and the switches as the printer reports them, the
// line monitor, tearing off, remembering its place, and its command line.
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "panel/command_line.h"
#include "panel/panel_window.h"
#include "tests/fiscalctl/fiscalctl_run.h"
#include "tests/simulator/simulator_process.h"

namespace {

using fp::protocol::StatusWord;
using sim::watch::PaperState;

constexpr int kWaitMs = 10'000;

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

class PanelTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir home_;
  std::unique_ptr<sim_test::SimulatorProcess> printer_;
  std::unique_ptr<panel::PanelWindow> window_;
  std::string socket_;

  fiscalctl_test::Result fiscalctl(const std::vector<std::string>& args) {
    return fiscalctl_test::fiscalctl(args, {"FISCALPRINTER_PORT1=" + printer_->port()});
  }
  QString tearOffDir() const { return home_.filePath(QStringLiteral("torn")); }

 private slots:
  void initTestCase() {
    QVERIFY(home_.isValid());
    // Before the first QSettings: the window's place goes here.
    qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
  }

  void init() {
    socket_ = (QDir(home_.path()).filePath(QStringLiteral("control.sock"))).toStdString();
    printer_ = std::make_unique<sim_test::SimulatorProcess>(
        std::vector<std::string>{"--control", socket_, "--z-ms", "700"});
    QVERIFY(printer_->started());
    window_ = std::make_unique<panel::PanelWindow>(tearOffDir());
    window_->show();
    window_->watch(q(socket_));
    QTRY_VERIFY_WITH_TIMEOUT(window_->link()->watching(), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(window_->switches()->isEnabled(), kWaitMs);
  }

  void cleanup() {
    window_.reset();
    printer_.reset();
  }

  void aTicketPrintsOnTheRollLineForLineAsOnThePaper() {
    const auto run = fiscalctl({"ticket-open", "ticket-item", "ticket-pay", "ticket-close"});
    QCOMPARE(run.exitCode, 0);
    const QString paper = q(printer_->paper());
    QVERIFY(paper.count(QLatin1Char('\n')) > 10);
    QTRY_COMPARE_WITH_TIMEOUT(window_->paper()->text() + QLatin1Char('\n'), paper, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(window_->fiscal()->dayText().startsWith(QStringLiteral("1 ticket,")),
                             kWaitMs);
  }

  void paperOutFromCtlLightsTheLampAndRefusesPrinting() {
    QVERIFY(!window_->lamps()->lit(StatusWord::Printer, 1));
    QCOMPARE(sim_test::runSimulatorToEnd({"ctl", socket_, "paper", "out"}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(window_->lamps()->lit(StatusWord::Printer, 1), kWaitMs);
    QVERIFY(window_->switches()->paperButton(PaperState::kOut)->isChecked());
    const auto run = fiscalctl({"ticket-open"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.find("1007") != std::string::npos, run.out.c_str());
  }

  // The switch shows the printer's state, not where the click left it: right
  // after the click it still shows the cover closed.
  void theCoverSwitchMakesTheNextPrintingCommandGetCoverOpen() {
    QCheckBox* cover = window_->switches()->cover();
    QVERIFY(!cover->isChecked());
    QTest::mouseClick(cover, Qt::LeftButton, {}, QPoint(6, cover->height() / 2));  // its box
    QVERIFY(!cover->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(cover->isChecked(), kWaitMs);
    QVERIFY(window_->lamps()->lit(StatusWord::Printer, 3));
    const auto run = fiscalctl({"ticket-open"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.find("1009") != std::string::npos, run.out.c_str());
    // And from the keyboard: the cover shut again, paper out by its mnemonic.
    cover->setFocus();
    QTest::keyClick(cover, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!window_->lamps()->lit(StatusWord::Printer, 3), kWaitMs);
    QTest::keyClick(window_.get(), Qt::Key_U, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(window_->lamps()->lit(StatusWord::Printer, 1), kWaitMs);
  }

  // Each fault switch reaches the printer and comes back as its state.
  void theFaultSwitchesAreShownBackFromThePrinter() {
    panel::SwitchBoard* board = window_->switches();
    board->corruptEvery()->setValue(5);
    board->dropEvery()->setValue(7);
    board->delayMs()->setValue(30);
    board->baud()->setCurrentIndex(board->baud()->findData(9600u));
    emit board->baud()->activated(board->baud()->currentIndex());
    QTRY_COMPARE_WITH_TIMEOUT(board->baud()->currentData().toUInt(), 9600u, kWaitMs);
    QCOMPARE(board->corruptEvery()->value(), 5);
    QCOMPARE(board->dropEvery()->value(), 7);
    QCOMPARE(board->delayMs()->value(), 30);
    // A change made elsewhere shows on the switch too.
    QCOMPARE(sim_test::runSimulatorToEnd({"ctl", socket_, "delay", "0"}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(board->delayMs()->value(), 0, kWaitMs);
    // A power cut shows while it lasts, then the printer is back.
    QLabel* power = nullptr;
    for (QLabel* label : board->findChildren<QLabel*>()) {
      if (label->accessibleName() == QStringLiteral("Power")) power = label;
    }
    QVERIFY(power != nullptr);
    QCOMPARE(power->accessibleDescription(), QStringLiteral("on"));
    board->powerCutMs()->setValue(600);
    QTest::mouseClick(board->powerCut(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(power->accessibleDescription(), QStringLiteral("cut"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(power->accessibleDescription(), QStringLiteral("on"), kWaitMs);
  }

  void theMonitorShowsVerdictsFiltersAndCopies() {
    QCOMPARE(fiscalctl({"ticket-open", "ticket-cancel", "closing-z", "ticket-pay"}).exitCode, 1);
    panel::LineMonitor* monitor = window_->monitor();
    QTRY_VERIFY_WITH_TIMEOUT(
        monitor->shownText().contains(QStringLiteral("REFUSED (2 out of order)")), kWaitMs);
    // The Z's "still working" bytes are one row with their count.
    QVERIFY(monitor->shownText().contains(QStringLiteral("still working (")));
    monitor->filter()->setText(QStringLiteral("closing-z"));
    const QStringList rows = monitor->shownText().split(QLatin1Char('\n'));
    QCOMPARE(rows.size(), 2);  // the frame in and its verdict
    QVERIFY2(rows[0].contains(QStringLiteral("\t>\t#")) &&
                 rows[0].endsWith(QStringLiteral("[0801|0C00]")),
             qPrintable(rows[0]));
    QVERIFY2(rows[1].contains(QStringLiteral("\t=\t#")) &&
                 rows[1].contains(QStringLiteral(" closing-z\tOK (0 executed)")),
             qPrintable(rows[1]));
    monitor->copy();
    QCOMPARE(QApplication::clipboard()->text(), monitor->shownText());
  }

  void tearingOffSavesTheRollPrivatelyAndClearsIt() {
    QCOMPARE(fiscalctl({"ticket-open", "ticket-cancel"}).exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(window_->paper()->text() + QLatin1Char('\n'), q(printer_->paper()),
                              kWaitMs);
    QString message;
    connect(window_->paper(), &panel::PaperView::tornOff, this,
            [&](bool, const QString& said) { message = said; });
    window_->paper()->tearOff();
    const QStringList files = QDir(tearOffDir()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = QDir(tearOffDir()).filePath(files[0]);
    QVERIFY2(message.contains(path), qPrintable(message));
    struct stat info {};
    QCOMPARE(::stat(path.toLocal8Bit().constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
    QCOMPARE(q(fiscalctl_test::readFile(path.toStdString())), q(printer_->paper()));
    QVERIFY(window_->paper()->text().isEmpty());
    window_->paper()->tearOff();
    QCOMPARE(message, QStringLiteral("Nothing to tear off"));
  }

  // The paper stays on the roll when it cannot be saved.
  void aTearOffThatCannotBeSavedKeepsThePaper() {
    const QString notAFolder = home_.filePath(QStringLiteral("a-file"));
    fiscalctl_test::writeFile(notAFolder.toStdString(), "x");
    panel::PaperView view(notAFolder);
    view.print(QStringLiteral("TOTAL 1.00"));
    bool saved = true;
    connect(&view, &panel::PaperView::tornOff, this, [&](bool ok, const QString&) { saved = ok; });
    view.tearOff();
    QVERIFY(!saved);
    QCOMPARE(view.text(), QStringLiteral("TOTAL 1.00"));
  }

  void everyControlHasANameTakesTheKeyboardAndTheWindowFits() {
    int controls = 0;
    for (QWidget* widget : window_->findChildren<QWidget*>()) {
      const bool control =
          qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
          qobject_cast<QComboBox*>(widget) || qobject_cast<QLineEdit*>(widget) ||
          qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QPlainTextEdit*>(widget);
      if (!control || !widget->isVisibleTo(window_.get())) continue;
      if (qobject_cast<QLineEdit*>(widget) && qobject_cast<QAbstractSpinBox*>(widget->parent())) {
        continue;  // a spin box's own editor: the spin box is named
      }
      if (widget->inherits("QToolButton")) continue;  // a line edit's clear button
      if (widget->inherits("QHeaderView")) continue;  // a table's header: the table is named
      ++controls;
      QVERIFY2(!widget->accessibleName().isEmpty(), widget->metaObject()->className());
      QVERIFY2((widget->focusPolicy() & Qt::TabFocus) != 0, qPrintable(widget->accessibleName()));
    }
    QVERIFY(controls >= 17);
    const QSize smallest = window_->minimumSizeHint();
    QVERIFY2(smallest.width() <= 1024 && smallest.height() <= 738,
             qPrintable(QStringLiteral("%1 x %2").arg(smallest.width()).arg(smallest.height())));
  }

  void theWindowRemembersItsSizeAndPlace() {
    QFile::remove(panel::PanelWindow::settingsFile());
    window_->restorePlace();
    QVERIFY(window_->width() <= 1024 && window_->height() <= 768);
    window_->resize(900, 640);
    window_->move(40, 30);
    window_->close();
    QVERIFY(QFile::exists(panel::PanelWindow::settingsFile()));
    QVERIFY(
        panel::PanelWindow::settingsFile().startsWith(home_.filePath(QStringLiteral("config"))));
    panel::PanelWindow again(tearOffDir());
    again.restorePlace();
    QCOMPARE(again.size(), QSize(900, 640));
    // The platform may add its frame to the place: a few pixels at most.
    QVERIFY((again.pos() - window_->pos()).manhattanLength() <= 8);
  }

  // Started by the panel, the printer ends with it.
  void aPrinterThePanelStartsEndsWithIt() {
    const std::string own = QDir(home_.path()).filePath(QStringLiteral("own.sock")).toStdString();
    auto window = std::make_unique<panel::PanelWindow>(tearOffDir());
    window->startPrinter(QStringLiteral(SIMULATOR_PATH), {"--control", own, "--roll-lines", "60"});
    QTRY_VERIFY_WITH_TIMEOUT(window->link()->watching(), kWaitMs);
    QVERIFY(window->windowTitle().contains(QStringLiteral("/dev/pts/")));
    QVERIFY(QFile::exists(q(own)));
    window.reset();
    QVERIFY(!QFile::exists(q(own)));  // removed by the printer as it ended

    // Its own control socket goes among the printer's options, not the
    // --exec command's.
    window = std::make_unique<panel::PanelWindow>(tearOffDir());
    window->startPrinter(QStringLiteral(SIMULATOR_PATH), {"--exec", "/bin/sleep", "30"});
    QTRY_VERIFY_WITH_TIMEOUT(window->link()->watching(), kWaitMs);
  }

  // A printer that is not there is said in the user's terms, once per reason,
  // however often the link tries again.
  void aMissingPrinterIsSaidOnceInPlainWords() {
    const QString missing = QDir(home_.path()).filePath(QStringLiteral("none.sock"));
    panel::PrinterLink link;
    QSignalSpy changes(&link, &panel::PrinterLink::watchingChanged);
    link.watch(missing);
    QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, kWaitMs);
    const QString why = changes.at(0).at(1).toString();
    QVERIFY2(why == QStringLiteral("no printer's control socket at ") + missing, qPrintable(why));
    QTest::qWait(3 * panel::PrinterLink::kReconnectMs + 500);  // three more tries
    QCOMPARE(changes.count(), 1);
  }

  // A printer that does not start is said plainly, with its own complaint.
  void aPrinterThatDoesNotStartSaysWhy() {
    const struct {
      QString program;
      std::vector<std::string> args;
      QString said;
    } cases[] = {
        {QStringLiteral("/nonexistent/fiscal-printer-sim"), {}, QStringLiteral("cannot start")},
        {QStringLiteral(SIMULATOR_PATH), {"--z-ms=abc"}, QStringLiteral("--z-ms needs a whole")},
    };
    for (const auto& c : cases) {
      panel::PanelWindow window(tearOffDir());
      window.startPrinter(c.program, c.args);
      QTRY_VERIFY_WITH_TIMEOUT(!window.startFailure().isEmpty(), kWaitMs);
      QVERIFY2(window.startFailure().contains(c.said), qPrintable(window.startFailure()));
      QVERIFY(window.statusText().contains(c.said));
    }
  }

  void theCommandLineKeepsThePrintersOptionsApart() {
    struct Case {
      std::vector<std::string> args;
      bool ok;
      std::vector<std::string> printer;
      std::string error;
    };
    const std::vector<Case> cases = {
        {{"--control", "s.sock"}, true, {}, ""},
        {{"--", "--paper", "p.txt", "--exec", "fiscal-console", "--control", "c"},
         true,
         {"--paper", "p.txt", "--exec", "fiscal-console", "--control", "c"},
         ""},
        {{"--control=s.sock", "--tear-off-dir=t"}, true, {}, ""},
        {{"--paper", "p.txt"}, false, {}, "unknown option --paper"},
        {{"stray"}, false, {}, "unexpected argument stray"},
        {{"--control", "s.sock", "--", "--paper", "p"}, false, {}, "--control watches"},
        {{"--control", ""}, false, {}, "--control needs a value that is not empty"},
        {{"--control"}, false, {}, "--control needs a value (PATH)"},
    };
    for (const Case& c : cases) {
      std::vector<std::string> storage = {"fiscal-printer-panel"};
      storage.insert(storage.end(), c.args.begin(), c.args.end());
      std::vector<char*> argv;
      for (std::string& arg : storage) argv.push_back(arg.data());
      const panel::CommandLine line =
          panel::parseCommandLine(static_cast<int>(argv.size()), argv.data());
      QCOMPARE(line.action == panel::CommandLine::Action::Run, c.ok);
      QVERIFY2(line.error.find(c.error) != std::string::npos, line.error.c_str());
      if (c.ok) QVERIFY(line.simulatorArgs == c.printer);
    }
    // The printer's --control counts only before --exec, whose arguments are the command's.
    QVERIFY(!panel::controlInSimulatorArgs({"--exec", "x", "--control", "c"}));
    QCOMPARE(panel::controlInSimulatorArgs({"--control", "c", "--exec", "x"}),
             std::optional<std::string>("c"));
    QCOMPARE(panel::controlInSimulatorArgs({"--control=c"}), std::optional<std::string>("c"));
  }
};

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
