// The paper roll as it prints: monospace, the roll's width, the newest line
// always in view, paper low and out shown under it. Tearing off saves what
// the view holds to a new file (mode 0600: a receipt may hold a customer's
// data) and clears the view; a save that fails clears nothing.
#pragma once

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "simulator/control/watch_event.h"

namespace panel {

class PaperView : public QWidget {
  Q_OBJECT

 public:
  // Lines kept in view; older ones scroll away (a tear-off saves only these).
  static constexpr int kMaxLines = 20'000;

  PaperView(QString tearOffDir, QWidget* parent = nullptr);

  void setColumns(int columns);
  void print(const QString& line);
  // Lines the stream did not bring: marked on the roll, so no gap is silent.
  void markMissed(quint64 lines);
  void showPaper(sim::watch::PaperState state);

  // The lines in view, as printed.
  QString text() const { return roll_->toPlainText(); }
  const QString& tearOffDir() const { return tearOffDir_; }

 public slots:
  // Saves and clears; says where (or why not) through tornOff().
  void tearOff();

 signals:
  void tornOff(bool ok, const QString& message);

 private:
  QString tearOffDir_;
  QPlainTextEdit* roll_;
  QLabel* paperState_;
  QPushButton* tearButton_;
  bool empty_ = true;
};

}  // namespace panel
