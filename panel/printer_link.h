// The panel's only way to the printer: its control socket. One connection
// stays open for the event stream (`watch`), taken up again every second
// while the printer is not there; each switch is one request on a connection
// of its own, sent one after the other, each answered within kRequestDeadline
// or given up.
#pragma once

#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>

#include "simulator/control/watch_event.h"
#include "simulator/control/watch_stream.h"

namespace panel {

class PrinterLink : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRequestDeadlineMs = 2000;  // as `fiscal-printer-sim ctl`
  static constexpr int kReconnectMs = 1000;

  explicit PrinterLink(QObject* parent = nullptr);
  ~PrinterLink() override;

  // Watches the printer at `socketPath` from now on.
  void watch(const QString& socketPath);
  // Stops watching and taking up the connection again.
  void stop();
  bool watching() const { return streaming_; }

  // Sends one request after those already queued.
  void request(const QString& request);

 signals:
  void eventArrived(const sim::watch::Event& event);
  // The stream started (true) or ended (false, with why). While the printer
  // stays away, a failed try is told only when its reason is new.
  void watchingChanged(bool watching, const QString& why);
  // A request's answer: ok, or the error the printer or the connection gave.
  void answered(const QString& request, bool ok, const QString& answer);
  // Lines of the stream that could not be read, in all so far.
  void unreadableLines(quint64 count, const QString& why);

 private:
  void connectStream();
  void streamReadable();
  void streamEnded(const QString& why);
  void sendNextRequest();
  void requestDone(bool ok, const QString& answer);
  // What went wrong with `socket`, in the user's terms rather than Qt's.
  QString socketProblem(const QLocalSocket& socket) const;

  QString path_;
  QLocalSocket* stream_ = nullptr;
  sim::watch::WatchStream reader_;
  bool streaming_ = false;
  bool stopped_ = true;
  QString lastEnded_;  // the reason last told while not streaming
  QTimer reconnect_;
  std::deque<QString> requests_;
  QLocalSocket* asking_ = nullptr;  // the request in flight
  QByteArray answer_;
  QTimer requestDeadline_;
};

}  // namespace panel
