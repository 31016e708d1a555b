// SPDX-License-Identifier: MIT
#include "initialize_ops.h"

#include "core/link/log_format.h"

namespace kvt {

const InitOption kInitOptions[6] = {
    {"Option1", "If card is in, move card to the front", 0x30},
    {"Option2", "If card is in, move card to the error card bin", 0x31},
    {"Option4", "Only initialinze, retain the card inside", 0x33},
    {"Option5", "If card is in, move card to the front and counter will work.", 0x34},
    {"Option6", "If card is in, move card to the error card bin and counter will work.", 0x35},
    {"Option7", "If card is in, retain the card inside  and counter will work.", 0x37},
};

Outcome Initialize(Session& s, const QString& addressText, const std::function<int()>& chooseOption) {
  Outcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  s.state.InitializeParameter = chooseOption ? chooseOption() : 0;
  const int param = s.state.InitializeParameter;
  if (param == 0) {
    o.status = OpStatus::Cancelled;
    return o;
  }
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  o = Exchange(s, *address, 0x30, static_cast<uint8_t>(param));
  if (o.status == OpStatus::Done) {
    QString info = QStringLiteral("Initialize Information: ") + DataText(o.reply);
    // A refused version request is not reported: INITIALIZE itself was carried out.
    const Outcome fw = Exchange(s, *address, 0xDC, 0x31, {}, NegativeReply::Quiet);
    if (fw.status == OpStatus::Done) {
      info += CRLF + QStringLiteral("Fireware Ver:") + DataText(fw.reply);
      o.message = Message{MessageIcon::Information, QStringLiteral("INITIALIZE"),
                          QStringLiteral("INITIALIZE Success") + CRLF + info};
    }
  }
  EndOperation(s);
  return o;
}

}  // namespace kvt
