// The switches: paper, cover, drawer, a power cut of a chosen length and the
// line faults. Each one sends its request at once; what a switch shows is
// always the printer's own state as last reported (show()), never where the
// operator left it: until the printer reports, the switch shows what was.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <optional>

#include "simulator/control/control_requests.h"  // the largest numbers
#include "simulator/control/watch_event.h"

namespace panel {

class SwitchBoard : public QGroupBox {
  Q_OBJECT

 public:
  explicit SwitchBoard(QWidget* parent = nullptr);

  void show(const sim::watch::Conditions& conditions);
  // Nothing known (not connected): every switch off and disabled.
  void showUnknown();

  // The widgets, for tests.
  QRadioButton* paperButton(sim::watch::PaperState state) const;
  QCheckBox* cover() const { return cover_; }
  QCheckBox* drawer() const { return drawer_; }
  QSpinBox* powerCutMs() const { return powerCutMs_; }
  QPushButton* powerCut() const { return powerCut_; }
  QSpinBox* corruptEvery() const { return corruptEvery_; }
  QSpinBox* dropEvery() const { return dropEvery_; }
  QSpinBox* delayMs() const { return delayMs_; }
  QComboBox* baud() const { return baud_; }

 signals:
  void requested(const QString& request);

 private:
  // Sends `request`, a line as `fiscal-printer-sim ctl` takes it ("paper out").
  void ask(const QString& request);
  QSpinBox* numberBox(const QString& name, int maximum, const QString& special,
                      const QString& request);
  void showNumber(QSpinBox* box, std::uint32_t value);

  QButtonGroup* paper_;
  QCheckBox* cover_;
  QCheckBox* drawer_;
  QSpinBox* powerCutMs_;
  QPushButton* powerCut_;
  QLabel* power_;
  QSpinBox* corruptEvery_;
  QSpinBox* dropEvery_;
  QSpinBox* delayMs_;
  QComboBox* baud_;
  QLabel* forced_;
  std::optional<sim::watch::Conditions> known_;
};

}  // namespace panel
