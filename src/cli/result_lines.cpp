// SPDX-License-Identifier: MIT
#include "result_lines.h"

#include "core/base/conversions.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "output.h"

namespace kvt::cli {

void PrintSensorRows(const AppState& state, Variant variant) {
  const int rows = SensorRowCount(variant);
  for (int k = 0; k < rows; ++k) {
    const auto b = static_cast<uint8_t>(state.SensorStateBytes.at(k));
    PrintField(QString::fromLatin1(kSensorRows[k].caption), DecodeSensor(b).text);
  }
}

void PrintConfigRows(const AppState& state) {
  const QStringList values = DecodeConfig(state.ConfigBytes);
  for (int k = 0; k < values.size(); ++k)
    PrintField(QString::fromLatin1(kConfigRows[k].caption), values[k]);
}

void PrintSerialNumber(const AppState& state) {
  PrintField(QStringLiteral("Serial number"), SerialNumberText(state));
}

void PrintCounter(const QString& counterText) { PrintField(QStringLiteral("Counter"), counterText); }

void PrintReplyText(const ReplyBuffer& reply) {
  // The buffer ends with the ETX and the check byte.
  const QByteArray text = reply.bytes.left(std::max(0, reply.len - 2));
  PrintField(QStringLiteral("Reply"), HexEntries(text).trimmed());
}

}  // namespace kvt::cli
