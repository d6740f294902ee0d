// The panel's window: the paper roll on the left; the status lamps, the
// switches and the fiscal state at the top right; the line monitor under
// them. Everything it shows comes from the printer's event stream. It fits a
// 1024 x 768 screen and remembers its size and place in the user's
// configuration folder ($XDG_CONFIG_HOME/fiscal-printer-panel/panel.ini).
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "panel/fiscal_view.h"
#include "panel/line_monitor.h"
#include "panel/paper_view.h"
#include "panel/printer_link.h"
#include "panel/simulator_runner.h"
#include "panel/status_lamps.h"
#include "panel/switch_board.h"

namespace panel {

class PanelWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit PanelWindow(const QString& tearOffDir, QWidget* parent = nullptr);

  // Watches the printer listening on `socket`.
  void watch(const QString& socket);
  // Starts `program` with `args` and watches it; it is stopped with the window.
  void startPrinter(const QString& program, const std::vector<std::string>& args);
  // Takes the size and place saved last time; the first time, a size that
  // fits and the right-hand side of the screen (beside the console).
  void restorePlace();

  PaperView* paper() const { return paper_; }
  StatusLamps* lamps() const { return lamps_; }
  FiscalView* fiscal() const { return fiscal_; }
  SwitchBoard* switches() const { return switches_; }
  LineMonitor* monitor() const { return monitor_; }
  PrinterLink* link() const { return link_; }
  QString statusText() const { return state_->text(); }
  // What the window said when its printer did not start ("" while it has not).
  QString startFailure() const {
    return startFailure_ ? startFailure_->informativeText() : QString();
  }

  // Where the size and place are kept.
  static QString settingsFile();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void showStreamEvent(const sim::watch::Event& event);
  void watchingChanged(bool watching, const QString& why);
  void say(const QString& message);

  PrinterLink* link_;
  SimulatorRunner* runner_ = nullptr;
  PaperView* paper_;
  StatusLamps* lamps_;
  FiscalView* fiscal_;
  SwitchBoard* switches_;
  LineMonitor* monitor_;
  QLabel* state_;
  QPointer<QMessageBox> startFailure_;
  QString where_;  // the socket watched
};

}  // namespace panel
