// SPDX-License-Identifier: MIT
#include "sensor_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "core/machine/status_ops.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"

namespace kvt {

SensorWindow::SensorWindow(Variant v, const QByteArray& sensorBytes, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Test the status of the sensor"));
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(24);
  const int rows = SensorRowCount(v);
  for (int k = 0; k < rows; ++k) {
    const SensorRow& row = kSensorRows[k];
    auto* name = new QLabel(QString::fromLatin1(row.caption), this);
    name->setObjectName(QStringLiteral("SensorName%1").arg(k));
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromLatin1(row.valueLabel));
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("Off")) + 8);
    const SensorValue decoded = DecodeSensor(k < sensorBytes.size() ? static_cast<uint8_t>(sensorBytes[k]) : 0);
    value->setText(decoded.text);
    NameValueLabel(value, name);
    if (decoded.red) {
      QPalette p = value->palette();
      p.setColor(QPalette::WindowText, QColor(255, 0, 0));
      value->setPalette(p);
    }
    grid->addWidget(name, k, 0);
    grid->addWidget(value, k, 1);
  }
  grid->addWidget(AcceptingOkButton(this), rows, 0, 1, 2, Qt::AlignHCenter);
}

KVT_730_B_SensorStateForm::KVT_730_B_SensorStateForm(const QByteArray& sensorBytes, QWidget* parent)
    : SensorWindow(Variant::B, sensorBytes, parent) {
  setObjectName(QStringLiteral("KVT_730_B_SensorStateForm"));
}

KVT_730_M_SensorStateForm::KVT_730_M_SensorStateForm(const QByteArray& sensorBytes, QWidget* parent)
    : SensorWindow(Variant::M, sensorBytes, parent) {
  setObjectName(QStringLiteral("KVT_730_M_SensorStateForm"));
}

std::unique_ptr<SensorWindow> MakeSensorWindow(Variant v, const QByteArray& sensorBytes, QWidget* parent) {
  if (v == Variant::B) return std::make_unique<KVT_730_B_SensorStateForm>(sensorBytes, parent);
  return std::make_unique<KVT_730_M_SensorStateForm>(sensorBytes, parent);
}

}  // namespace kvt
