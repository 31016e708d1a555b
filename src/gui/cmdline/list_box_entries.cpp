// SPDX-License-Identifier: MIT
#include "list_box_entries.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "core/cmdline/script_transport.h"

namespace kvt {

QString DroppedRowsText(qint64 rows) {
  return QStringLiteral("%1 older rows were dropped: the list starts again after %2 rows").arg(rows).arg(kListCap);
}

ListBoxEntries::ListBoxEntries(QListWidget* list, QLineEdit* scratch, QLabel* dropped)
    : list_(list), scratch_(scratch), droppedLabel_(dropped) {}

void ListBoxEntries::add(const QString& entry) { pending_.emplace_back(entry, QString()); }

int ListBoxEntries::count() const { return list_->count() + static_cast<int>(pending_.size()); }

void ListBoxEntries::clear() {
  dropped_ += count();
  pending_.clear();
  list_->clear();
}

void ListBoxEntries::note(const QString& text) {
  for (auto it = pending_.rbegin(); it != pending_.rend(); ++it) {
    it->second = text;
    if (it->first.startsWith(QLatin1String("-----"))) return;
  }
  for (int i = list_->count() - 1; i >= 0; --i) {
    list_->item(i)->setToolTip(text);
    if (list_->item(i)->text().startsWith(QLatin1String("-----"))) return;
  }
}

void ListBoxEntries::clearByUser() {
  pending_.clear();
  list_->clear();
  dropped_ = 0;
  flush();
}

void ListBoxEntries::flush() {
  if (!pending_.empty()) {
    scratch_->setText(pending_.back().first);
    // One insertion for them all.
    const int first = list_->count();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(pending_.size()));
    for (const auto& entry : pending_) texts << entry.first;
    list_->addItems(texts);
    for (size_t i = 0; i < pending_.size(); ++i)
      if (!pending_[i].second.isEmpty()) list_->item(first + static_cast<int>(i))->setToolTip(pending_[i].second);
    pending_.clear();
  }
  if (selectLast_ && list_->count() > 0) {
    list_->setCurrentRow(list_->count() - 1);
    list_->scrollToBottom();
  }
  selectLast_ = false;
  if (dropped_ != shownDropped_) {
    const QString text = dropped_ > 0 ? DroppedRowsText(dropped_) : QString();
    droppedLabel_->setText(text);
    droppedLabel_->setAccessibleName(text);
    shownDropped_ = dropped_;
  }
}

QString ListBoxEntries::savedText() {
  flush();
  QString text;
  if (dropped_ > 0) text += QLatin1Char('(') + DroppedRowsText(dropped_) + QStringLiteral(")\r\n");
  for (int i = 0; i < list_->count(); ++i) text += list_->item(i)->text() + QStringLiteral("\r\n");
  return text;
}

}  // namespace kvt
