// A lamp for every named bit of the printer and fiscal status words, lit from
// the status words the printer reports.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <vector>

#include "protocol/status_names.h"
#include "simulator/control/watch_event.h"

namespace panel {

class StatusLamps : public QGroupBox {
  Q_OBJECT

 public:
  explicit StatusLamps(QWidget* parent = nullptr);

  void show(const sim::watch::Status& status);
  // All lamps dark and dimmed: nothing is known.
  void showUnknown();

  // For tests and assistive tools: whether the lamp of `bit` of `word` is lit.
  bool lit(fp::protocol::StatusWord word, int bit) const;

 private:
  struct Lamp {
    fp::protocol::StatusWord word;
    int bit;
    QString name;
    QLabel* label;
    bool lit = false;
  };
  void setLamp(Lamp& lamp, bool lit, bool known);

  std::vector<Lamp> lamps_;
};

}  // namespace panel
