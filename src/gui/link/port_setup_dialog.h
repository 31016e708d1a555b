// SPDX-License-Identifier: MIT
#pragma once
// "Communication Setting": choose the port and speed, prove a reader answers ("OK"), or
// search every port and speed ("SCAN", shown when the dialog is unfolded).
#include <QDialog>
#include <QLabel>
#include <memory>

#include "core/link/session.h"

class QComboBox;
class QPushButton;

namespace kvt {

// A label that reacts to a click (and to Space or Enter when it has the focus).
class ClickableLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};

// A word-wrapped label that never breaks a line at a hyphen, so "KVT-730-M" stays whole in
// the narrow scan column. text() stays exactly what was set; only the drawing differs.
class UnbrokenHyphenLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  // The text as drawn: each hyphen-minus drawn as a non-breaking hyphen.
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
};

class PortSetupDialog : public QDialog {
  Q_OBJECT
 public:
  // Works on the session's port, log and port map; addressText is the main window's
  // device address.
  PortSetupDialog(Session& session, const QString& addressText, QWidget* parent = nullptr);

  static constexpr int kTwipsPerPixel = 15;
  static constexpr int kFoldedWidth = 3165 / kTwipsPerPixel;
  static constexpr int kUnfoldedWidth = 4485 / kTwipsPerPixel;

  bool unfolded() const { return unfolded_; }

 private:
  void onOk();
  void onScan();
  void toggleFold();
  void showScanText(const QString& text);
  void setFolded(bool folded);
  void showDevice(const QString& portText);

  Session& session_;
  QString address_;
  bool unfolded_ = false;
  QComboBox* PortCombo;
  QComboBox* BaudCombo;
  QLabel* DeviceLabel;
  ClickableLabel* AutoLabel;
  QPushButton* Command3;
  UnbrokenHyphenLabel* Label1;
};

class KVT_730_B_Comportset : public PortSetupDialog {
  Q_OBJECT
 public:
  KVT_730_B_Comportset(Session& session, const QString& addressText, QWidget* parent = nullptr);
};

class KVT_730_M_COMSET : public PortSetupDialog {
  Q_OBJECT
 public:
  KVT_730_M_COMSET(Session& session, const QString& addressText, QWidget* parent = nullptr);
};

// The dialog of the session's variant.
std::unique_ptr<PortSetupDialog> MakePortSetupDialog(Session& session, const QString& addressText,
                                                     QWidget* parent);

}  // namespace kvt
