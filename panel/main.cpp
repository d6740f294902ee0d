// fiscal-printer-panel: a live panel of the virtual fiscal printer.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <iostream>
#include <string>
#include <vector>

#include "panel/command_line.h"
#include "panel/panel_window.h"

namespace {

int stopPipe[2] = {-1, -1};

void onStop(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

// SIGINT, SIGTERM and SIGHUP close the window as the operator would (its
// place is saved, a printer it started is stopped).
void closeOnStopSignals(QWidget& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, stopPipe) != 0) return;
  auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] { window.close(); });
  struct sigaction action {};
  action.sa_handler = onStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  panel::CommandLine line = panel::parseCommandLine(argc, argv);
  if (line.action != panel::CommandLine::Action::Run) {
    return panel::answerCommandLine(line, std::cout, std::cerr);
  }
  // Qt reads only its own options, as it spells them; ours and the printer's are done with.
  std::vector<char*> toolkitArgv = line.toolkitArgv();
  int toolkitArgc = static_cast<int>(toolkitArgv.size() - 1);
  QApplication app(toolkitArgc, toolkitArgv.data());
  QApplication::setApplicationName(QStringLiteral("fiscal-printer-panel"));
  QApplication::setApplicationVersion(QStringLiteral(FISCAL_PANEL_VERSION));
  const QString tearOffDir =
      line.tearOffDir ? QString::fromLocal8Bit(line.tearOffDir->c_str())
                      : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/fiscal-printer-panel");
  panel::PanelWindow window(tearOffDir);
  closeOnStopSignals(window);
  window.restorePlace();
  window.show();
  if (line.control) {
    window.watch(QString::fromLocal8Bit(line.control->c_str()));
  } else {
    const QString program = line.simulator.empty() ? panel::SimulatorRunner::defaultProgram()
                                                   : QString::fromLocal8Bit(line.simulator.c_str());
    window.startPrinter(program, line.simulatorArgs);
  }
  return QApplication::exec();
}
