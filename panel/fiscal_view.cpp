#include "panel/fiscal_view.h"

#include <QFormLayout>
#include <QHeaderView>

#include "panel/event_text.h"

namespace panel {
namespace {

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* named(QLabel* label, const char* name) {
  label->setAccessibleName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

}  // namespace

FiscalView::FiscalView(QWidget* parent) : QGroupBox(QStringLiteral("Fiscal state"), parent) {
  setAccessibleName(QStringLiteral("Fiscal state"));
  document_ = named(new QLabel(QStringLiteral("-"), this), "Document");
  day_ = named(new QLabel(QStringLiteral("-"), this), "Day totals");
  lastZ_ = named(new QLabel(QStringLiteral("-"), this), "Last Z closing");
  rates_ = new QTableWidget(0, 4, this);
  rates_->setHorizontalHeaderLabels({QStringLiteral("Rate"), QStringLiteral("Gross"),
                                     QStringLiteral("Net"), QStringLiteral("Tax")});
  rates_->verticalHeader()->hide();
  rates_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  rates_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rates_->setMaximumHeight(rates_->horizontalHeader()->sizeHint().height() +
                           3 * (rates_->fontMetrics().height() + 6) + 4);
  rates_->setAccessibleName(QStringLiteral("Day totals by tax rate"));
  memory_ = new QProgressBar(this);
  memory_->setAccessibleName(QStringLiteral("Fiscal memory use"));
  memory_->setTextVisible(true);

  auto* form = new QFormLayout(this);
  form->setVerticalSpacing(3);
  form->addRow(QStringLiteral("Document:"), document_);
  form->addRow(QStringLiteral("Day:"), day_);
  form->addRow(QStringLiteral("By rate:"), rates_);
  form->addRow(QStringLiteral("Last Z:"), lastZ_);
  form->addRow(QStringLiteral("Memory:"), memory_);
}

void FiscalView::show(const sim::watch::Fiscal& fiscal) {
  document_->setText(q(panel::documentText(fiscal.document)));
  day_->setText(q(panel::dayText(fiscal.day)));
  rates_->setRowCount(static_cast<int>(fiscal.day.rates.size()));
  for (int row = 0; row < rates_->rowCount(); ++row) {
    const sim::watch::Fiscal::Rate& rate = fiscal.day.rates[static_cast<std::size_t>(row)];
    const std::string cells[] = {rateText(rate.rate), amountText(rate.gross), amountText(rate.net),
                                 amountText(rate.tax)};
    for (int column = 0; column < 4; ++column) {
      auto* item = new QTableWidgetItem(q(cells[column]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      rates_->setItem(row, column, item);
    }
  }
  lastZ_->setText(q(lastZText(fiscal)));
  memory_->setRange(0, static_cast<int>(fiscal.zCapacity));
  memory_->setValue(static_cast<int>(fiscal.lastZ));
  memory_->setFormat(QStringLiteral("%1 of %2 Z closings%3")
                         .arg(fiscal.lastZ)
                         .arg(fiscal.zCapacity)
                         .arg(fiscal.memoryFile ? QString() : QStringLiteral(" (not kept)")));
}

}  // namespace panel
