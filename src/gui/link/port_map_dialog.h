// SPDX-License-Identifier: MIT
#pragma once
// "Port Map": which device or network address each of COM1..COM16 opens, kept between
// runs. One field per name, its default device shown as placeholder (an empty field keeps
// the default); OK checks and stores the entries, Cancel leaves them as they were.
#include <QDialog>
#include <QMap>
#include <QVector>

class QLineEdit;
class QSettings;

namespace kvt {

class Notifier;

// Beside COM16, which only the port setup's scan reaches.
extern const QString kScanOnlyNote;

class PortMapDialog : public QDialog {
  Q_OBJECT
 public:
  // Shows the entries stored in `settings`; OK writes them back there. Refusals and
  // write failures are told through `notifier`.
  PortMapDialog(QSettings& settings, Notifier& notifier, QWidget* parent = nullptr);

  // The entries as the fields hold them (number -> device; empty fields left out).
  QMap<int, QString> entries() const;

 private:
  void onOk();

  QSettings& settings_;
  Notifier& notifier_;
  QVector<QLineEdit*> fields_;  // COM1 at index 0
};

}  // namespace kvt
