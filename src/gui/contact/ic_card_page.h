// SPDX-License-Identifier: MIT
#pragma once
// The "IC CARD" tab of the variant-B main window: the inner tab control SSTab2 with the
// pages "CPU/SAM", "SLE4442", "SLE4428" and "24CXX", and below it the 128-cell grid
// ICText ("IC Card Data") that the three memory pages share.
//
// Each button reads its fields, calls its operation (contact/*_ops.h) and applies the
// outcome: grid cells first, then the message.
#include <QWidget>

#include "core/contact/ic_type_ops.h"

class QGridLayout;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kvt {

class HexGrid;
class CardPageHost;
struct GridOutcome;

class IcCardPage : public QWidget {
  Q_OBJECT
 public:
  explicit IcCardPage(CardPageHost& window, QWidget* parent = nullptr);

  QTabWidget* tabs() const { return SSTab2; }
  HexGrid* grid() const { return ICText; }
  void showPage(IcPage page);

  static const QString kCaption;  // "IC CARD"

 private:
  QWidget* buildCpuSamPage();
  QWidget* buildSle4442Page();
  QWidget* buildSle4428Page();
  QWidget* buildEeprom24Page();

  // A two-digit hex field with its label in the next row of `form`.
  QLineEdit* addByteField(QWidget* page, QGridLayout* form, const char* name, const QString& label,
                          const QString& text);
  QPushButton* addButton(QWidget* page, QGridLayout* buttons, const char* name, const QString& caption);
  QString address() const;
  // Runs an operation under the busy cursor, puts its cells into the grid, shows its message.
  void runOnGrid(const std::function<GridOutcome()>& op);
  // Empties ICText at once (a read clears the grid before it sends).
  std::function<void()> clearGrid();
  void runPlain(const std::function<Outcome()>& op);
  // Activate, Inquire Status and Deactivate of a memory page, named `up`, `status` and
  // `down`; the 24Cxx (`eeprom`) has activate and status commands of its own.
  void addPowerButtons(QWidget* page, QGridLayout* buttons, const char* up, const char* status, const char* down,
                       bool eeprom);
  void openChipWindow(bool sam);
  // "Dump Card..." and "Restore Card..." of a memory page; `card` and `code` are read when
  // a button is pressed (the size chosen, the security code in the password fields).
  void addWholeCardButtons(QWidget* page, QGridLayout* buttons, const char* prefix,
                           std::function<QString()> card, std::function<QString()> code);

  CardPageHost& window_;
  QTabWidget* SSTab2 = nullptr;
  HexGrid* ICText = nullptr;
};

}  // namespace kvt
