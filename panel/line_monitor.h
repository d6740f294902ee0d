// The line monitor: every frame in and out, decoded, and the verdict of each
// command, newest last; filterable by any text of a row, and copyable (the
// selected rows, or all shown when none is selected) as tab-separated text:
// time, direction, frame, verdict, decoded.
#pragma once

#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QWidget>

#include "panel/event_text.h"

namespace panel {

class LineMonitor : public QWidget {
  Q_OBJECT

 public:
  // Rows kept; older ones are let go.
  static constexpr int kMaxRows = 5000;

  explicit LineMonitor(QWidget* parent = nullptr);

  void add(const MonitorRow& row);
  // A note of the panel's own (connection, lines missed).
  void note(const QString& text);

  // The rows shown (after the filter), as copy() puts them on the clipboard.
  QString shownText() const;
  QLineEdit* filter() const { return filter_; }
  QTableView* view() const { return view_; }

 public slots:
  void copy();

 private:
  QString rowText(int proxyRow) const;

  QStandardItemModel model_;
  QSortFilterProxyModel shown_;
  QTableView* view_;
  QLineEdit* filter_;
};

}  // namespace panel
