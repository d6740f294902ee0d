// A virtual printer the panel starts itself: fiscal-printer-sim with the
// user's options and a control socket (the user's --control, or one in a
// private folder). Its standard error is passed on to the panel's; the
// paper roll it may write to standard output is read and dropped (the panel
// has it from the stream). It ends with the panel, however the panel ends.
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
  // How long the printer has to say where its terminal and socket are.
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
  // The printer runs: its terminal's path and its control socket.
  void started(const QString& port, const QString& socket);
  void failed(const QString& why);
  // It ended after it had started: with its exit code.
  void ended(const QString& how);

 private:
  void readOutput();
  void readErrors();
  void finished(int code, QProcess::ExitStatus status);
  void stopNow();

  QProcess process_;
  std::unique_ptr<QTemporaryDir> folder_;
  QString socket_;
  QStringList firstLines_;  // terminal path, socket path
  bool running_ = false;
  QByteArray errors_;  // the last lines of its standard error
  QTimer startDeadline_;
};

}  // namespace panel
