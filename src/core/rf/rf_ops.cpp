// SPDX-License-Identifier: MIT
#include "rf_ops.h"

#include "core/base/conversions.h"
#include "core/link/log_format.h"

namespace kvt {

const QString kInputDataFirst = QStringLiteral("Please input the data first");
const QString kModifyTrailerQuestion =
    QStringLiteral("Are you sure to modify\r\nthe password of present sector and control key memory area?");

int RfOuterPage(RfPage p) {
  switch (p) {
    case RfPage::S50S70:
    case RfPage::Ultralight: return 0;
    case RfPage::TypeA: return 1;
    case RfPage::TypeB: return 2;
  }
  return 0;
}

std::optional<int> RfMifarePage(RfPage p) {
  if (p == RfPage::S50S70) return 0;
  if (p == RfPage::Ultralight) return 1;
  return std::nullopt;
}

QString RfStatusText(const QString& sw) {
  if (sw == QLatin1String("9000")) return QStringLiteral("Exxcute OK");
  if (sw == QLatin1String("6F00")) return QStringLiteral("Execute Error");
  return QString();
}

QString RfStatusWord(const ReplyBuffer& r) { return HexByte(r.at(r.len - 4)) + HexByte(r.at(r.len - 3)); }

Message RfResultBox(const QString& title, const QString& head, const QString& sw) {
  return {MessageIcon::Information, title, head + CRLF + RfStatusText(sw) + CRLF + sw};
}

Message Caution(const QString& text) { return {MessageIcon::Warning, kCaution, text}; }

Outcome SendRfCardCommand(Session& s, const QString& addressText, const RfCardCommand& c) {
  Outcome o;
  const auto address = ReadAddress(s, addressText);
  if (!address) {
    o.status = OpStatus::BadInput;
  } else {
    o = Exchange(s, *address, kRfCommand, kRfCardCommand, c.data);
    if (o.status == OpStatus::Done) o.message = RfResultBox(c.title, c.head, RfStatusWord(o.reply));
  }
  EndOperation(s);
  return o;
}

Outcome Refused(OpStatus status, const std::optional<Message>& message) {
  Outcome o;
  o.status = status;
  o.message = message;
  return o;
}

}  // namespace kvt
