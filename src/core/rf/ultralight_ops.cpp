// SPDX-License-Identifier: MIT
#include "ultralight_ops.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/link/engine.h"

namespace kvt {

namespace {

// 00 INS PAGE 00 01: the page takes the place of the sector, block 0, one page.
QByteArray header(uint8_t ins, int page) {
  QByteArray h(1, '\0');
  return h + char(ins) + char(page) + char(0x00) + char(0x01);
}

bool validPage(int page) { return page >= 0 && page < kUltralightPages; }

}  // namespace

PageReadOutcome UltralightRead(Session& s, const QString& addressText, int page) {
  PageReadOutcome o;
  if (!BeginOperation(s)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::PortClosed);
    return o;
  }
  if (!validPage(page)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::BadInput, DataErrorMessage());
    return o;
  }
  static_cast<Outcome&>(o) = SendRfCardCommand(
      s, addressText, {QStringLiteral("Read block data"), QStringLiteral("Read block data"), header(0xB0, page)});
  if (o.status == OpStatus::Done && RfStatusWord(o.reply) == QLatin1String("9000"))
    for (int i = 0; i < kUltralightPageBytes; ++i) o.cells << HexByte(o.reply.at(6 + i));
  return o;
}

Outcome UltralightWrite(Session& s, const QString& addressText, int page, const QStringList& cells) {
  if (!BeginOperation(s)) return Refused(OpStatus::PortClosed);
  if (!validPage(page)) return Refused(OpStatus::BadInput, DataErrorMessage());
  for (int i = 0; i < kUltralightPageBytes; ++i)
    if (cells.value(i).size() != 2) return Refused(OpStatus::BadInput, Caution(kInputDataFirst));
  if (page < 2)
    return Refused(OpStatus::BadInput,
                   Caution(QStringLiteral("The block is the vendor code area, the block is not written")));
  const auto bytes = GridBytes(cells, kUltralightPageBytes);
  if (!bytes) return Refused(OpStatus::BadInput, DataErrorMessage());
  if (page == 2 && !s.notifier.ask(kCaution, kModifyTrailerQuestion)) return Refused(OpStatus::Cancelled);
  return SendRfCardCommand(
      s, addressText, {QStringLiteral("Write Block Data"), QStringLiteral("Write Block Data"), header(0xD1, page) + *bytes});
}

}  // namespace kvt
