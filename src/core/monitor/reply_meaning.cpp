// SPDX-License-Identifier: MIT
#include "reply_meaning.h"

#include <QStringList>

#include "core/base/app_state.h"
#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/link/log_format.h"
#include "core/link/negative_reply.h"
#include "core/machine/movement_ops.h"
#include "core/machine/operation.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/rf_ops.h"

namespace kvt::monitor {

namespace {

QString Lines(const QString& boxText) { return QString(boxText).replace(CRLF, QStringLiteral(" / ")); }

// Reply data shown as text (serial numbers, versions, the configuration's software code)
// stays on one line and in plain ASCII: other bytes become ".".
QString Printable(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() < 0x20 || c.unicode() > 0x7E) c = QLatin1Char('.');
  return out;
}

// The two characters at reply bytes 6 and 7, as the type requests read their code.
QString TypeCode(const ReplyBuffer& r) { return (QString(QChar(r.at(6))) + QChar(r.at(7))).trimmed(); }

QString SensorLines(const ReplyBuffer& r) {
  QStringList rows;
  const int n = std::min<int>(12, static_cast<int>(r.data().size()));
  for (int k = 0; k < n; ++k) {
    const SensorValue v = DecodeSensor(r.at(6 + k));
    rows << QLatin1String(kSensorRows[k].caption) + QStringLiteral(": ") + v.text;
  }
  return rows.join(QStringLiteral(" / "));
}

QString ConfigLines(const ReplyBuffer& r) {
  const QStringList values = DecodeConfig(r.data().left(11));
  QStringList rows;
  for (int k = 0; k < values.size() && k < 8; ++k)
    rows << QLatin1String(kConfigRows[k].caption) + QStringLiteral(": ") + values[k];
  return rows.join(QStringLiteral(" / "));
}

std::optional<QString> MovementSuccess(uint8_t cm, uint8_t pm) {
  for (const MovementInfo& m : kMovements)
    if (m.cm == cm && m.pm == pm) return QString::fromLatin1(m.success);
  return std::nullopt;
}

std::optional<QString> PositiveMeaning(const ReplyBuffer& r) {
  const uint8_t cm = r.at(1), pm = r.at(2);
  if (const auto moved = MovementSuccess(cm, pm)) return *moved;
  switch (cm) {
    case 0x30: return QStringLiteral("INITIALIZE Success / Initialize Information: ") + DataText(r);
    case 0xDC: return QStringLiteral("Fireware Ver:") + DataText(r);
    case 0x31:
      if (pm == 0x30) return Lines(CardStatusText(r.at(3), r.at(4), r.at(5)));
      if (pm == 0x31) return SensorLines(r);
      break;
    case 0xA2: {
      AppState state;
      state.UnitTextValue = DataText(r);
      return QStringLiteral("Serial number: ") + SerialNumberText(state);
    }
    case 0xA3: return ConfigLines(r);
    case 0xA5:
      if (pm == 0x30) return QStringLiteral("Read Counter Success / Counter: ") + DataText(r);
      if (pm == 0x31) return QStringLiteral("InitializeI Counter Success");
      break;
    case 0x50:
      if (pm == 0x30) return QStringLiteral("Test IC Type Complete / ") + IcTypeText(TypeCode(r));
      if (pm == 0x31) return QStringLiteral("Test RF Type Complete / ") + RfTypeText(TypeCode(r));
      break;
    case kSleCommand:
      if (pm == 0x31) return QStringLiteral("Deactivate success");
      if (pm == 0x33 || pm == 0x34) return StatusWordText(MemoryStatusWord(r)) + QStringLiteral(" / ") + MemoryStatusWord(r);
      break;
    case kEepromCommand:
      if (pm == 0x33) return StatusWordText(MemoryStatusWord(r)) + QStringLiteral(" / ") + MemoryStatusWord(r);
      break;
    case kRfCommand:
      if (pm == 0x31) return QStringLiteral("Deactivate success");
      if (pm == 0x32) return QStringLiteral("The RF Card is activated / ") + RfInquireText(TypeCode(r));
      if (pm == kRfCardCommand) return RfStatusText(RfStatusWord(r)) + QStringLiteral(" / ") + RfStatusWord(r);
      break;
    default: break;
  }
  return std::nullopt;
}

}  // namespace

QString ReplyMeaning(const ReplyBuffer& r) {
  if (r.negative()) {
    const QString code = Printable(QString(QChar(r.at(3))) + QChar(r.at(4)));
    const QString title = QStringLiteral("Negative response:") + code;
    if (const auto text = NegativeReplyText(code.trimmed())) return title + QStringLiteral(" | ") + *text;
    return title + QStringLiteral(" (no text for this code)");
  }
  if (const auto text = PositiveMeaning(r)) return Printable(*text);
  return QStringLiteral("positive, status %1 %2 %3").arg(HexByte(r.at(3)), HexByte(r.at(4)), HexByte(r.at(5)));
}

}  // namespace kvt::monitor
