// SPDX-License-Identifier: MIT
#include "iso_apdu_ops.h"

#include "core/base/conversions.h"
#include "core/contact/chip_card_ops.h"
#include "core/contact/contact_ops.h"

namespace kvt {

const QString kDefaultIsoApdu = QStringLiteral("00A40000023F00");

QStringList IsoApduEntries() {
  return {QStringLiteral("0084000008"), QStringLiteral("00A40000023F00"),
          QStringLiteral("00A404000E315041592E5359532E4444463031")};
}

IsoApduOutcome SendIsoApdu(Session& s, const QString& addressText, IsoType type, const QString& apduText) {
  IsoApduOutcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  o.clearResponse = true;
  QByteArray apdu;
  if (ConvertApduText(apduText, &apdu) != ApduTextError::None) {
    o.status = OpStatus::BadInput;
    o.message = DataErrorMessage();
    return o;
  }
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  static_cast<Outcome&>(o) = Exchange(s, *address, kRfCommand, static_cast<uint8_t>(type), apdu);
  if (o.status == OpStatus::Done) {
    o.response = JoinedHex(o.reply.data());
    o.message = Message{MessageIcon::Information, QStringLiteral("C-APDU"), QStringLiteral("Success")};
  }
  EndOperation(s);
  return o;
}

}  // namespace kvt
