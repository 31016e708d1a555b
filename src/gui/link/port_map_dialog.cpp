// SPDX-License-Identifier: MIT
#include "port_map_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/base/notifier.h"
#include "core/link/engine.h"
#include "core/link/port_map.h"
#include "core/link/port_map_store.h"

namespace kvt {

const QString kScanOnlyNote =
    QStringLiteral("reached by the scan only: the port setup lists COM1 to COM15 and refuses COM16");

PortMapDialog::PortMapDialog(QSettings& settings, Notifier& notifier, QWidget* parent)
    : QDialog(parent), settings_(settings), notifier_(notifier) {
  setWindowTitle(QStringLiteral("Port Map"));
  setObjectName(QStringLiteral("PortMapDialog"));
  auto* form = new QFormLayout;
  const QMap<int, QString> stored = PortMapStore(settings_).load();
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    const QString name = QStringLiteral("COM%1").arg(n);
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("PortMap%1Text").arg(name));
    field->setPlaceholderText(PortMap::defaultDevice(n));
    field->setText(stored.value(n));
    field->setAccessibleName(name);
    field->setAccessibleDescription(QStringLiteral("Device or tcp://HOST:PORT or rfc2217://HOST:PORT; empty: %1")
                                        .arg(PortMap::defaultDevice(n)));
    field->setMinimumWidth(260);
    fields_.push_back(field);
    if (n < PortMap::kPorts) {
      form->addRow(name, field);  // the row's label becomes the field's buddy
      continue;
    }
    // The port setup lists COM1 to COM15 and refuses a typed "COM16": only its scan gets here.
    auto* note = new QLabel(kScanOnlyNote, this);
    note->setObjectName(QStringLiteral("PortMapCOM16Note"));
    note->setAccessibleName(note->text());
    field->setAccessibleDescription(field->accessibleDescription() + QStringLiteral("; ") + kScanOnlyNote);
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(note);
    auto* label = new QLabel(name, this);
    label->setBuddy(field);
    form->addRow(label, row);
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("OkBtn"));
  ok->setAccessibleName(ok->text());
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  cancel->setAccessibleName(cancel->text());
  connect(buttons, &QDialogButtonBox::accepted, this, &PortMapDialog::onOk);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* hint = new QLabel(
      QStringLiteral("A device path, tcp://HOST:PORT (raw) or rfc2217://HOST:PORT;\nan empty field keeps the default."),
      this);
  hint->setObjectName(QStringLiteral("PortMapHintLabel"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(hint);
  layout->addWidget(buttons);
}

QMap<int, QString> PortMapDialog::entries() const {
  QMap<int, QString> out;
  for (int i = 0; i < fields_.size(); ++i) {
    const QString text = fields_[i]->text().trimmed();
    if (!text.isEmpty()) out.insert(i + 1, text);
  }
  return out;
}

void PortMapDialog::onOk() {
  const QMap<int, QString> e = entries();
  for (auto it = e.constBegin(); it != e.constEnd(); ++it) {
    if (!IsUsableDevice(it.value())) {
      notifier_.warn(kCaution, QStringLiteral("COM%1: \"%2\" is no usable address; a network port is written "
                                              "tcp://HOST:PORT or rfc2217://HOST:PORT with a port from 1 to 65535")
                                   .arg(it.key())
                                   .arg(it.value()));
      fields_[it.key() - 1]->setFocus();
      fields_[it.key() - 1]->selectAll();
      return;
    }
  }
  if (!PortMapStore(settings_).save(e)) {
    notifier_.warn(kCaution, QStringLiteral("The port map could not be saved to %1").arg(settings_.fileName()));
    return;
  }
  accept();
}

}  // namespace kvt
