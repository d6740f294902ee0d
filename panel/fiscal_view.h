// The fiscal state as the printer reports it: the open document, the day's
// totals by tax rate, the last Z and the fiscal memory's use.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>

#include "simulator/control/watch_event.h"

namespace panel {

class FiscalView : public QGroupBox {
  Q_OBJECT

 public:
  explicit FiscalView(QWidget* parent = nullptr);
  void show(const sim::watch::Fiscal& fiscal);

  QString documentText() const { return document_->text(); }
  QString dayText() const { return day_->text(); }

 private:
  QLabel* document_;
  QLabel* day_;
  QTableWidget* rates_;
  QLabel* lastZ_;
  QProgressBar* memory_;
};

}  // namespace panel
