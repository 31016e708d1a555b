// SPDX-License-Identifier: MIT
#pragma once
// The units a window shows, as a table model (Qt Core, no widgets): time, direction, name,
// meaning. It keeps at most `capacity` rows; older rows leave from the top as new ones come
// (they stay in the capture). A filter model beside it shows commands only, errors only or
// the rows holding a text.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <deque>
#include <vector>

#include "line_unit.h"

namespace kvt::monitor {

class UnitTableModel : public QAbstractTableModel {
 public:
  enum Column { TimeColumn, DirectionColumn, NameColumn, MeaningColumn, kColumns };

  explicit UnitTableModel(int capacity = 10000, QObject* parent = nullptr)
      : QAbstractTableModel(parent), capacity_(capacity) {}

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void append(std::vector<LineUnit> units);
  void clear();
  const LineUnit& unit(int row) const { return rows_[static_cast<size_t>(row)]; }
  int capacity() const { return capacity_; }

  // The name column: the command's name, the control byte, or what a unit without one is.
  static QString NameText(const LineUnit& u);
  // The meaning column: a reply's meaning, a problem, a timeout's or event's text.
  static QString MeaningText(const LineUnit& u);
  // The detail pane: the whole line as kvt730ctl prints it, then the bytes, 16 a row.
  static QString DetailText(const LineUnit& u);

 private:
  int capacity_;
  std::deque<LineUnit> rows_;
};

class UnitFilter : public QSortFilterProxyModel {
 public:
  enum class Show { All, Commands, Errors };
  using QSortFilterProxyModel::QSortFilterProxyModel;
  void setShow(Show s);
  void setSearch(const QString& text);

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

 private:
  Show show_ = Show::All;
  QString search_;
};

}  // namespace kvt::monitor
