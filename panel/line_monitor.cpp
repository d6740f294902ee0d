#include "panel/line_monitor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTime>
#include <QVBoxLayout>
#include <set>

namespace panel {
namespace {

enum Column { kTime, kDirection, kFrame, kVerdict, kDetails, kColumns };

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

LineMonitor::LineMonitor(QWidget* parent) : QWidget(parent) {
  model_.setColumnCount(kColumns);
  model_.setHorizontalHeaderLabels({QStringLiteral("Time"), QString(), QStringLiteral("Frame"),
                                    QStringLiteral("Verdict"), QStringLiteral("Decoded")});
  shown_.setSourceModel(&model_);
  shown_.setFilterKeyColumn(-1);  // any column
  shown_.setFilterCaseSensitivity(Qt::CaseInsensitive);

  view_ = new QTableView(this);
  view_->setModel(&shown_);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setWordWrap(false);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setColumnWidth(kTime, 95);
  view_->setColumnWidth(kDirection, 22);
  view_->setColumnWidth(kFrame, 150);
  view_->setColumnWidth(kVerdict, 170);
  view_->setAccessibleName(QStringLiteral("Line monitor"));
  auto* copyAction = new QAction(QStringLiteral("Copy"), view_);
  copyAction->setShortcut(QKeySequence::Copy);
  copyAction->setShortcutContext(Qt::WidgetShortcut);
  connect(copyAction, &QAction::triggered, this, &LineMonitor::copy);
  view_->addAction(copyAction);

  filter_ = new QLineEdit(this);
  filter_->setPlaceholderText(
      QStringLiteral("Filter: any text of a row (ticket-item, NAK, REFUSED...)"));
  filter_->setClearButtonEnabled(true);
  filter_->setAccessibleName(QStringLiteral("Line monitor filter"));
  connect(filter_, &QLineEdit::textChanged, &shown_, &QSortFilterProxyModel::setFilterFixedString);
  auto* filterLabel = new QLabel(QStringLiteral("&Filter:"), this);
  filterLabel->setBuddy(filter_);
  auto* copyButton = new QPushButton(QStringLiteral("Cop&y"), this);
  copyButton->setAccessibleName(QStringLiteral("Copy monitor rows"));
  copyButton->setToolTip(QStringLiteral("Copy the selected rows, or all shown rows"));
  connect(copyButton, &QPushButton::clicked, this, &LineMonitor::copy);

  auto* bar = new QHBoxLayout;
  bar->addWidget(filterLabel);
  bar->addWidget(filter_, 1);
  bar->addWidget(copyButton);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
}

void LineMonitor::add(const MonitorRow& row) {
  QScrollBar* scroll = view_->verticalScrollBar();
  const bool atEnd = scroll->value() == scroll->maximum();
  const int last = model_.rowCount() - 1;
  // A run of "still working" is one row with its count, as in the trace.
  if (row.frame == "still working" && last >= 0 &&
      model_.item(last, kFrame)->data(Qt::UserRole).toString() == QStringLiteral("still working")) {
    QStandardItem* frame = model_.item(last, kFrame);
    const int count = frame->data(Qt::UserRole + 1).toInt() + 1;
    frame->setData(count, Qt::UserRole + 1);
    frame->setText(QStringLiteral("still working (%1)").arg(count));
    return;
  }
  QList<QStandardItem*> items;
  for (const QString& text : {QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                              q(row.direction), q(row.frame), q(row.verdict), q(row.details)}) {
    items << new QStandardItem(text);
  }
  items[kFrame]->setData(q(row.frame), Qt::UserRole);
  items[kFrame]->setData(1, Qt::UserRole + 1);
  if (row.verdict.rfind("!!", 0) == 0 || row.verdict.rfind("REFUSED", 0) == 0) {
    for (QStandardItem* item : items) item->setForeground(QColor(0xb0, 0x20, 0x20));
  }
  model_.appendRow(items);
  if (model_.rowCount() > kMaxRows) model_.removeRows(0, model_.rowCount() - kMaxRows);
  if (atEnd) view_->scrollToBottom();
}

void LineMonitor::note(const QString& text) {
  add(MonitorRow{"#", "", text.toStdString(), ""});
}

QString LineMonitor::rowText(int proxyRow) const {
  QStringList cells;
  for (int column = 0; column < kColumns; ++column) {
    cells << shown_.index(proxyRow, column).data().toString();
  }
  return cells.join(QLatin1Char('\t'));
}

QString LineMonitor::shownText() const {
  QStringList rows;
  for (int row = 0; row < shown_.rowCount(); ++row) rows << rowText(row);
  return rows.join(QLatin1Char('\n'));
}

void LineMonitor::copy() {
  std::set<int> selected;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows())
    selected.insert(index.row());
  QStringList rows;
  for (const int row : selected) rows << rowText(row);
  QApplication::clipboard()->setText(selected.empty() ? shownText() : rows.join(QLatin1Char('\n')));
}

}  // namespace panel
