// SPDX-License-Identifier: MIT
#include "motion.h"

#include <QElapsedTimer>

#include "core/link/negative_reply.h"
#include "core/machine/status_ops.h"

namespace kvt::qualify {

namespace {

// The card position line of a card status reply ("There is card at front side").
QString PositionLine(const ReplyBuffer& r) {
  return CardStatusText(r.at(3), r.at(4), r.at(5)).split(QStringLiteral("\r\n")).value(1);
}

}  // namespace

MotionOutcome MoveAndConfirm(RunSession& run, const QString& address, const PathMove& move, int maxMotionMs) {
  MotionOutcome m;
  Session& s = run.session();
  run.notes().take();
  QElapsedTimer timer;
  timer.start();
  const Outcome moved = MoveCard(s, address, move.movement);
  const qint64 ns = timer.nsecsElapsed();
  if (moved.status == OpStatus::Negative || moved.status == OpStatus::Done)
    m.us = static_cast<uint32_t>(std::min<qint64>(ns / 1000, UINT32_MAX));
  if (moved.status == OpStatus::Negative) {
    m.failure = FailureClass::Negative;
    m.code = QString::fromLatin1(moved.reply.bytes.mid(3, 2));
    m.detail = QStringLiteral("negative reply %1: %2")
                   .arg(m.code, NegativeReplyText(m.code).value_or(QStringLiteral("(no text for this code)")));
    run.notes().take();
    return m;
  }
  if (moved.status != OpStatus::Done) {
    m.failure = FailureClass::Exchange;
    const QString said = run.notes().take();
    m.detail = said.isEmpty() ? QStringLiteral("no usable reply to the move") : said;
    return m;
  }
  const Outcome status = CardStatus(s, address);
  run.notes().take();
  if (status.status == OpStatus::ExchangeFailed || status.status == OpStatus::PortClosed) {
    m.failure = FailureClass::Exchange;
    m.detail = QStringLiteral("the card status that follows the move got no usable reply");
    return m;
  }
  if (status.status != OpStatus::Done || status.reply.at(3) != static_cast<uint8_t>(move.cardPosition)) {
    m.failure = FailureClass::Position;
    m.detail = status.status == OpStatus::Done
                   ? QStringLiteral("not confirmed: the card status says \"%1\"").arg(PositionLine(status.reply))
                   : QStringLiteral("not confirmed: the card status was refused");
    return m;
  }
  m.detail = PositionLine(status.reply);
  if (maxMotionMs > 0 && *m.us > static_cast<uint32_t>(maxMotionMs) * 1000u) {
    m.failure = FailureClass::Slow;
    m.detail = QStringLiteral("slower than %1 ms").arg(maxMotionMs);
  }
  return m;
}

}  // namespace kvt::qualify
