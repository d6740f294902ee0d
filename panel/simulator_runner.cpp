#include "panel/simulator_runner.h"

#include <sys/prctl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <csignal>
#include <cstdio>

#include "panel/command_line.h"

namespace panel {

SimulatorRunner::SimulatorRunner(QObject* parent) : QObject(parent) {
  startDeadline_.setSingleShot(true);
  connect(&startDeadline_, &QTimer::timeout, this, [this] {
    probeTimer_.stop();
    stopNow();
    emit failed(QStringLiteral("the virtual printer did not start within %1 s")
                    .arg(kStartDeadlineMs / 1000));
  });
  connect(&probeTimer_, &QTimer::timeout, this, &SimulatorRunner::probe);
  connect(&process_, &QProcess::readyReadStandardOutput, this, &SimulatorRunner::readOutput);
  connect(&process_, &QProcess::readyReadStandardError, this, &SimulatorRunner::readErrors);
  connect(&process_, &QProcess::finished, this, &SimulatorRunner::finished);
  connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
      startDeadline_.stop();
      probeTimer_.stop();
      emit failed(
          QStringLiteral("cannot start %1: %2").arg(process_.program(), process_.errorString()));
    }
  });
  // If the panel dies without a word, so does its printer.
  process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

SimulatorRunner::~SimulatorRunner() {
  stopNow();
}

QString SimulatorRunner::defaultProgram() {
  const QString beside =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("fiscal-printer-sim"));
  return QFileInfo(beside).isExecutable() ? beside : QStringLiteral("fiscal-printer-sim");
}

void SimulatorRunner::start(const QString& program, const std::vector<std::string>& args) {
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromLocal8Bit(arg.c_str());
  if (const auto own = controlInSimulatorArgs(args)) {
    socket_ = QString::fromLocal8Bit(own->c_str());
  } else {
    folder_ = std::make_unique<QTemporaryDir>();  // mode 0700
    if (!folder_->isValid()) {
      emit failed(QStringLiteral("cannot make a folder for the control socket: %1")
                      .arg(folder_->errorString()));
      return;
    }
    socket_ = folder_->filePath(QStringLiteral("control.sock"));
    // Before any --exec, whose arguments are the command's.
    const qsizetype exec = arguments.indexOf(QStringLiteral("--exec"));
    const qsizetype at = exec < 0 ? arguments.size() : exec;
    arguments.insert(at, socket_);
    arguments.insert(at, QStringLiteral("--control"));
  }
  // Without --exec the printer says its terminal's path on standard output.
  pathComing_ = !arguments.contains(QStringLiteral("--exec"));
  process_.setProgram(program);
  process_.setArguments(arguments);
  startDeadline_.start(kStartDeadlineMs);
  probeTimer_.start(kProbeIntervalMs);
  process_.start(QIODevice::ReadOnly);
}

void SimulatorRunner::readOutput() {
  if (!firstLineRead_ && process_.canReadLine()) {
    firstLineRead_ = true;
    port_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  if (firstLineRead_) process_.readAllStandardOutput();  // the roll, when it comes this way
  if (socketTaken_ && !running_ && (firstLineRead_ || !pathComing_)) {
    running_ = true;
    probeTimer_.stop();
    startDeadline_.stop();
    emit started(port_, socket_);
  }
}

// The socket exists before the printer answers on its line and before --exec
// starts the command, so a connection taken means the printer is up. The probe
// hangs up at once; the printer drops a client that sent nothing.
void SimulatorRunner::probe() {
  if (socketTaken_ || process_.state() != QProcess::Running) return;
  QLocalSocket probe;
  probe.connectToServer(socket_);
  if (!probe.waitForConnected(0) && probe.state() != QLocalSocket::ConnectedState) return;
  probe.abort();
  socketTaken_ = true;
  probeTimer_.stop();
  readOutput();
}

void SimulatorRunner::readErrors() {
  const QByteArray bytes = process_.readAllStandardError();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
  std::fflush(stderr);
  errors_ = (errors_ + bytes).right(4096);
}

void SimulatorRunner::finished(int code, QProcess::ExitStatus status) {
  startDeadline_.stop();
  probeTimer_.stop();
  const QString how = status == QProcess::CrashExit
                          ? QStringLiteral("the virtual printer ended by a signal")
                          : QStringLiteral("the virtual printer ended with exit code %1").arg(code);
  // Its own complaint is the line that names it (a usage error ends with a
  // pointer to --help, which says nothing about what went wrong).
  const QStringList lines = QString::fromLocal8Bit(errors_).trimmed().split(QLatin1Char('\n'));
  QString said = lines.isEmpty() ? QString() : lines.last();
  for (const QString& line : lines) {
    if (line.startsWith(QFileInfo(process_.program()).fileName() + QStringLiteral(": "))) {
      said = line;
    }
  }
  const QString full = said.isEmpty() ? how : how + ": " + said;
  if (running_) {
    running_ = false;
    emit ended(full);
  } else {
    emit failed(full);
  }
}

void SimulatorRunner::stopNow() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.disconnect(this);
  process_.terminate();  // SIGTERM: it stops its --exec command too
  if (!process_.waitForFinished(kStopDeadlineMs)) {
    process_.kill();
    process_.waitForFinished(kStopDeadlineMs);
  }
}

}  // namespace panel
