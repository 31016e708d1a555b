// SPDX-License-Identifier: MIT
#pragma once
// Key filters of the single-value input fields: they decide which typed characters reach
// a line edit. Keys that type no character (Delete, the arrows, Home, End, Tab, Enter,
// shortcuts) are left alone; a dropped character is simply not inserted.
#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;

namespace kvt {

class KeyFilter : public QObject {
  Q_OBJECT
 public:
  enum class Charset {
    Decimal,  // "0".."9"
    Hex       // "0".."9", "A".."F"; "a".."f" are raised to upper case
  };

  struct Rule {
    Charset charset = Charset::Decimal;
    bool backspace = true;  // whether Backspace deletes
    int limit = 0;          // most characters the user can type in; 0: no limit
  };

  // Watches `edit` (and is owned by it). When `edit` is the line edit of an editable combo
  // box, the combo is watched too: it keeps the focus and hands typed keys straight to its
  // line edit, past any filter installed there.
  KeyFilter(QLineEdit* edit, const Rule& rule);

  const Rule& rule() const { return rule_; }

  // The character to insert for a typed character, or a null QChar to drop it.
  static QChar accept(const Rule& rule, QChar c);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int badCount(const QString& text) const;
  void checkEdit(const QString& text);

  QLineEdit* edit_;
  QComboBox* combo_ = nullptr;
  Rule rule_;
  // The text now and before its latest change, to undo edits the filter would refuse.
  QString current_;
  QString previous_;
};

// Makes `combo` an editable box whose text is only ever what the user typed or picked from
// its list: no completion from the list, and Return never adds the text as a new item.
void MakeTypedTextCombo(QComboBox* combo);

// Decimal digits and Backspace, at most `limit` characters typed in (the capture counter).
KeyFilter* InstallDecimalFilter(QLineEdit* edit, int limit);

// Hex digits, "a".."f" raised to upper case; at most `limit` characters typed in (0: no
// limit). The byte fields and the grid cells drop Backspace, the APDU boxes keep it.
KeyFilter* InstallHexFilter(QLineEdit* edit, int limit, bool backspace);

}  // namespace kvt
