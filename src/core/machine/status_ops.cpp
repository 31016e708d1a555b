// SPDX-License-Identifier: MIT
#include "status_ops.h"

#include "core/link/log_format.h"

namespace kvt {

namespace {
QString pick(uint8_t b, const char* s0, const char* s1, const char* s2) {
  switch (b) {
    case '0': return QString::fromLatin1(s0);
    case '1': return QString::fromLatin1(s1);
    case '2': return QString::fromLatin1(s2);
    default: return QString();
  }
}
}  // namespace

QString CardStatusText(uint8_t st0, uint8_t st1, uint8_t st2) {
  return QStringLiteral("Card Status Success") + CRLF +
         pick(st0, "No card in card channel", "There is card at front side",
              "There is card at RF/IC card operation position") +
         CRLF + pick(st1, "No card in stacker", "Lack of card in stacker", "Enough cards in stacker") +
         CRLF + pick(st2, "The error card bin is not full", "The error card bin is full", "");
}

Outcome CardStatus(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, 0x31, 0x30);
  if (o.status == OpStatus::Done)
    o.message = Message{MessageIcon::Information, QStringLiteral("Card Status"),
                        CardStatusText(o.reply.at(3), o.reply.at(4), o.reply.at(5))};
  return o;
}

Outcome SensorStatus(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, 0x31, 0x31);
  if (o.status == OpStatus::Done) {
    // Fewer than 12 sensor bytes are not refused: the end and check bytes, then zeros,
    // take the places of the missing ones.
    for (int k = 0; k < 12; ++k) s.state.SensorStateBytes[k] = static_cast<char>(o.reply.at(6 + k));
  }
  return o;
}

const SensorRow kSensorRows[12] = {
    {"Sensor 1 (PSS1)", "Label10"},   {"Sensor 2 (PSS2)", "Label11"},
    {"Sensor 3 (PSS3)", "Label12"},   {"Sensor 4 (PSS4)", "Label13"},
    {"Sensor 5 (PSS5)", "Label14"},   {"Sensor 6 (PSS6)", "Label15"},
    {"Sensor 7 (PSS7)", "Label16"},   {"Sensor 8 (PSS8)", "Label17"},
    {"Sensor 9 (PSS9)", "Label18"},   {"Sensor 10 (PSS10)", "Label19"},
    {"Sensor KS1 (KS1)", "Label20"},  {"Sensor KS2 (KS2)", "Label21"},
};

int SensorRowCount(Variant v) { return v == Variant::B ? 12 : 8; }

SensorValue DecodeSensor(uint8_t b) {
  if (b == '0') return {QStringLiteral("Off"), false};
  if (b == '1') return {QStringLiteral("On"), true};
  return {};
}

}  // namespace kvt
