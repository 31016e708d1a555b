// SPDX-License-Identifier: MIT
#pragma once
// The simulated reader's side panel (kvt730-tool --simulate): push a card in, take it out,
// make the reader misbehave, and watch where the card is.
#include <QRect>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace sim {
class PtyHost;
}

namespace kvt {

// Where the panel goes so that it covers as little as possible of the main window (nothing
// when the screen has room): below it, else to its right, its left or above it. All
// rectangles are frame geometries, title bars included.
QPoint SimPanelPosition(const QRect& mainFrame, const QSize& panelFrame, const QRect& available);

class SimControlWindow : public QWidget {
  Q_OBJECT
 public:
  explicit SimControlWindow(sim::PtyHost& host, QWidget* parent = nullptr);

  // Reads the reader's state into the labels (also done four times a second).
  void refresh();

  // What the reader's status line says of its last command: "move to the IC position
  // (32h 31h): positive reply".
  static QString lastCommandText(uint8_t cm, uint8_t pm, bool positive, const QString& error, const QString& fault);

 private:
  void chooseChip(const QString& kind);
  void chooseRfCard(const QString& kind);
  void insertCard();
  void removeCard();
  void applyFault();
  void clearFault();
  void applyMotion();
  void fillStacker(int cards);
  // The widest of `texts` fixes the label's width, so the boxes never move as values change.
  void fixWidth(QLabel* label, const QStringList& texts);

  sim::PtyHost& host_;
  QLabel* device_;
  QLabel* card_;
  QLabel* stacker_;
  QLabel* bin_;
  QLabel* entry_;
  QLabel* counter_;
  QLabel* fault_;
  QLabel* moves_;
  QLabel* result_;
  QLabel* readerStatus_;
  int commandsShown_ = -1;  // the reader's command count when its status line was last written
  QSpinBox* motionMs_;
  QSpinBox* wearMs_;
  QDoubleSpinBox* jamRate_;
  QSpinBox* seed_;
  QSpinBox* stackerCards_;
  QComboBox* chipKind_;
  QComboBox* rfKind_;
  QComboBox* faultKind_;
  QLineEdit* negativeCode_;
  QCheckBox* everyCommand_;
  QTimer* timer_;
};

}  // namespace kvt
