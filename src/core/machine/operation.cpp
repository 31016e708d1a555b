// SPDX-License-Identifier: MIT
#include "operation.h"

#include "core/base/conversions.h"
#include "core/link/log_format.h"
#include "core/link/negative_reply.h"

namespace kvt {

bool BeginOperation(Session& s) {
  if (!s.state.PortOpened) {
    s.notifier.warn(kCaution, kPortSetupFirst);
    return false;
  }
  s.log.startOperation();
  return true;
}

std::optional<uint8_t> ReadAddress(Session& s, const QString& addressText) {
  const auto a = ReadHexByte(addressText);
  if (!a) s.notifier.warn(kCaution, kDataError);
  return a;
}

std::optional<uint8_t> ReadAddressOrEnd(Session& s, const QString& addressText, Outcome& o) {
  const auto a = ReadAddress(s, addressText);
  if (!a) {
    o.status = OpStatus::BadInput;
    EndOperation(s);
  }
  return a;
}

Outcome Exchange(Session& s, uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& data,
                 NegativeReply negative) {
  Outcome o;
  if (data.size() > kMaxFrameData) {
    s.notifier.warn(kCaution, kDataError);
    o.status = OpStatus::BadInput;
    return o;
  }
  const QByteArray frame = BuildFrame(address, cm, pm, data);
  const int result = s.engine.ExecuteCommand(frame, frame.size(), o.reply);
  if (result != 0 || o.reply.len == 0) {
    o.status = OpStatus::ExchangeFailed;
  } else if (o.reply.positive()) {
    o.status = OpStatus::Done;
  } else if (o.reply.negative()) {
    o.status = OpStatus::Negative;
    if (negative == NegativeReply::Show)
      ShowNegativeReply(s.notifier, static_cast<char>(o.reply.at(3)), static_cast<char>(o.reply.at(4)));
  } else {
    o.status = OpStatus::Unrecognised;
  }
  return o;
}

void EndOperation(Session& s) { s.log.append(CRLF); }

Outcome RunCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm,
                   const QByteArray& data) {
  Outcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  const auto address = ReadAddress(s, addressText);
  if (!address) {
    o.status = OpStatus::BadInput;
  } else {
    o = Exchange(s, *address, cm, pm, data);
  }
  EndOperation(s);
  return o;
}

Outcome RunConfirmedCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm, const QString& title,
                            const QString& text) {
  Outcome o = RunCommand(s, addressText, cm, pm);
  if (o.status == OpStatus::Done) o.message = Message{MessageIcon::Information, title, text};
  return o;
}

void Present(Notifier& n, const Outcome& o) {
  if (o.message) n.show(*o.message);
}

QString DataText(const ReplyBuffer& r) { return QString::fromLatin1(r.data()); }

}  // namespace kvt
