// SPDX-License-Identifier: MIT
#include "negative_reply.h"

#include <QHash>

namespace kvt {

namespace {

const QHash<QString, QString>& table() {
  static const QHash<QString, QString> t = [] {
    QHash<QString, QString> h;
    const struct { const char* code; const char16_t* text; } rows[] = {
      {"00", u"A given command code is unidentified"},
      {"01", u"Parameter is not correct"},
      {"02", u"Command execution is impossible"},
      {"03", u"Hardware does not support the command"},
      {"04", u"Command data error"},
      {"05", u"Tried to card feed commands before the IC contact release command"},
      {"06", u"--------"},
      {"07", u"--------"},
      {"08", u"--------"},
      {"09", u"--------"},
      {"10", u"Card jam"},
      {"11", u"Shutter failure"},
      {"12", u"Sensor failure of PD1, PD2, PD3, PDI / Card remains inside"},
      {"13", u"Irregular card length (LONG)"},
      {"14", u"Irregular card length (SHORT)"},
      {"15", u"F-ROM error / EEPROM error"},
      {"16", u"The card was moved forcibly"},
      {"17", u"Jam error at retrieve"},
      {"18", u"SW1 or SW2 error"},
      {"19", u"Card was not inserted from the rear"},
      {"20", u"Read Error (Parity error)"},
      {"21", u"Read Error"},
      {"22", u"Write Error"},
      {"23", u"Read Error (Only SS-ES-LRC)"},
      {"24", u"Read Error (no encode and/or no magnetic stripe)"},
      {"25", u"Write Verify Error (Quality error)"},
      {"26", u"Read Error (No SS)"},
      {"27", u"Read Error (No ES)"},
      {"28", u"Read Error (LRC error)"},
      {"29", u"Write Verify Error (Data discordance)"},
      {"30", u"Power Down"},
      {"31", u"DSR signal was turned to OFF"},
      {"32", u"--------"},
      {"33", u"--------"},
      {"34", u"--------"},
      {"35", u"--------"},
      {"36", u"--------"},
      {"37", u"--------"},
      {"38", u"--------"},
      {"39", u"--------"},
      {"40", u"Card was pulled out during capture"},
      {"41", u"Failure at IC contact solenoid or sensor ICD"},
      {"42", u"--------"},
      {"43", u"Card could not be set to IC contact position"},
      {"44", u"--------"},
      {"45", u"RAVI ejected the card forcibly"},
      {"46", u"The ejected card has not been withdrawn until the specified time"},
      {"47", u"--------"},
      {"48", u"--------"},
      {"49", u"--------"},
      {"50", u"Retract counter overflow"},
      {"51", u"Motor error"},
      {"52", u"--------"},
      {"53", u"Digital decode read error"},
      {"54", u"Anti-fishing pin moving error"},
      {"55", u"The command cannot be executed since the pin is down"},
      {"56", u"--------"},
      {"57", u"--------"},
      {"58", u"Anti-fishing pin is during the movement"},
      {"59", u"--------"},
      {"60", u"Abnormal condition was found on the power-line (Vcc) of IC card"},
      {"61", u"Receiving error of ATR"},
      {"62", u"The specified protocol does not agree with that of IC card"},
      {"63", u"IC card communication error (IC card does not respond)."},
      {"64", u"IC card communication error (Other than “63”)"},
      {"65", u"HOST sends command for IC card communication before receiving ATR"},
      {"66", u"Tried to communicate with IC card not supported in RAVI."},
      {"67", u"--------"},
      {"68", u"--------"},
      {"69", u"Tried to communicate with IC card not supported in Protocol EMV2000."},
      {"80", u"Write Error (No '1')"},
      {"81", u"Write Verify Error"},
      {"A0", u"Card issuing machine stack (boxes) and the channels are non-card"},
      {"A1", u"The Error Bin is Full"},
      {"B0", u"Not received Initialize command"},
    };
    for (const auto& r : rows) h.insert(QString::fromLatin1(r.code), QString::fromUtf16(r.text));
    return h;
  }();
  return t;
}

}  // namespace

std::optional<QString> NegativeReplyText(const QString& code) {
  const auto it = table().constFind(code);
  if (it == table().constEnd()) return std::nullopt;
  return *it;
}

std::optional<Message> NegativeReplyMessage(char e1, char e0) {
  const QString pair = QString(QLatin1Char(e1)) + QLatin1Char(e0);
  const auto text = NegativeReplyText(pair.trimmed());
  if (!text) return std::nullopt;
  return Message{MessageIcon::Information, QStringLiteral("Negative response:") + pair, *text};
}

void ShowNegativeReply(Notifier& notifier, char e1, char e0) {
  if (const auto m = NegativeReplyMessage(e1, e0)) notifier.show(*m);
}

}  // namespace kvt
