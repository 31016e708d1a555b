// SPDX-License-Identifier: MIT
#include "port_setup_dialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include "core/link/port_map.h"
#include "core/link/port_setup.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/named_widgets.h"

namespace kvt {

namespace {

const QString kFoldedCaption = QStringLiteral("'AUTO SCAN'   Unfold -->>");
const QString kUnfoldedCaption = QStringLiteral("'AUTO SCAN' Fold <<--");
constexpr int kHeight = 204;

// The lists stay as they are: no completion from them, no typed text added to them.
void editableAsTyped(QComboBox* combo) {
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
}

QLabel* fieldLabel(QWidget* parent, const QString& text, QComboBox* buddy) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  buddy->setAccessibleName(text);
  buddy->setAccessibleDescription(text);
  return l;
}


}  // namespace

QString UnbrokenHyphenLabel::shownText() const {
  QString shown = text();
  shown.replace(QLatin1Char('-'), QChar(0x2011));
  return shown;
}

void UnbrokenHyphenLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  style()->drawItemText(&painter, contentsRect(), static_cast<int>(alignment()) | Qt::TextWordWrap, palette(),
                        isEnabled(), shownText(), foregroundRole());
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(e);
}

void ClickableLabel::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(e);
}

PortSetupDialog::PortSetupDialog(Session& session, const QString& addressText, QWidget* parent)
    : QDialog(parent), session_(session), address_(addressText) {
  setWindowTitle(QStringLiteral("Communication Setting"));

  // Placed by position: the scan part lies to the right of the folded width.
  PortCombo = new QComboBox(this);
  PortCombo->setObjectName(QStringLiteral("PortCombo"));
  editableAsTyped(PortCombo);
  for (int n = 1; n <= 15; ++n) {
    PortCombo->addItem(QStringLiteral("COM%1").arg(n));
    PortCombo->setItemData(n - 1, session_.portMap.device(n), Qt::ToolTipRole);
  }
  PortCombo->setEditText(QStringLiteral("COM1"));
  fieldLabel(this, QStringLiteral("Comm Port Number"), PortCombo)->setGeometry(10, 6, 190, 18);
  PortCombo->setGeometry(10, 24, 190, 26);

  DeviceLabel = new QLabel(this);
  DeviceLabel->setObjectName(QStringLiteral("DeviceLabel"));
  DeviceLabel->setGeometry(10, 52, 190, 16);
  QFont small = DeviceLabel->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  DeviceLabel->setFont(small);

  BaudCombo = new QComboBox(this);
  BaudCombo->setObjectName(QStringLiteral("BaudCombo"));
  editableAsTyped(BaudCombo);
  for (const char* b : {"9600 bits/s", "19200 bits/s", "38400 bits/s", "57600 bits/s"})
    BaudCombo->addItem(QString::fromLatin1(b));
  BaudCombo->setEditText(QStringLiteral("9600 bits/s"));
  fieldLabel(this, QStringLiteral("Baud Rate"), BaudCombo)->setGeometry(10, 74, 190, 18);
  BaudCombo->setGeometry(10, 92, 190, 26);

  auto* ok = NamedPlainButton(this, "Command1", QStringLiteral("OK"));
  ok->setDefault(true);  // Return in the combos presses "OK"
  ok->setGeometry(10, 130, 90, 28);
  auto* cancel = NamedPlainButton(this, "Command2", QStringLiteral("Cancel"));
  cancel->setGeometry(110, 130, 90, 28);

  AutoLabel = new ClickableLabel(kFoldedCaption, this);
  AutoLabel->setObjectName(QStringLiteral("AutoLabel"));
  AutoLabel->setFocusPolicy(Qt::StrongFocus);
  AutoLabel->setCursor(Qt::PointingHandCursor);
  AutoLabel->setStyleSheet(QStringLiteral("color: #0000C0;"));
  AutoLabel->setGeometry(10, 172, 190, 22);

  Command3 = NamedPlainButton(this, "Command3", QStringLiteral("SCAN"));
  Command3->setGeometry(kFoldedWidth + 4, 24, kUnfoldedWidth - kFoldedWidth - 10, 28);
  Label1 = new UnbrokenHyphenLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setAccessibleName(QStringLiteral("SCAN"));
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label1->setFont(small);
  Label1->setGeometry(kFoldedWidth + 4, 58, kUnfoldedWidth - kFoldedWidth - 8, kHeight - 64);

  connect(ok, &QPushButton::clicked, this, &PortSetupDialog::onOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Command3, &QPushButton::clicked, this, &PortSetupDialog::onScan);
  connect(AutoLabel, &ClickableLabel::clicked, this, &PortSetupDialog::toggleFold);
  connect(PortCombo, &QComboBox::currentTextChanged, this, &PortSetupDialog::showDevice);
  showDevice(PortCombo->currentText());

  setFolded(true);
}

void PortSetupDialog::showDevice(const QString& portText) {
  const int n = PortNumberFromText(portText);
  const QString device = n ? session_.portMap.device(n) : QString();
  DeviceLabel->setText(device.isEmpty() ? QString() : QStringLiteral("Device: ") + device);
  DeviceLabel->setToolTip(device);
}

void PortSetupDialog::setFolded(bool folded) {
  unfolded_ = !folded;
  setFixedSize(folded ? kFoldedWidth : kUnfoldedWidth, kHeight);
  AutoLabel->setText(folded ? kFoldedCaption : kUnfoldedCaption);
  AutoLabel->setAccessibleName(AutoLabel->text());
  if (QScreen* s = screen()) {
    const QRect area = s->geometry();
    const QRect outer = frameGeometry();
    move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
  }
}

void PortSetupDialog::toggleFold() { setFolded(unfolded_); }

// Label1 is named after the button; its text goes to screen readers as the description.
void PortSetupDialog::showScanText(const QString& text) {
  Label1->setText(text);
  Label1->setAccessibleDescription(text);
}

void PortSetupDialog::onOk() {
  PortSetupOutcome out;
  {
    BusyCursor busy;
    out = PortSetupOk(session_, PortCombo->currentText(), BaudCombo->currentText(), address_);
  }
  switch (out.focus) {
    case PortSetupOutcome::Focus::Port: PortCombo->setFocus(); break;
    case PortSetupOutcome::Focus::Baud: BaudCombo->setFocus(); break;
    case PortSetupOutcome::Focus::None: break;
  }
  if (out.closeDialog) accept();
}

void PortSetupDialog::onScan() {
  showScanText(QStringLiteral("Please wait for a while, it is scanning......"));
  Label1->repaint();
  ScanOutcome out;
  {
    BusyCursor busy;
    out = PortSetupScan(session_, address_);
  }
  showScanText(out.result.label);
  if (out.result.found) {
    PortCombo->setEditText(out.portText);
    BaudCombo->setEditText(out.baudText);
  }
}

KVT_730_B_Comportset::KVT_730_B_Comportset(Session& session, const QString& addressText, QWidget* parent)
    : PortSetupDialog(session, addressText, parent) {
  setObjectName(QStringLiteral("KVT_730_B_Comportset"));
}

KVT_730_M_COMSET::KVT_730_M_COMSET(Session& session, const QString& addressText, QWidget* parent)
    : PortSetupDialog(session, addressText, parent) {
  setObjectName(QStringLiteral("KVT_730_M_COMSET"));
}

std::unique_ptr<PortSetupDialog> MakePortSetupDialog(Session& session, const QString& addressText,
                                                     QWidget* parent) {
  if (session.variant == Variant::B)
    return std::make_unique<KVT_730_B_Comportset>(session, addressText, parent);
  return std::make_unique<KVT_730_M_COMSET>(session, addressText, parent);
}

}  // namespace kvt
