// SPDX-License-Identifier: MIT
#include "unit_ops.h"

#include "core/link/engine.h"

namespace kvt {

Outcome ReadSN(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, 0xA2, 0x30, QByteArray(1, '\x12'));
  if (o.status == OpStatus::Done) s.state.UnitTextValue = DataText(o.reply);
  return o;
}

QString SerialNumberText(const AppState& state) {
  // Only blanks are trimmed; other characters the reader sent stay.
  QString t = state.UnitTextValue;
  int b = 0, e = t.size();
  while (b < e && t[b] == QLatin1Char(' ')) ++b;
  while (e > b && t[e - 1] == QLatin1Char(' ')) --e;
  return t.mid(b, e - b);
}

Outcome ReadConfig(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, 0xA3, 0x30);
  if (o.status == OpStatus::Done) {
    const QByteArray data = o.reply.data();
    // The record has 11 bytes; anything the reader sends beyond them is ignored.
    for (int k = 0; k < data.size() && k < s.state.ConfigBytes.size(); ++k)
      s.state.ConfigBytes[k] = data[k];
  }
  return o;
}

const ConfigRow kConfigRows[8] = {
    {"Label0", "Card machiner identifies words", "Label10"},
    {"Label1", "Software code", "Label11"},
    {"Labe2", "Support the type of card operation", "Label12"},
    {"Label3", "Communication Interface", "Label13"},
    {"Label4", "IC Card Module Type", "Label14"},
    {"Label5", "RF Card Module Type", "Label15"},
    {"Label6", "SAM Card Module Type", "Label16"},
    {"Label7", "Dispense card component type", "Label17"},
};

namespace {
struct Choice {
  char value;
  const char* text;
};
template <size_t N>
QString lookup(char b, const Choice (&choices)[N]) {
  for (const auto& c : choices)
    if (c.value == b) return QString::fromLatin1(c.text);
  return QString();
}
}  // namespace

QStringList DecodeConfig(const QByteArray& cfg) {
  const auto at = [&cfg](int i) { return i < cfg.size() ? cfg[i] : '\0'; };
  static const Choice ident[] = {{'9', "KVT-730"}};
  static const Choice support[] = {{'0', "No read-write card function"},
                                   {'I', "Only supports contactless IC card Read/Write"},
                                   {'C', "Only supports RF Card Read/Write"},
                                   {'E', "Supports RF and contactless IC card Read/Write"}};
  static const Choice iface[] = {{'R', "RS-232 Interface"}, {'U', "USB Interface"}};
  static const Choice ic[] = {{'0', "No IC Card Read/Write Module"},
                              {'1', "There IC card contacts components, for the third-party "},
                              {'2', "KVT Standard IC Card Read/Write Module"}};
  static const Choice rf[] = {{'0', "No RF Card Read/Write Module"},
                              {'1', "There RF card contacts components, for the third-party "},
                              {'2', "KVT Standard RF Card Read/Write Module"}};
  static const Choice sam[] = {{'0', "No SAM card operation functions"},
                               {'1', "Support for one SAM card operation"},
                               {'2', "Support two SAM card operation"},
                               {'3', "Support three SAM card operation"},
                               {'4', "Support four SAM card operation"},
                               {'5', "Support five SAM card operation"}};
  static const Choice dispense[] = {{'0', "Rub card issuer Components"},
                                    {'1', "Drawing card issuer Components"}};
  QString software;
  for (int i = 1; i <= 4; ++i) software += QChar(static_cast<uchar>(at(i)));
  return {lookup(at(0), ident), software,          lookup(at(5), support), lookup(at(6), iface),
          lookup(at(7), ic),    lookup(at(8), rf), lookup(at(9), sam),     lookup(at(10), dispense)};
}

CounterOutcome ReadCounter(Session& s, const QString& addressText) {
  CounterOutcome o;
  static_cast<Outcome&>(o) = RunCommand(s, addressText, 0xA5, 0x30);
  if (o.status == OpStatus::Done) {
    s.state.UnitTextValue = DataText(o.reply);
    o.counterText = s.state.UnitTextValue;
    o.message = Message{MessageIcon::Information, QStringLiteral("Read Counter"),
                        QStringLiteral("Read Counter Success")};
  }
  return o;
}

QString PadCounter(const QString& text) {
  return text.size() >= 3 ? text : QString(3 - text.size(), QLatin1Char('0')) + text;
}

CounterOutcome InitCounter(Session& s, const QString& addressText, const QString& counterText) {
  CounterOutcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  const QString padded = PadCounter(counterText);
  o.counterText = padded;
  QByteArray digits;
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    const ushort u = padded[i].unicode();
    if (u > 0xFF) ok = false;
    digits.append(static_cast<char>(u & 0xFF));
  }
  const auto address = ok ? ReadAddress(s, addressText) : std::nullopt;
  if (!ok) s.notifier.warn(kCaution, kDataError);
  if (!address) {
    o.status = OpStatus::BadInput;
  } else {
    static_cast<Outcome&>(o) = Exchange(s, *address, 0xA5, 0x31, digits);
    if (o.status == OpStatus::Done)
      o.message = Message{MessageIcon::Information, QStringLiteral("InitializeI Counter"),
                          QStringLiteral("InitializeI Counter Success")};
  }
  EndOperation(s);
  return o;
}

}  // namespace kvt
