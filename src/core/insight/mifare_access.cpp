// SPDX-License-Identifier: MIT
#include "mifare_access.h"

namespace kvt {

namespace {

constexpr Keys N = Keys::Never, A = Keys::A, B = Keys::B, AB = Keys::AB;

// By C1 C2 C3: read, write, increment, decrement/transfer/restore.
constexpr DataRights kData[8] = {
    {AB, AB, AB, AB},  // 000 transport configuration
    {AB, N, N, AB},    // 001 value block, no recharge
    {AB, N, N, N},     // 010 read only
    {B, B, N, N},      // 011
    {AB, B, N, N},     // 100
    {B, N, N, N},      // 101
    {AB, B, B, AB},    // 110 value block with recharge by key B
    {N, N, N, N},      // 111 blocked
};

// By C1 C2 C3: key A read/write, access bits read/write, key B read/write.
constexpr TrailerRights kTrailer[8] = {
    {N, A, A, N, A, A},    // 000
    {N, A, A, A, A, A},    // 001 transport configuration
    {N, N, A, N, A, N},    // 010
    {N, B, AB, B, N, B},   // 011
    {N, B, AB, N, N, B},   // 100
    {N, N, AB, B, N, N},   // 101
    {N, N, AB, N, N, N},   // 110
    {N, N, AB, N, N, N},   // 111
};

int bit(uint8_t byte, int n) { return (byte >> n) & 1; }

// Where key B may be read it cannot authenticate: the rights the data lines give to key B
// alone belong to nobody, and "A|B" is key A's alone.
QString keyBNote(const AccessBits& a, bool bigSector) {
  QStringList lost;
  for (int g = 0; g < 3; ++g) {
    const DataRights r = DataRightsFor(a.groups[static_cast<size_t>(g)]);
    QStringList what;
    const std::pair<Keys, const char*> rights[] = {
        {r.read, "read"}, {r.write, "write"}, {r.increment, "increment"}, {r.decrement, "decrement"}};
    for (const auto& [keys, name] : rights)
      if (keys == Keys::B) what << QLatin1String(name);
    if (what.isEmpty()) continue;
    const QString head = bigSector ? QStringLiteral("blocks %1-%2").arg(5 * g).arg(5 * g + 4)
                                   : QStringLiteral("block %1").arg(g);
    lost << head + QLatin1Char(' ') + what.join(QStringLiteral(", "));
  }
  QString note = QStringLiteral("Key B: readable, so it cannot authenticate: ");
  note += lost.isEmpty() ? QStringLiteral("no right above is given to key B alone")
                         : QStringLiteral("rights given to key B alone are given to nobody (%1)")
                               .arg(lost.join(QStringLiteral("; ")));
  return note + QStringLiteral(", and A|B means key A only");
}

}  // namespace

QString KeysText(Keys k) {
  switch (k) {
    case Keys::Never: return QStringLiteral("never");
    case Keys::A: return QStringLiteral("A");
    case Keys::B: return QStringLiteral("B");
    case Keys::AB: return QStringLiteral("A|B");
  }
  return QString();
}

DataRights DataRightsFor(int c) { return kData[c & 7]; }
TrailerRights TrailerRightsFor(int c) { return kTrailer[c & 7]; }

AccessBits DecodeAccessBits(const QByteArray& bits) {
  AccessBits a;
  if (bits.size() < 3) {
    a.problem = QStringLiteral("fewer than three bytes");
    return a;
  }
  const auto b6 = static_cast<uint8_t>(bits[0]), b7 = static_cast<uint8_t>(bits[1]), b8 = static_cast<uint8_t>(bits[2]);
  bool bad[3] = {false, false, false};
  for (int g = 0; g < 4; ++g) {
    const int c1 = bit(b7, 4 + g), c2 = bit(b8, g), c3 = bit(b8, 4 + g);
    bad[0] = bad[0] || c1 == bit(b6, g);
    bad[1] = bad[1] || c2 == bit(b6, 4 + g);
    bad[2] = bad[2] || c3 == bit(b7, g);
    a.groups[static_cast<size_t>(g)] = c1 << 2 | c2 << 1 | c3;
  }
  QStringList names;
  for (int i = 0; i < 3; ++i)
    if (bad[i]) names << QStringLiteral("C%1").arg(i + 1);
  a.valid = names.isEmpty();
  if (names.size() == 1)
    a.problem = QStringLiteral("the inverted copy of %1 does not match").arg(names[0]);
  else if (!names.isEmpty())
    a.problem = QStringLiteral("the inverted copies of %1 and %2 do not match")
                    .arg(names.mid(0, names.size() - 1).join(QStringLiteral(", ")), names.last());
  return a;
}

bool AccessBitsValid(const QByteArray& bits) { return DecodeAccessBits(bits).valid; }

QByteArray EncodeAccessBits(const std::array<int, 4>& groups) {
  uint8_t c1 = 0, c2 = 0, c3 = 0;
  for (int g = 0; g < 4; ++g) {
    const int c = groups[static_cast<size_t>(g)];
    c1 |= static_cast<uint8_t>(((c >> 2) & 1) << g);
    c2 |= static_cast<uint8_t>(((c >> 1) & 1) << g);
    c3 |= static_cast<uint8_t>((c & 1) << g);
  }
  const uint8_t b6 = static_cast<uint8_t>((~c2 & 0x0F) << 4 | (~c1 & 0x0F));
  const uint8_t b7 = static_cast<uint8_t>(c1 << 4 | (~c3 & 0x0F));
  const uint8_t b8 = static_cast<uint8_t>(c3 << 4 | c2);
  QByteArray out;
  out.append(static_cast<char>(b6)).append(static_cast<char>(b7)).append(static_cast<char>(b8));
  return out;
}

bool KeyBReadable(const AccessBits& a) { return TrailerRightsFor(a.groups[3]).keyBRead != Keys::Never; }

bool TrailerLocksForGood(const QByteArray& bits) {
  const AccessBits a = DecodeAccessBits(bits);
  return a.valid && TrailerRightsFor(a.groups[3]).accessWrite == Keys::Never;
}

QStringList AccessLines(const QByteArray& bits, bool bigSector) {
  const AccessBits a = DecodeAccessBits(bits);
  QStringList lines;
  if (bits.size() < 3) {
    lines << QStringLiteral("Access bits: invalid (%1)").arg(a.problem);
    return lines;
  }
  for (int g = 0; g < 3; ++g) {
    const DataRights r = DataRightsFor(a.groups[static_cast<size_t>(g)]);
    const QString head = bigSector ? QStringLiteral("Blocks %1-%2").arg(5 * g).arg(5 * g + 4)
                                   : QStringLiteral("Block %1").arg(g);
    lines << QStringLiteral("%1: read %2, write %3, increment %4, decrement %5")
                 .arg(head, KeysText(r.read), KeysText(r.write), KeysText(r.increment), KeysText(r.decrement));
  }
  const TrailerRights t = TrailerRightsFor(a.groups[3]);
  lines << QStringLiteral("Trailer: key A read %1, write %2; access bits read %3, write %4; key B read %5, write %6")
               .arg(KeysText(t.keyARead), KeysText(t.keyAWrite), KeysText(t.accessRead), KeysText(t.accessWrite),
                    KeysText(t.keyBRead), KeysText(t.keyBWrite));
  if (KeyBReadable(a)) lines << keyBNote(a, bigSector);
  if (a.valid && t.accessWrite == Keys::Never)
    lines << QStringLiteral("Trailer: locked for good, the access bits can never be written again");
  lines << (a.valid ? QStringLiteral("Access bits: valid")
                    : QStringLiteral("Access bits: invalid (%1)").arg(a.problem));
  return lines;
}

QStringList AccessDetails(const QByteArray& bits, bool bigSector) {
  QStringList lines = AccessLines(bits, bigSector);
  // The verdict lines, "Access bits: ..." and "Trailer: locked for good...", come first.
  QStringList verdict{lines.takeLast()};
  if (!lines.isEmpty() && lines.last().startsWith(QLatin1String("Trailer: locked"))) verdict << lines.takeLast();
  return verdict + lines;
}

}  // namespace kvt
