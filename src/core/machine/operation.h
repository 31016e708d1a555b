// SPDX-License-Identifier: MIT
#pragma once
// The road every reader button takes: port check, log start, frame, exchange,
// negative reply, closing blank line. Operations return an Outcome that the window
// (or the command line) applies; its message is shown last.
#include <QByteArray>
#include <QString>
#include <optional>

#include "core/base/notifier.h"
#include "core/link/frame.h"
#include "core/link/session.h"

namespace kvt {

enum class OpStatus {
  Done,            // positive reply decoded
  PortClosed,      // "Comm. Port Setup First", nothing sent
  BadInput,        // a field could not be converted, nothing sent
  Cancelled,       // the user chose not to go on, nothing sent
  ExchangeFailed,  // the engine reported a failure
  Negative,        // the reader refused; its error text was shown
  Unrecognised     // a reply of another kind, ignored
};

struct Outcome {
  OpStatus status = OpStatus::Done;
  std::optional<Message> message;  // success message, shown after the outcome is applied
  ReplyBuffer reply;
};

// Port-open check ("Comm. Port Setup First") and the log start. False: stop, nothing sent.
bool BeginOperation(Session& s);

// The device address text read as hex; shows the data error and gives nullopt when it is not.
std::optional<uint8_t> ReadAddress(Session& s, const QString& addressText);
// ReadAddress within an operation already begun: when the address is not hex, `o` is
// marked BadInput and the operation is ended, and the caller returns `o` as it is.
std::optional<uint8_t> ReadAddressOrEnd(Session& s, const QString& addressText, Outcome& o);

// Whether Exchange shows a negative reply through ShowNegativeReply at once.
enum class NegativeReply { Show, Quiet };

// One exchange; a negative reply is shown through ShowNegativeReply unless `negative` is
// Quiet (the caller reports it, or nothing is to be reported). No closing line.
Outcome Exchange(Session& s, uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& data = {},
                 NegativeReply negative = NegativeReply::Show);

// The blank line every operation leaves after its exchange.
void EndOperation(Session& s);

// The whole road for one command without user fields beyond the address.
Outcome RunCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm,
                   const QByteArray& data = {});
// RunCommand for a command that only confirms: the information box it shows once the
// reader has carried the command out.
Outcome RunConfirmedCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm, const QString& title,
                            const QString& text);

// Shows the outcome's message, if any.
void Present(Notifier& n, const Outcome& o);

// Reply data taken byte by byte as characters.
QString DataText(const ReplyBuffer& r);

}  // namespace kvt
