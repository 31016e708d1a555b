// SPDX-License-Identifier: MIT
#include "unit_table_model.h"

#include "core/base/conversions.h"
#include "unit_text.h"

namespace kvt::monitor {

int UnitTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int UnitTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString UnitTableModel::NameText(const LineUnit& u) {
  switch (u.kind) {
    case UnitKind::BadFrame: return u.name.isEmpty() ? QStringLiteral("bad frame") : QStringLiteral("bad frame: ") + u.name;
    case UnitKind::Noise: return QStringLiteral("noise");
    case UnitKind::Timeout: return QStringLiteral("timeout");
    case UnitKind::Event: return QStringLiteral("event");
    case UnitKind::Reply: return QStringLiteral("reply %1: %2").arg(QString(QLatin1Char(u.reply)), u.name);
    default: return u.name;
  }
}

QString UnitTableModel::MeaningText(const LineUnit& u) {
  if (!u.problem.isEmpty()) return u.problem;
  if (u.kind == UnitKind::Command && !u.data.isEmpty()) return QStringLiteral("data ") + SpacedHex(u.data);
  return u.meaning;
}

QString UnitTableModel::DetailText(const LineUnit& u) {
  QString out = TextLine(u) + QLatin1Char('\n');
  for (int at = 0; at < u.bytes.size(); at += 16)
    out += QStringLiteral("\n%1  %2").arg(at, 4, 16, QLatin1Char('0')).arg(SpacedHex(u.bytes.mid(at, 16)));
  return out;
}

QVariant UnitTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const LineUnit& u = unit(index.row());
  if (role == Qt::ToolTipRole) return Describe(u);
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  switch (index.column()) {
    case TimeColumn: return LocalTimeText(u.timeUs).mid(11);  // the time of day
    case DirectionColumn: return QLatin1String(DirectionText(u.from));
    case NameColumn: return NameText(u);
    case MeaningColumn: return MeaningText(u);
    default: return {};
  }
}

QVariant UnitTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  static const char* const kHeaders[] = {"Time", "Direction", "Name", "Meaning"};
  return section >= 0 && section < kColumns ? QString::fromLatin1(kHeaders[section]) : QVariant();
}

void UnitTableModel::append(std::vector<LineUnit> units) {
  if (units.empty()) return;
  if (units.size() > static_cast<size_t>(capacity_)) units.erase(units.begin(), units.end() - capacity_);
  const int overflow = static_cast<int>(rows_.size() + units.size()) - capacity_;
  if (overflow > 0) {
    beginRemoveRows({}, 0, overflow - 1);
    rows_.erase(rows_.begin(), rows_.begin() + overflow);
    endRemoveRows();
  }
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(units.size()) - 1);
  for (LineUnit& u : units) rows_.push_back(std::move(u));
  endInsertRows();
}

void UnitTableModel::clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void UnitFilter::setShow(Show s) {
  show_ = s;
  invalidateFilter();
}

void UnitFilter::setSearch(const QString& text) {
  search_ = text.trimmed();
  invalidateFilter();
}

bool UnitFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
  const auto* model = static_cast<const UnitTableModel*>(sourceModel());
  if (parent.isValid() || row >= model->rowCount()) return false;
  const LineUnit& u = model->unit(row);
  if (show_ == Show::Commands && u.kind != UnitKind::Command) return false;
  if (show_ == Show::Errors && !IsError(u)) return false;
  if (search_.isEmpty()) return true;
  return TextLine(u).contains(search_, Qt::CaseInsensitive);
}

}  // namespace kvt::monitor
