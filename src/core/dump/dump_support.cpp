// SPDX-License-Identifier: MIT
#include "dump_support.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/rf/rf_ops.h"

namespace kvt {

namespace {

CardReply split(const Outcome& o, const QByteArray& withStatus) {
  CardReply r;
  r.status = o.status;
  if (o.status != OpStatus::Done) return r;
  if (withStatus.size() < 2) {
    r.status = OpStatus::Unrecognised;
    return r;
  }
  r.sw = static_cast<uint16_t>(static_cast<uint8_t>(withStatus[withStatus.size() - 2]) << 8 |
                               static_cast<uint8_t>(withStatus[withStatus.size() - 1]));
  r.data = withStatus.left(withStatus.size() - 2);
  return r;
}

}  // namespace

CardReply RfCardExchange(Session& s, const QString& addressText, const QByteArray& apdu) {
  const Outcome o = SendRfCardCommand(s, addressText, {QString(), QString(), apdu});
  return split(o, o.reply.data());
}

CardReply MemoryCardExchange(Session& s, uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& apdu) {
  const Outcome o = Exchange(s, address, cm, pm, apdu);
  EndOperation(s);
  return split(o, o.reply.data());
}

QString NumberList(const QList<int>& numbers, bool hex) {
  QStringList parts;
  for (int n : numbers) parts << (hex ? HexByte(static_cast<uint8_t>(n)) : QString::number(n));
  return parts.join(QStringLiteral(", "));
}

}  // namespace kvt
