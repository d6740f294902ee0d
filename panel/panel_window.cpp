#include "panel/panel_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>

namespace panel {
namespace {

namespace watch = sim::watch;

QSettings placeSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope,
                   QStringLiteral("fiscal-printer-panel"), QStringLiteral("panel"));
}

}  // namespace

PanelWindow::PanelWindow(const QString& tearOffDir, QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Fiscal printer panel"));
  link_ = new PrinterLink(this);
  paper_ = new PaperView(tearOffDir, this);
  lamps_ = new StatusLamps(this);
  fiscal_ = new FiscalView(this);
  switches_ = new SwitchBoard(this);
  monitor_ = new LineMonitor(this);
  state_ = new QLabel(QStringLiteral("Not connected"), this);
  state_->setAccessibleName(QStringLiteral("Connection"));
  statusBar()->addPermanentWidget(state_);

  auto* top = new QWidget(this);
  auto* grid = new QGridLayout(top);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(lamps_, 0, 0, 2, 1);
  grid->addWidget(switches_, 0, 1);
  grid->addWidget(fiscal_, 1, 1);
  auto* right = new QSplitter(Qt::Vertical, this);
  right->addWidget(top);
  right->addWidget(monitor_);
  right->setStretchFactor(1, 1);
  right->setChildrenCollapsible(false);
  auto* all = new QSplitter(Qt::Horizontal, this);
  all->addWidget(paper_);
  all->addWidget(right);
  all->setStretchFactor(1, 1);
  all->setChildrenCollapsible(false);
  setCentralWidget(all);

  connect(link_, &PrinterLink::eventArrived, this, &PanelWindow::showStreamEvent);
  connect(link_, &PrinterLink::watchingChanged, this, &PanelWindow::watchingChanged);
  connect(link_, &PrinterLink::answered, this,
          [this](const QString& request, bool ok, const QString& answer) {
            if (!ok) say(QStringLiteral("%1: %2").arg(request, answer));
          });
  connect(link_, &PrinterLink::unreadableLines, this, [this](quint64 count, const QString& why) {
    say(QStringLiteral("%1 lines of the stream could not be read (last: %2)").arg(count).arg(why));
  });
  connect(switches_, &SwitchBoard::requested, link_, &PrinterLink::request);
  connect(paper_, &PaperView::tornOff, this,
          [this](bool, const QString& message) { say(message); });
}

void PanelWindow::watch(const QString& socket) {
  where_ = socket;
  state_->setText(QStringLiteral("Connecting to %1").arg(socket));
  link_->watch(socket);
}

void PanelWindow::startPrinter(const QString& program, const std::vector<std::string>& args) {
  runner_ = new SimulatorRunner(this);
  connect(runner_, &SimulatorRunner::started, this,
          [this](const QString& port, const QString& socket) {
            // Under --exec only the command is told the port.
            const QString shown = port.isEmpty() ? QStringLiteral("its command's port") : port;
            setWindowTitle(QStringLiteral("Fiscal printer panel - %1").arg(shown));
            monitor_->note(QStringLiteral("virtual printer started on %1").arg(shown));
            watch(socket);
          });
  const auto gone = [this](const QString& why) {
    link_->stop();
    switches_->showUnknown();
    lamps_->showUnknown();
    state_->setText(why);
    state_->setToolTip(why);  // the label may be too narrow for all of it
    monitor_->note(why);
  };
  connect(runner_, &SimulatorRunner::ended, this, gone);
  // A printer that never started leaves the panel with nothing to show: say
  // why where it cannot be missed.
  connect(runner_, &SimulatorRunner::failed, this, [this, gone](const QString& why) {
    gone(why);
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                QStringLiteral("The virtual printer did not start."),
                                QMessageBox::Close, this);
    box->setInformativeText(why);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    startFailure_ = box;
  });
  state_->setText(QStringLiteral("Starting the virtual printer"));
  runner_->start(program, args);
}

void PanelWindow::showStreamEvent(const watch::Event& event) {
  if (const auto* paper = std::get_if<watch::Paper>(&event)) {
    paper_->print(QString::fromStdString(paper->text));
  } else if (const auto* status = std::get_if<watch::Status>(&event)) {
    lamps_->show(*status);
  } else if (const auto* conditions = std::get_if<watch::Conditions>(&event)) {
    switches_->show(*conditions);
    paper_->showPaper(conditions->paper);
  } else if (const auto* fiscal = std::get_if<watch::Fiscal>(&event)) {
    fiscal_->show(*fiscal);
  } else if (const auto* frame = std::get_if<watch::Frame>(&event)) {
    monitor_->add(frameRow(*frame));
  } else if (const auto* command = std::get_if<watch::Command>(&event)) {
    monitor_->add(commandRow(*command));
  } else if (const auto* watching = std::get_if<watch::Watching>(&event)) {
    paper_->setColumns(static_cast<int>(watching->columns));
  } else if (const auto* dropped = std::get_if<watch::Dropped>(&event)) {
    paper_->markMissed(dropped->lines);
    const QString text =
        QStringLiteral("the panel missed %1 lines of the stream").arg(dropped->lines);
    monitor_->note(text);
    say(text);
  }
}

void PanelWindow::watchingChanged(bool watching, const QString& why) {
  if (watching) {
    state_->setText(QStringLiteral("Watching %1").arg(where_));
    monitor_->note(QStringLiteral("watching %1").arg(where_));
    return;
  }
  switches_->showUnknown();
  lamps_->showUnknown();
  state_->setText(QStringLiteral("Not connected (%1); trying again").arg(why));
  monitor_->note(QStringLiteral("stream ended: %1").arg(why));
}

void PanelWindow::say(const QString& message) {
  statusBar()->showMessage(message, 10'000);
}

QString PanelWindow::settingsFile() {
  return placeSettings().fileName();
}

void PanelWindow::restorePlace() {
  QSettings settings = placeSettings();
  if (restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect room = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QSize size(std::min(1000, room.width()), std::min(700, room.height()));
  resize(size);
  move(room.right() - size.width(), room.top());
}

void PanelWindow::closeEvent(QCloseEvent* event) {
  QSettings settings = placeSettings();
  settings.setValue(QStringLiteral("geometry"), saveGeometry());
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    std::fprintf(stderr, "fiscal-printer-panel: cannot save the window's place in %s\n",
                 qPrintable(settings.fileName()));
  }
  QMainWindow::closeEvent(event);
}

}  // namespace panel
