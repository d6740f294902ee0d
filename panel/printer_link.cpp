#include "panel/printer_link.h"

namespace panel {

PrinterLink::PrinterLink(QObject* parent) : QObject(parent) {
  reconnect_.setSingleShot(true);
  reconnect_.setInterval(kReconnectMs);
  connect(&reconnect_, &QTimer::timeout, this, &PrinterLink::connectStream);
  requestDeadline_.setSingleShot(true);
  requestDeadline_.setInterval(kRequestDeadlineMs);
  connect(&requestDeadline_, &QTimer::timeout, this, [this] {
    requestDone(false, QStringLiteral("no answer within %1 ms").arg(kRequestDeadlineMs));
  });
}

PrinterLink::~PrinterLink() {
  stop();
}

void PrinterLink::watch(const QString& socketPath) {
  path_ = socketPath;
  stopped_ = false;
  connectStream();
}

void PrinterLink::stop() {
  stopped_ = true;
  reconnect_.stop();
  if (stream_ != nullptr) {
    stream_->disconnect(this);
    stream_->abort();
    stream_->deleteLater();
    stream_ = nullptr;
  }
  streaming_ = false;
}

void PrinterLink::connectStream() {
  if (stopped_) return;
  if (stream_ != nullptr) stream_->deleteLater();
  stream_ = new QLocalSocket(this);
  reader_ = sim::watch::WatchStream();
  connect(stream_, &QLocalSocket::connected, this,
          [this] { stream_->write(QByteArrayLiteral("watch\n")); });
  connect(stream_, &QLocalSocket::readyRead, this, &PrinterLink::streamReadable);
  connect(stream_, &QLocalSocket::disconnected, this,
          [this] { streamEnded(QStringLiteral("the printer ended the connection")); });
  connect(stream_, &QLocalSocket::errorOccurred, this,
          [this] { streamEnded(socketProblem(*stream_)); });
  stream_->connectToServer(path_);
}

void PrinterLink::streamReadable() {
  const QByteArray bytes = stream_->readAll();
  const std::uint64_t unreadableBefore = reader_.unreadable();
  reader_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
               [this](const sim::watch::Event& event) {
                 if (!streaming_) {
                   streaming_ = true;
                   lastEnded_.clear();
                   emit watchingChanged(true, {});
                 }
                 emit eventArrived(event);
               });
  if (reader_.unreadable() != unreadableBefore) {
    emit unreadableLines(reader_.unreadable(), QString::fromStdString(reader_.lastError()));
  }
  if (reader_.refusal()) streamEnded(QString::fromStdString(*reader_.refusal()));
}

void PrinterLink::streamEnded(const QString& why) {
  if (stream_ == nullptr) return;
  stream_->disconnect(this);
  stream_->abort();
  stream_->deleteLater();
  stream_ = nullptr;
  const bool wasStreaming = streaming_;
  streaming_ = false;
  if (wasStreaming || why != lastEnded_) {
    lastEnded_ = why;
    emit watchingChanged(false, why);
  }
  if (!stopped_) reconnect_.start();
}

QString PrinterLink::socketProblem(const QLocalSocket& socket) const {
  switch (socket.error()) {
    case QLocalSocket::ServerNotFoundError:
      return QStringLiteral("no printer's control socket at %1").arg(path_);
    case QLocalSocket::ConnectionRefusedError:
      return QStringLiteral("%1 takes no connection (no printer runs on it)").arg(path_);
    case QLocalSocket::SocketAccessError:
      return QStringLiteral("no permission to use %1").arg(path_);
    case QLocalSocket::PeerClosedError:
      return QStringLiteral("the printer ended the connection");
    default:
      return socket.errorString();
  }
}

void PrinterLink::request(const QString& request) {
  requests_.push_back(request);
  if (asking_ == nullptr) sendNextRequest();
}

void PrinterLink::sendNextRequest() {
  if (requests_.empty() || path_.isEmpty()) return;
  asking_ = new QLocalSocket(this);
  answer_.clear();
  const QByteArray line = requests_.front().toUtf8() + '\n';
  connect(asking_, &QLocalSocket::connected, this, [this, line] { asking_->write(line); });
  connect(asking_, &QLocalSocket::readyRead, this, [this] {
    answer_ += asking_->readAll();
    if (const qsizetype end = answer_.indexOf('\n'); end >= 0) {
      const QString text = QString::fromUtf8(answer_.left(end));
      requestDone(text.startsWith(QStringLiteral("ok")), text);
    } else if (answer_.size() > 4096) {
      requestDone(false, QStringLiteral("an answer longer than 4096 bytes"));
    }
  });
  connect(asking_, &QLocalSocket::errorOccurred, this,
          [this] { requestDone(false, socketProblem(*asking_)); });
  requestDeadline_.start();
  asking_->connectToServer(path_);
}

void PrinterLink::requestDone(bool ok, const QString& answer) {
  if (asking_ == nullptr) return;
  requestDeadline_.stop();
  asking_->disconnect(this);
  asking_->abort();
  asking_->deleteLater();
  asking_ = nullptr;
  const QString request = requests_.front();
  requests_.pop_front();
  emit answered(request, ok, answer);
  sendNextRequest();
}

}  // namespace panel
