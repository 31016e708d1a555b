// SPDX-License-Identifier: MIT
#include "read_sn_window.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/widgets/named_widgets.h"

namespace kvt {

ReadSnWindow::ReadSnWindow(const QString& serialNumber, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Read SN of Card Reader"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLineEdit(serialNumber, this);
  text->setObjectName(QStringLiteral("Text1"));
  text->setAccessibleName(windowTitle());
  text->setReadOnly(true);
  text->setMinimumWidth(text->fontMetrics().horizontalAdvance(QStringLiteral("W")) * 24);
  layout->addWidget(text);
  layout->addWidget(AcceptingOkButton(this), 0, Qt::AlignHCenter);
}

KVT_730_B_ReadSn::KVT_730_B_ReadSn(const QString& serialNumber, QWidget* parent)
    : ReadSnWindow(serialNumber, parent) {
  setObjectName(QStringLiteral("KVT_730_B_ReadSn"));
}

KVT_730_M_ReadSn::KVT_730_M_ReadSn(const QString& serialNumber, QWidget* parent)
    : ReadSnWindow(serialNumber, parent) {
  setObjectName(QStringLiteral("KVT_730_M_ReadSn"));
}

std::unique_ptr<ReadSnWindow> MakeReadSnWindow(Variant v, const QString& serialNumber, QWidget* parent) {
  if (v == Variant::B) return std::make_unique<KVT_730_B_ReadSn>(serialNumber, parent);
  return std::make_unique<KVT_730_M_ReadSn>(serialNumber, parent);
}

}  // namespace kvt
