#pragma once
// The simulated reader's side panel (kvt730-tool --simulate): push a card in, take it out,
// make the reader misbehave, and watch where the card is.
#include <QRect>
#include <QWidget>

class QCheckBox;
class QComboBox;
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

  // Reads the reader's state into the labels (also done twice a second).
  void refresh();

 private:
  void chooseChip(const QString& kind);
  void chooseRfCard(const QString& kind);
  void insertCard();
  void removeCard();
  void applyFault();
  void clearFault();

  sim::PtyHost& host_;
  QLabel* device_;
  QLabel* card_;
  QLabel* stacker_;
  QLabel* bin_;
  QLabel* entry_;
  QLabel* counter_;
  QLabel* fault_;
  QLabel* result_;
  QComboBox* chipKind_;
  QComboBox* rfKind_;
  QComboBox* faultKind_;
  QLineEdit* negativeCode_;
  QCheckBox* everyCommand_;
  QTimer* timer_;
};

}  // namespace kvt
