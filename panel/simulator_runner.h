// A virtual printer the panel starts itself: fiscal-printer-sim with the
// user's options and a control socket (the user's --control, or one in a
// private folder). It has started once that socket takes a connection (under
// --exec its standard output is the command's, so the socket is what tells).
// Its standard error is passed on to the panel's; what it writes to standard
// output (its terminal's path first, without --exec, then perhaps the paper
// roll) is read, the path kept and the rest dropped (the panel has the roll
// from the stream). It ends with the panel, however the panel ends.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

namespace panel {

class SimulatorRunner : public QObject {
  Q_OBJECT

 public:
  // How long the printer has to open its control socket.
  static constexpr int kStartDeadlineMs = 10'000;
  // How long it has to end after SIGTERM before it is killed.
  static constexpr int kStopDeadlineMs = 3'000;

  explicit SimulatorRunner(QObject* parent = nullptr);
  ~SimulatorRunner() override;

  // Starts `program` with `args`; started() or failed() follows.
  void start(const QString& program, const std::vector<std::string>& args);
  // The program to run by default: fiscal-printer-sim beside this one, else
  // the name alone (looked up on PATH).
  static QString defaultProgram();

 signals:
  // The printer runs: its terminal's path (empty under --exec, where only the
  // command is told) and its control socket.
  void started(const QString& port, const QString& socket);
  void failed(const QString& why);
  // It ended after it had started: with its exit code.
  void ended(const QString& how);

 private:
  void readOutput();
  void probe();
  void readErrors();
  void finished(int code, QProcess::ExitStatus status);
  void stopNow();

  QProcess process_;
  std::unique_ptr<QTemporaryDir> folder_;
  QString socket_;
  QString port_;  // the first line of its standard output: its terminal
  bool firstLineRead_ = false;
  bool pathComing_ = true;    // no --exec: the path comes on standard output
  bool socketTaken_ = false;  // the control socket took a connection
  bool running_ = false;
  QByteArray errors_;  // the last lines of its standard error (a usage error and its usage)
  QTimer startDeadline_;
  QTimer probeTimer_;  // tries the control socket until it answers
  static constexpr int kProbeIntervalMs = 50;
};

}  // namespace panel
