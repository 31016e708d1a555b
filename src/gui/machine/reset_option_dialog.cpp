// SPDX-License-Identifier: MIT
#include "reset_option_dialog.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/machine/initialize_ops.h"
#include "gui/widgets/named_widgets.h"

namespace kvt {

ResetOptionDialog::ResetOptionDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Initialize Option"));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QButtonGroup(this);
  for (const InitOption& option : kInitOptions) {
    auto* radio = new QRadioButton(QString::fromLatin1(option.caption), this);
    radio->setObjectName(QString::fromLatin1(option.objectName));
    radio->setAccessibleName(radio->text());
    group->addButton(radio, option.code);
    layout->addWidget(radio);
  }
  group->buttons().constFirst()->setChecked(true);

  auto* ok = NamedButton(this, "Command1", QStringLiteral("OK"));
  ok->setDefault(true);
  auto* cancel = NamedButton(this, "Command2", QStringLiteral("Cancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  connect(ok, &QPushButton::clicked, this, [this, group] {
    code_ = group->checkedId() > 0 ? group->checkedId() : 0;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    code_ = 0;
    reject();
  });
}

KVT_730_B_ResetOptionForm::KVT_730_B_ResetOptionForm(QWidget* parent) : ResetOptionDialog(parent) {
  setObjectName(QStringLiteral("KVT_730_B_ResetOptionForm"));
}

KVT_730_M_ResetOptionForm::KVT_730_M_ResetOptionForm(QWidget* parent) : ResetOptionDialog(parent) {
  setObjectName(QStringLiteral("KVT_730_M_ResetOptionForm"));
}

std::unique_ptr<ResetOptionDialog> MakeResetOptionDialog(Variant v, QWidget* parent) {
  if (v == Variant::B) return std::make_unique<KVT_730_B_ResetOptionForm>(parent);
  return std::make_unique<KVT_730_M_ResetOptionForm>(parent);
}

}  // namespace kvt
