// SPDX-License-Identifier: MIT
#include "config_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "core/machine/unit_ops.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"

namespace kvt {

ConfigWindow::ConfigWindow(const QByteArray& configBytes, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Card machine configuration information"));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(24);
  const QStringList values = DecodeConfig(configBytes);
  int r = 0;
  for (const ConfigRow& row : kConfigRows) {
    auto* name = new QLabel(QString::fromLatin1(row.caption), this);
    name->setObjectName(QString::fromLatin1(row.rowLabel));
    auto* value = new QLabel(r < values.size() ? values[r] : QString(), this);
    value->setObjectName(QString::fromLatin1(row.valueLabel));
    NameValueLabel(value, name);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(name, r, 0);
    grid->addWidget(value, r, 1);
    ++r;
  }
  grid->setColumnMinimumWidth(1, 320);
  grid->addWidget(AcceptingOkButton(this), r, 0, 1, 2, Qt::AlignHCenter);
}

KVT_730_B_ConfigForm::KVT_730_B_ConfigForm(const QByteArray& configBytes, QWidget* parent)
    : ConfigWindow(configBytes, parent) {
  setObjectName(QStringLiteral("KVT_730_B_ConfigForm"));
}

KVT_730_M_ConfigForm::KVT_730_M_ConfigForm(const QByteArray& configBytes, QWidget* parent)
    : ConfigWindow(configBytes, parent) {
  setObjectName(QStringLiteral("KVT_730_M_ConfigForm"));
}

std::unique_ptr<ConfigWindow> MakeConfigWindow(Variant v, const QByteArray& configBytes, QWidget* parent) {
  if (v == Variant::B) return std::make_unique<KVT_730_B_ConfigForm>(configBytes, parent);
  return std::make_unique<KVT_730_M_ConfigForm>(configBytes, parent);
}

}  // namespace kvt
