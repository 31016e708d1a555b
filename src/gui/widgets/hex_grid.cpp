// SPDX-License-Identifier: MIT
#include "hex_grid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

#include "key_filters.h"

namespace kvt {

QStringList HexLabels(int n) {
  QStringList out;
  for (int i = 0; i < n; ++i) out << QStringLiteral("%1").arg(i, 2, 16, QLatin1Char('0')).toUpper();
  return out;
}

void HexCell::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  focusByMouse_ = e->reason() == Qt::MouseFocusReason;
  selectAll();
}

void HexCell::mousePressEvent(QMouseEvent* e) {
  QLineEdit::mousePressEvent(e);
  // The click that brought the focus would put the cursor at the pointer; keep the
  // whole text selected instead, as for any other way into the cell.
  if (focusByMouse_) selectAll();
  focusByMouse_ = false;
}

void HexCell::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  if (onPaste) {
    if (auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
      paste->disconnect();
      connect(paste, &QAction::triggered, this, [this] { onPaste(); });
    }
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

HexGrid::HexGrid(const HexGridShape& shape, QWidget* parent) : QWidget(parent), shape_(shape) {
  setObjectName(shape.name);
  setAccessibleName(shape.caption);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setHorizontalSpacing(2);
  layout->setVerticalSpacing(2);
  const int labelColumn = shape.rowLabels.isEmpty() ? 0 : 1;
  const int headerRow = shape.columnHeaders.isEmpty() ? 0 : 1;
  for (int c = 0; c < shape.columnHeaders.size(); ++c) {
    auto* header = new QLabel(shape.columnHeaders[c], this);
    header->setAlignment(Qt::AlignCenter);
    layout->addWidget(header, 0, labelColumn + c);
  }
  const int columns = shape.columns > 0 ? shape.columns : 1;
  const int rows = (shape.cells + columns - 1) / columns;
  for (int r = 0; r < rows && r < shape.rowLabels.size(); ++r)
    layout->addWidget(new QLabel(shape.rowLabels[r], this), headerRow + r, 0);

  const int width = fontMetrics().horizontalAdvance(QStringLiteral("WW")) + 10;
  for (int i = 0; i < shape.cells; ++i) {
    auto* cell = new HexCell(shape.defaults.value(i), this);
    cell->setObjectName(QStringLiteral("%1_%2").arg(shape.name).arg(i));
    cell->setAccessibleName(QStringLiteral("%1 %2").arg(shape.caption, HexLabels(i + 1).last()));
    cell->setAlignment(Qt::AlignCenter);
    cell->setFixedWidth(width);
    if (shape.charLimit > 0) cell->setMaxLength(shape.charLimit);
    InstallHexFilter(cell, shape.charLimit, false);
    cell->installEventFilter(this);  // after the key filter, so it sees the keys first
    cell->onPaste = [this, i] { paste(i, QApplication::clipboard()->text()); };
    connect(cell, &QLineEdit::textChanged, this, [this, i](const QString& t) { onTextChanged(i, t); });
    layout->addWidget(cell, headerRow + i / columns, labelColumn + i % columns);
    cells_.push_back(cell);
  }
  layout->setColumnStretch(labelColumn + columns, 1);
}

QStringList HexGrid::texts() const {
  QStringList out;
  for (const HexCell* c : cells_) out << c->text();
  return out;
}

void HexGrid::setText(int i, const QString& text) { cell(i)->setText(text); }

void HexGrid::fill(int first, const QStringList& texts) {
  for (int k = 0; k < texts.size() && first + k < count(); ++k) setText(first + k, texts[k]);
}

void HexGrid::clear() {
  quiet_ = true;
  for (HexCell* c : cells_) c->clear();
  quiet_ = false;
}

void HexGrid::focusCell(int i) { moveTo(i); }

std::optional<QStringList> HexGrid::ParseRun(const QString& text) {
  QString digits;
  for (QChar c : text) {
    if (c.isSpace()) continue;
    const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                     (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
                     (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
    if (!hex) return std::nullopt;
    digits += c.toUpper();
  }
  if (digits.isEmpty() || digits.size() % 2 != 0) return std::nullopt;
  QStringList bytes;
  for (int k = 0; k < digits.size(); k += 2) bytes << digits.mid(k, 2);
  return bytes;
}

bool HexGrid::paste(int start, const QString& text) {
  if (start < 0 || start >= count()) return false;
  if (const auto bytes = ParseRun(text)) {
    fill(start, *bytes);
    return true;
  }
  const KeyFilter::Rule rule{KeyFilter::Charset::Hex, false, shape_.charLimit};
  QString digits;
  for (QChar c : text)
    if (const QChar k = KeyFilter::accept(rule, c); !k.isNull()) digits += k;
  if (digits.isEmpty()) return false;
  cell(start)->insert(digits);
  return true;
}

QString HexGrid::Pad(const QString& text) { return text.size() == 1 ? QStringLiteral("0") + text : text; }

int HexGrid::indexOf(QObject* o) const {
  for (int i = 0; i < count(); ++i)
    if (cells_[static_cast<size_t>(i)] == o) return i;
  return -1;
}

void HexGrid::onTextChanged(int i, const QString& text) {
  if (quiet_ || text.size() < 2) return;
  if (text.size() > 2) {
    quiet_ = true;
    cell(i)->setText(text.right(2));
    quiet_ = false;
  }
  moveTo(next(i));
}

void HexGrid::pad(int i) {
  const QString padded = Pad(text(i));
  if (padded == text(i)) return;
  quiet_ = true;
  cell(i)->setText(padded);
  quiet_ = false;
}

void HexGrid::moveTo(int i) {
  current_ = i;
  HexCell* c = cell(i);
  if (!isVisible()) return;
  if (c->hasFocus()) c->selectAll();
  else c->setFocus(Qt::OtherFocusReason);
}

bool HexGrid::eventFilter(QObject* watched, QEvent* event) {
  const int i = indexOf(watched);
  if (i < 0) return false;
  switch (event->type()) {
    case QEvent::FocusIn:
      current_ = i;
      return false;
    case QEvent::FocusOut:
      pad(i);
      return false;
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::Paste)) {
        cell(i)->onPaste();
        return true;
      }
      switch (key->key()) {
        case Qt::Key_Right:
          pad(i);
          moveTo(next(i));
          return true;
        case Qt::Key_Left:
          pad(i);
          moveTo(previous(i));
          return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
          return true;  // acted on when released; kept from a dialog's default buttons
        default:
          return false;
      }
    }
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->isAutoRepeat()) return false;
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        pad(i);
        moveTo(next(i));
        return true;
      }
      if (key->key() == Qt::Key_Escape) {
        cell(i)->clear();
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

}  // namespace kvt
