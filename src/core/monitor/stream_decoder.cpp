// SPDX-License-Identifier: MIT
#include "stream_decoder.h"

#include "command_names.h"
#include "core/base/conversions.h"
#include "core/link/frame.h"
#include "reply_meaning.h"

namespace kvt::monitor {

namespace {

constexpr uint8_t kEnq = 0x05;

int Index(Side s) { return s == Side::App ? 0 : 1; }
Side Other(Side s) { return s == Side::App ? Side::Reader : Side::App; }

// A frame whose bytes all came, as its length field counts them.
bool WholeFrame(const QByteArray& b) {
  return b.size() >= 6 && b.size() == ((static_cast<uint8_t>(b[2]) << 8) | static_cast<uint8_t>(b[3])) + 6;
}

QString ByteCount(int n) { return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n); }

LineUnit Bare(Side from, UnitKind kind, const QByteArray& bytes, qint64 t) {
  LineUnit u;
  u.timeUs = t;
  u.from = from;
  u.kind = kind;
  u.bytes = bytes;
  return u;
}

}  // namespace

void StreamDecoder::feed(Side from, const QByteArray& bytes, qint64 timeUs, std::vector<LineUnit>& out) {
  tick(timeUs, out);
  if (bytes.isEmpty()) return;
  // The line is half duplex: once one side speaks, what the other left unfinished is over.
  finishPending(Other(from), out);
  for (const char c : bytes) byte(from, static_cast<uint8_t>(c), timeUs, out);
}

void StreamDecoder::byte(Side from, uint8_t b, qint64 t, std::vector<LineUnit>& out) {
  Stream& s = streams_[Index(from)];
  if (s.inFrame) {
    s.pending.append(static_cast<char>(b));
    s.lastUs = t;
    if (s.pending.size() == 4) {
      const int len = (static_cast<uint8_t>(s.pending[2]) << 8) | static_cast<uint8_t>(s.pending[3]);
      if (len < 3 || len > kMaxText) {
        LineUnit u = Bare(from, UnitKind::BadFrame, s.pending, t);
        u.address = static_cast<uint8_t>(s.pending[1]);
        u.checkOk = false;
        u.problem = len < 3 ? QStringLiteral("the length field says %1 text bytes: too few for a frame").arg(len)
                            : QStringLiteral("the length field says %1 text bytes: longer than any frame").arg(len);
        s = Stream{};
        exchangeSees(u);
        out.push_back(std::move(u));
        return;
      }
      s.need = 4 + len + 2;
    } else if (s.need > 0 && s.pending.size() == s.need) {
      frameComplete(from, out);
    }
    return;
  }
  if (b == STX || b == ACK || b == NAK || b == EOT || b == kEnq) {
    finishPending(from, out);
    if (b == STX) {
      s.inFrame = true;
      s.pending = QByteArray(1, static_cast<char>(b));
      s.lastUs = t;
      // The reply is on its way: the reply wait is over, the rest is the frame's own.
      if (from == Side::Reader) wait_ = Wait::None;
      return;
    }
    control(from, b, t, out);
    return;
  }
  s.pending.append(static_cast<char>(b));
  s.lastUs = t;
  if (s.pending.size() >= kMaxNoise) finishPending(from, out);
}

void StreamDecoder::control(Side from, uint8_t b, qint64 t, std::vector<LineUnit>& out) {
  UnitKind kind = UnitKind::Ack;
  QString name = QStringLiteral("ACK");
  if (b == NAK) kind = UnitKind::Nak, name = QStringLiteral("NAK");
  if (b == EOT) kind = UnitKind::Eot, name = QStringLiteral("EOT");
  if (b == kEnq) kind = UnitKind::Enq, name = QStringLiteral("ENQ");
  LineUnit u = Bare(from, kind, QByteArray(1, static_cast<char>(b)), t);
  u.name = name;
  exchangeSees(u);
  out.push_back(std::move(u));
}

void StreamDecoder::finishPending(Side from, std::vector<LineUnit>& out) {
  Stream& s = streams_[Index(from)];
  if (s.pending.isEmpty()) return;
  LineUnit u = Bare(from, s.inFrame ? UnitKind::BadFrame : UnitKind::Noise, s.pending, s.lastUs);
  if (s.inFrame) {
    u.checkOk = false;
    if (s.pending.size() > 1) u.address = static_cast<uint8_t>(s.pending[1]);
    u.problem = s.need > 0 ? QStringLiteral("cut short: %1 of %2 bytes came").arg(s.pending.size()).arg(s.need)
                           : QStringLiteral("cut short: %1 of a frame header").arg(ByteCount(s.pending.size()));
  } else {
    u.problem = QStringLiteral("%1 outside any frame").arg(ByteCount(s.pending.size()));
  }
  s = Stream{};
  exchangeSees(u);
  out.push_back(std::move(u));
}

void StreamDecoder::frameComplete(Side from, std::vector<LineUnit>& out) {
  Stream& s = streams_[Index(from)];
  LineUnit u = frameUnit(from, s.pending, s.lastUs);
  s = Stream{};
  exchangeSees(u);
  out.push_back(std::move(u));
}

LineUnit StreamDecoder::frameUnit(Side from, const QByteArray& frame, qint64 t) const {
  LineUnit u = Bare(from, UnitKind::BadFrame, frame, t);
  const int len = frame.size() - 6;
  const QByteArray text = frame.mid(4, len);
  const auto expected = CalcBCC(frame);
  const auto got = static_cast<uint8_t>(frame.back());
  u.address = static_cast<uint8_t>(frame[1]);
  u.checkOk = expected == got;
  u.hasCodes = true;
  u.cm = static_cast<uint8_t>(text[1]);
  u.pm = static_cast<uint8_t>(text[2]);
  const char kind = text[0];
  if (kind == 'C') {
    u.kind = UnitKind::Command;
    u.data = text.mid(3);
    u.name = CommandName(u.cm, u.pm, u.data);
  } else if (kind == 'P' || kind == 'N') {
    u.kind = UnitKind::Reply;
    u.reply = kind;
    const bool answersLast = haveCommand_ && commandCm_ == u.cm && commandPm_ == u.pm;
    u.name = CommandName(u.cm, u.pm, answersLast ? commandData_ : QByteArray());
    ReplyBuffer r;
    r.bytes = frame.mid(4);
    r.len = static_cast<int>(r.bytes.size());
    if (kind == 'P') u.data = r.data();
    u.meaning = ReplyMeaning(r);
  } else {
    u.hasCodes = false;
    u.problem = QStringLiteral("the text starts with %1: neither a command (43) nor a reply (50, 4E)")
                    .arg(HexByte(static_cast<uint8_t>(kind)));
  }
  if (static_cast<uint8_t>(frame[frame.size() - 2]) != ETX) {
    u.kind = UnitKind::BadFrame;
    u.problem = QStringLiteral("no end byte 03 where the length field says the frame ends");
  } else if (!u.checkOk) {
    u.kind = UnitKind::BadFrame;
    u.problem = QStringLiteral("wrong check byte %1, expected %2").arg(HexByte(got), HexByte(expected));
  }
  return u;
}

void StreamDecoder::exchangeSees(const LineUnit& u) {
  if (u.from == Side::App) {
    // A whole frame, good or bad, waits for its answer; one cut short was never sent whole.
    if (u.kind == UnitKind::Command || (u.kind == UnitKind::BadFrame && WholeFrame(u.bytes))) {
      wait_ = Wait::Ack;
      ackCame_ = false;
      deadline_ = u.timeUs + waits_.ackUs;
      haveCommand_ = u.kind == UnitKind::Command;
      commandCm_ = u.cm;
      commandPm_ = u.pm;
      commandData_ = u.data;
    } else if (u.kind == UnitKind::Eot) {
      wait_ = Wait::None;
    }
    return;
  }
  if (u.kind == UnitKind::Ack && wait_ == Wait::Ack) {
    wait_ = Wait::Reply;
    ackCame_ = true;
    deadline_ = u.timeUs + waits_.replyUs;
  } else if (u.kind == UnitKind::Nak || u.kind == UnitKind::Reply || u.kind == UnitKind::BadFrame) {
    wait_ = Wait::None;
  }
}

void StreamDecoder::tick(qint64 nowUs, std::vector<LineUnit>& out) {
  while (wait_ != Wait::None && nowUs >= deadline_) {
    LineUnit u = Bare(Side::Reader, UnitKind::Timeout, {}, deadline_);
    if (wait_ == Wait::Ack) {
      u.meaning = QStringLiteral("no acknowledgement within %1 s of the command").arg(waits_.ackUs / 1e6);
      // Without its ACK the exchange goes on waiting for the reply, as the engine does.
      wait_ = Wait::Reply;
      deadline_ += waits_.replyUs;
    } else {
      u.meaning = ackCame_ ? QStringLiteral("no reply within %1 s of the acknowledgement").arg(waits_.replyUs / 1e6)
                           : QStringLiteral("no reply within %1 s after the acknowledgement wait").arg(waits_.replyUs / 1e6);
      wait_ = Wait::None;
    }
    out.push_back(std::move(u));
  }
  for (const Side side : {Side::App, Side::Reader}) {
    const Stream& s = streams_[Index(side)];
    if (s.pending.isEmpty()) continue;
    const qint64 quiet = s.inFrame ? waits_.remainderUs : waits_.noiseQuietUs;
    if (nowUs - s.lastUs >= quiet) finishPending(side, out);
  }
}

qint64 StreamDecoder::nextDeadlineUs() const {
  qint64 next = wait_ == Wait::None ? std::numeric_limits<qint64>::max() : deadline_;
  for (const Stream& s : streams_) {
    if (s.pending.isEmpty()) continue;
    next = std::min(next, s.lastUs + (s.inFrame ? waits_.remainderUs : waits_.noiseQuietUs));
  }
  return next;
}

void StreamDecoder::flush(std::vector<LineUnit>& out) {
  finishPending(Side::App, out);
  finishPending(Side::Reader, out);
  wait_ = Wait::None;
}

}  // namespace kvt::monitor
