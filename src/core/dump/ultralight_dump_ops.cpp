// SPDX-License-Identifier: MIT
#include "ultralight_dump_ops.h"

#include "core/rf/rf_activation_ops.h"
#include "core/rf/ultralight_ops.h"

namespace kvt {

namespace {

constexpr int kFirstUserPage = 4;

// 00 INS PAGE 00 01: one page.
QByteArray pageApdu(uint8_t ins, int page) {
  QByteArray a(1, '\0');
  return a + char(ins) + char(page) + char(0x00) + char(0x01);
}

// Activates the card; false (with the end set) when it is not an Ultralight.
bool activate(Session& s, const QString& addressText, RunEnd& end) {
  const ActivateOutcome o = RfActivate(s, addressText, 0);
  if (o.status != OpStatus::Done) {
    end.status = o.status;
    return false;
  }
  if (o.reply.at(6) == 'M' && o.reply.at(8) == 0x44) return true;
  end.status = OpStatus::BadInput;
  end.message = Caution(QStringLiteral("The card in the RF field is not a Mifare Ultralight card."));
  return false;
}

}  // namespace

UltralightDumpResult UltralightDump(Session& s, const QString& addressText, const RunControl& control) {
  UltralightDumpResult r;
  if (!activate(s, addressText, r)) return r;
  r.image = CardImage(kUltralightImageBytes);
  for (int page = 0; page < kUltralightPages; ++page) {
    if (control.stop()) {
      r.stopped = true;
      break;
    }
    const CardReply reply = RfCardExchange(s, addressText, pageApdu(0xB0, page));
    if (reply.status != OpStatus::Done) {
      r.status = reply.status;
      break;
    }
    if (reply.ok() && reply.data.size() >= kUltralightPageBytes) {
      r.image.set(page * kUltralightPageBytes, reply.data.left(kUltralightPageBytes));
      ++r.pagesRead;
    } else {
      r.unread << page;
    }
    control.report(page + 1, kUltralightPages);
  }
  return r;
}

UltralightRestoreResult UltralightRestore(Session& s, const QString& addressText, const CardImage& image,
                                          const RunControl& control) {
  UltralightRestoreResult r;
  if (image.size() != kUltralightImageBytes) {
    r.status = OpStatus::BadInput;
    r.message = Caution(QStringLiteral("An Ultralight image holds 64 bytes."));
    return r;
  }
  if (!activate(s, addressText, r)) return r;
  for (int page = kFirstUserPage; page < kUltralightPages; ++page) {
    if (control.stop()) {
      r.stopped = true;
      break;
    }
    if (!image.allKnown(page * kUltralightPageBytes, kUltralightPageBytes)) {
      r.missing << page;
      control.report(page - kFirstUserPage + 1, kUltralightPages - kFirstUserPage);
      continue;
    }
    const QByteArray data = image.mid(page * kUltralightPageBytes, kUltralightPageBytes);
    const CardReply reply = RfCardExchange(s, addressText, pageApdu(0xD1, page) + data);
    if (reply.status != OpStatus::Done) {
      r.status = reply.status;
      break;
    }
    (reply.ok() ? r.written : r.refused) << page;
    control.report(page - kFirstUserPage + 1, kUltralightPages - kFirstUserPage);
  }
  return r;
}

QString UltralightDumpLine(const UltralightDumpResult& r) {
  QString line = QStringLiteral("Pages read: %1/%2").arg(r.pagesRead).arg(kUltralightPages);
  if (!r.unread.isEmpty()) line += QStringLiteral("; refused by the card: ") + NumberList(r.unread);
  return line;
}

QString UltralightRestoreLine(const UltralightRestoreResult& r) {
  QString line = QStringLiteral("Pages written: %1/%2").arg(r.written.size()).arg(kUltralightPages - kFirstUserPage);
  if (!r.refused.isEmpty()) line += QStringLiteral("; refused by the card: ") + NumberList(r.refused);
  if (!r.missing.isEmpty()) line += QStringLiteral("; not in the file: ") + NumberList(r.missing);
  return line;
}

}  // namespace kvt
