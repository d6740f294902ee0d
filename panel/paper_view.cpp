#include "panel/paper_view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

namespace panel {
namespace {

// Writes `bytes` to a new file `path` (mode 0600, never over an existing
// one); an error text, or empty.
QString writeNewFile(const QString& path, const QByteArray& bytes) {
  const QByteArray name = QFile::encodeName(path);
  const int fd =
      ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + written, static_cast<std::size_t>(bytes.size() - written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const QString why = QString::fromLocal8Bit(std::strerror(errno));
      ::close(fd);
      ::unlink(name.constData());
      return why;
    }
    written += n;
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const QString why = QString::fromLocal8Bit(std::strerror(errno));
    ::unlink(name.constData());
    return why;
  }
  return {};
}

}  // namespace

PaperView::PaperView(QString tearOffDir, QWidget* parent)
    : QWidget(parent), tearOffDir_(std::move(tearOffDir)) {
  roll_ = new QPlainTextEdit(this);
  roll_->setReadOnly(true);
  roll_->setLineWrapMode(QPlainTextEdit::NoWrap);
  roll_->setMaximumBlockCount(kMaxLines);
  roll_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  roll_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #fffef6; color: #202020; }"));
  roll_->setAccessibleName(QStringLiteral("Paper roll"));
  roll_->setAccessibleDescription(QStringLiteral("The lines the printer has printed, newest last"));

  paperState_ = new QLabel(this);
  paperState_->setAlignment(Qt::AlignCenter);
  paperState_->setAccessibleName(QStringLiteral("Paper state"));

  tearButton_ = new QPushButton(QStringLiteral("&Tear off"), this);
  tearButton_->setAccessibleName(QStringLiteral("Tear off"));
  tearButton_->setAccessibleDescription(
      QStringLiteral("Save the paper in view to a file and clear the roll"));
  connect(tearButton_, &QPushButton::clicked, this, &PaperView::tearOff);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(roll_, 1);
  layout->addWidget(paperState_);
  layout->addWidget(tearButton_);
  setColumns(40);
  showPaper(sim::watch::PaperState::kOk);
}

void PaperView::setColumns(int columns) {
  const QFontMetrics metrics(roll_->font());
  const int frame =
      2 * roll_->frameWidth() + 2 * static_cast<int>(roll_->document()->documentMargin());
  roll_->setFixedWidth(metrics.horizontalAdvance(QString(columns, QLatin1Char('M'))) + frame +
                       roll_->verticalScrollBar()->sizeHint().width() + 2);
}

void PaperView::print(const QString& line) {
  roll_->appendPlainText(line);
  empty_ = false;
  roll_->verticalScrollBar()->setValue(roll_->verticalScrollBar()->maximum());
}

void PaperView::markMissed(quint64 lines) {
  print(QStringLiteral("~~ %1 stream lines missed ~~").arg(lines));
}

void PaperView::showPaper(sim::watch::PaperState state) {
  using sim::watch::PaperState;
  switch (state) {
    case PaperState::kOk:
      paperState_->setText(QStringLiteral("Paper OK"));
      paperState_->setStyleSheet(QStringLiteral("QLabel { padding: 3px; }"));
      break;
    case PaperState::kNearEnd:
      paperState_->setText(QStringLiteral("Paper low: the roll is near its end"));
      paperState_->setStyleSheet(
          QStringLiteral("QLabel { padding: 3px; background: #f5c542; color: black; }"));
      break;
    case PaperState::kOut:
      paperState_->setText(QStringLiteral("PAPER OUT: printing is refused"));
      paperState_->setStyleSheet(QStringLiteral(
          "QLabel { padding: 3px; background: #c0392b; color: white; font-weight: bold; }"));
      break;
  }
  paperState_->setAccessibleDescription(paperState_->text());
}

void PaperView::tearOff() {
  if (empty_) {
    emit tornOff(false, QStringLiteral("Nothing to tear off"));
    return;
  }
  const bool existed = QDir(tearOffDir_).exists();
  if (!QDir().mkpath(tearOffDir_)) {
    emit tornOff(false,
                 QStringLiteral("Cannot make %1; the paper stays on the roll").arg(tearOffDir_));
    return;
  }
  // A folder of our own is the user's alone; one the user named is left as it is.
  if (!existed) {
    QFile::setPermissions(tearOffDir_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  const QString stamp =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
  const QString path = QDir(tearOffDir_).filePath(QStringLiteral("torn-off-%1.txt").arg(stamp));
  const QString text = roll_->toPlainText() + QLatin1Char('\n');
  if (const QString why = writeNewFile(path, text.toUtf8()); !why.isEmpty()) {
    emit tornOff(false,
                 QStringLiteral("Cannot save %1 (%2); the paper stays on the roll").arg(path, why));
    return;
  }
  const int lines = roll_->blockCount();
  roll_->clear();
  empty_ = true;
  emit tornOff(true, QStringLiteral("Tore off %1 lines into %2").arg(lines).arg(path));
}

}  // namespace panel
