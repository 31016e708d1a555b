// SPDX-License-Identifier: MIT
#pragma once
// A grid of small text boxes, one byte per box as two hexadecimal digits, in which card
// data is shown and typed. The user can type a run of bytes without the mouse: two digits
// fill a cell and the focus moves on, Right/Left and Enter step between cells with
// wrap-around, Esc empties a cell, and a cell left with one digit is padded to two.
// A run of hex bytes pasted into a cell ("12 34 AB" or "1234AB") fills consecutive cells.
//
// The same class serves every grid of the main window; a HexGridShape gives the size,
// the layout and the labels.
#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace kvt {

struct HexGridShape {
  QString name;               // objectName of the grid; the cells are name_0, name_1, ...
  QString caption;            // what a screen reader calls the grid (its frame or tab caption)
  int cells = 16;
  int columns = 16;           // cells per row; cell = row * columns + column
  QStringList rowLabels;      // one per row, shown left of it; empty: none
  QStringList columnHeaders;  // one per column, shown above; empty: none
  int charLimit = 0;          // characters the user can type into a cell; 0: no limit
  QStringList defaults;       // text of each cell when the grid is built; missing: empty
};

// "00", "01", ... "0F", ...: n two-digit upper-case labels.
QStringList HexLabels(int n);

// One cell: selects its whole text whenever it gets the focus, so typing replaces it.
class HexCell : public QLineEdit {
  Q_OBJECT
 public:
  using QLineEdit::QLineEdit;
  // Called instead of the ordinary paste, from the keyboard and from the context menu.
  std::function<void()> onPaste;

 protected:
  void focusInEvent(QFocusEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  bool focusByMouse_ = false;
};

class HexGrid : public QWidget {
  Q_OBJECT
 public:
  explicit HexGrid(const HexGridShape& shape, QWidget* parent = nullptr);

  const HexGridShape& shape() const { return shape_; }
  int count() const { return static_cast<int>(cells_.size()); }
  HexCell* cell(int i) const { return cells_.at(static_cast<size_t>(i)); }
  QString text(int i) const { return cell(i)->text(); }
  QStringList texts() const;

  // A write by an operation. It runs the same rule as typing: a text of two or more
  // characters keeps its last two and moves the focus to the next cell (the first after
  // the last), so filling cells 0 to k leaves the focus on cell k + 1.
  void setText(int i, const QString& text);
  // setText for cells first, first + 1, ... in order.
  void fill(int first, const QStringList& texts);
  // Empties every cell; the focus stays where it is.
  void clear();

  // The cell that has the focus, or the one that gets it when the grid is shown again:
  // a focus move while the grid is hidden is only remembered.
  int currentCell() const { return current_; }
  void focusCell(int i);

  // A paste into cell `start`. A hex run fills consecutive cells from there (bytes beyond
  // the last cell are dropped); any other text goes into the cell as typed characters
  // would: hex digits raised to upper case, everything else dropped, and the cell's rule
  // applies (at most its limit, or the last two characters). False when nothing changed.
  bool paste(int start, const QString& text);

  // A pasted text as two-digit upper-case bytes: hex digits with any blanks between them,
  // an even number of digits. nullopt otherwise.
  static std::optional<QStringList> ParseRun(const QString& text);
  // One character becomes "0" and that character; other texts are left as they are.
  static QString Pad(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int indexOf(QObject* o) const;
  int next(int i) const { return i == count() - 1 ? 0 : i + 1; }
  int previous(int i) const { return i == 0 ? count() - 1 : i - 1; }
  void onTextChanged(int i, const QString& text);
  void pad(int i);
  void moveTo(int i);

  HexGridShape shape_;
  std::vector<HexCell*> cells_;
  int current_ = 0;
  bool quiet_ = false;  // a change made by the grid itself (padding, trimming)
};

}  // namespace kvt
