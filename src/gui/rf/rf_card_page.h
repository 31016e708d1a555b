// SPDX-License-Identifier: MIT
#pragma once
// The "RF CARD" tab of the variant-B main window: the activation buttons and the polling
// order above the inner tab control SSTab3 with the pages "MIFARE" (itself the tab
// control SSTab4 with "S50/S70" and "Ultralight"), "ISO/IEC 14443 TYPE A" and
// "ISO/IEC 14443 TYPE B".
//
// Each button reads its fields, calls its operation (rf/*_ops.h) and applies the outcome:
// fields, cells and pages first, then the message.
#include <QWidget>
#include <functional>

#include "core/dump/card_files.h"
#include "core/rf/iso_apdu_ops.h"
#include "core/rf/rf_ops.h"
#include "gui/widgets/busy_cursor.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;

namespace kvt {

class DecodingBox;
class HexGrid;
class CardPageHost;

class RfCardPage : public QWidget {
  Q_OBJECT
 public:
  explicit RfCardPage(CardPageHost& window, QWidget* parent = nullptr);

  static const QString kCaption;  // "RF CARD"

  QTabWidget* tabs() const { return SSTab3; }
  QTabWidget* mifareTabs() const { return SSTab4; }
  // Brings "RF CARD" and then the card's page to the front.
  void showPage(RfPage page);

  // The window's load, in its order: the sector, block, block count, purse block and
  // Ultralight page lists come before the device address, the polling order after it.
  void loadBlockLists();
  void loadActivationOrder();

  // "RF Card Type" (RFTestTypeCmd in the "AUTOTEST CARD TYPE" frame).
  void detectCardType();

 private:
  QWidget* buildActivationRow();
  QWidget* buildS50Page();
  QWidget* buildUltralightPage();
  QWidget* buildCpuPage(IsoType type);

  // A combo box with its label in the next row of `form`.
  QComboBox* labelledCombo(QWidget* parent, QGridLayout* form, const char* name, const QString& label);
  // "Card SN" and the label that shows the serial number.
  QLabel* serialNumberRow(QWidget* parent, QGridLayout* form, const char* name);
  // The layout of a card page that starts with that row alone (its label in *serialNumber).
  QVBoxLayout* serialNumberPage(QWidget* page, const char* name, QLabel** serialNumber);
  // A whole-card run of the S50/S70 page: the default keys after the page's own.
  CardFileJob mifareJob() const;
  QString address() const;
  int sector() const;
  // Runs an operation under the busy cursor.
  template <class O>
  static O busy(const std::function<O()>& op) {
    BusyCursor cursor;
    return op();
  }
  void activate();
  void sendApdu(IsoType type);

  CardPageHost& window_;
  QTabWidget* SSTab3 = nullptr;
  QTabWidget* SSTab4 = nullptr;
  QComboBox* RFCardUPCombbox = nullptr;
  // S50/S70
  QLabel* RFmessageLabel = nullptr;
  QComboBox* SecNumberCombo = nullptr;
  QRadioButton* RfKeyAB1 = nullptr;
  QRadioButton* RfKeyAB2 = nullptr;
  HexGrid* SRFPASSWORDLIST = nullptr;
  QComboBox* BlockNumberCombo = nullptr;
  QComboBox* BlockLongCombo = nullptr;
  HexGrid* SRFTextLIST = nullptr;
  QComboBox* PurseBlockCombbox = nullptr;
  QLineEdit* PurseValueText = nullptr;
  // Ultralight
  QLabel* ULRFmessage = nullptr;
  HexGrid* ULTextLIST = nullptr;
  QComboBox* ULSecNumberCombo = nullptr;
  // Type A and Type B
  QLabel* CPURFTypeAmessage = nullptr;
  QLineEdit* ATRTypeAText = nullptr;
  QLineEdit* ATRTypeBText = nullptr;
  QComboBox* TypeACAPDUText = nullptr;
  QComboBox* TypeBCAPDUText = nullptr;
  QLineEdit* TypeARAPDUText = nullptr;
  QLineEdit* TypeBRAPDUText = nullptr;
  DecodingBox* TypeAAtsDecoding = nullptr;         // the Type A card's answer to select decoded
  QPlainTextEdit* AccessConditionsText = nullptr;  // what a trailer read from the card allows
  QLabel* TypeASwMeaning = nullptr;            // the meaning of each response's status word
  QLabel* TypeBSwMeaning = nullptr;
};

}  // namespace kvt
