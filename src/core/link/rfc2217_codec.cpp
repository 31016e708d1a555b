// SPDX-License-Identifier: MIT
#include "rfc2217_codec.h"

namespace kvt::rfc2217 {

using namespace telnet;

bool Codec::weOffer(uint8_t option) { return option == kBinary || option == kComPort; }

bool Codec::weAccept(uint8_t option) { return option == kBinary; }

void Codec::reply(uint8_t verb, uint8_t option) {
  replies_.append(static_cast<char>(kIac));
  replies_.append(static_cast<char>(verb));
  replies_.append(static_cast<char>(option));
}

QByteArray Codec::start() {
  const qsizetype before = replies_.size();
  if (us_[kComPort] == OptionState::No) {
    us_[kComPort] = OptionState::WantYes;
    reply(kWill, kComPort);
  }
  if (us_[kBinary] == OptionState::No) {
    us_[kBinary] = OptionState::WantYes;
    reply(kWill, kBinary);
  }
  if (him_[kBinary] == OptionState::No) {
    him_[kBinary] = OptionState::WantYes;
    reply(kDo, kBinary);
  }
  const QByteArray out = replies_.mid(before);
  replies_.truncate(before);
  return out;
}

// RFC 1143's states without the queue: we never change our mind while a request is open.
void Codec::verb(uint8_t v, uint8_t option) {
  switch (v) {
    case kWill: optionAsked(him_[option], weAccept(option), kDo, kDont, option); break;  // the server's side
    case kWont: optionRefused(him_[option], kDont, option); break;
    case kDo: optionAsked(us_[option], weOffer(option), kWill, kWont, option); break;  // our side
    case kDont: optionRefused(us_[option], kWont, option); break;
    default: break;
  }
}

void Codec::optionAsked(OptionState& s, bool agreeable, uint8_t agree, uint8_t refuse, uint8_t option) {
  if (s == OptionState::No) {
    if (agreeable) {
      s = OptionState::Yes;
      reply(agree, option);
    } else {
      reply(refuse, option);
    }
  } else if (s == OptionState::WantYes) {
    s = OptionState::Yes;
  } else if (s == OptionState::WantNo) {
    s = OptionState::No;  // our refusal crossed its request; it will answer the refusal too
  }
}

void Codec::optionRefused(OptionState& s, uint8_t refuse, uint8_t option) {
  if (s == OptionState::Yes) reply(refuse, option);
  s = OptionState::No;
}

void Codec::subnegotiationEnded() {
  // sub_ holds the option, then its parameters.
  if (sub_.size() >= 2 && static_cast<uint8_t>(sub_[0]) == kComPort) {
    const auto code = static_cast<uint8_t>(sub_[1]);
    if (code >= kServerOffset && code <= kServerOffset + static_cast<uint8_t>(Command::PurgeData))
      answers_.push_back(Answer{static_cast<Command>(code - kServerOffset), sub_.mid(2), data_.size()});
  }
  sub_.clear();
}

void Codec::feed(const char* bytes, qsizetype n) {
  for (qsizetype i = 0; i < n; ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    switch (state_) {
      case State::Data:
        if (b == kIac) state_ = State::Iac;
        else data_.append(static_cast<char>(b));
        break;
      case State::Iac:
        if (b == kIac) {
          data_.append(static_cast<char>(b));
          state_ = State::Data;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::Verb;
        } else if (b == kSb) {
          sub_.clear();
          state_ = State::Sub;
        } else {
          state_ = State::Data;  // NOP, GA, a stray SE and the other commands carry nothing for us
        }
        break;
      case State::Verb:
        verb(verb_, b);
        state_ = State::Data;
        break;
      case State::Sub:
        if (b == kIac) state_ = State::SubIac;
        else if (sub_.size() < kMaxSubnegotiation) sub_.append(static_cast<char>(b));
        break;
      case State::SubIac:
        if (b == kIac) {
          if (sub_.size() < kMaxSubnegotiation) sub_.append(static_cast<char>(b));
          state_ = State::Sub;
        } else if (b == kSe) {
          subnegotiationEnded();
          state_ = State::Data;
        } else {
          // IAC and a command inside a subnegotiation: the server broke it off. Drop it and
          // take the byte as the command it is.
          sub_.clear();
          state_ = State::Iac;
          --i;
        }
        break;
    }
  }
}

QByteArray Codec::takeData() {
  QByteArray out;
  out.swap(data_);
  return out;
}

QByteArray Codec::takeReplies() {
  QByteArray out;
  out.swap(replies_);
  return out;
}

std::vector<Answer> Codec::takeAnswers() {
  std::vector<Answer> out;
  out.swap(answers_);
  return out;
}

QByteArray Codec::escape(const QByteArray& data) {
  QByteArray out;
  out.reserve(data.size() + data.count(static_cast<char>(kIac)));
  for (const char c : data) {
    out.append(c);
    if (static_cast<uint8_t>(c) == kIac) out.append(c);
  }
  return out;
}

QByteArray Codec::command(Command c, const QByteArray& value) {
  QByteArray out;
  out.append(static_cast<char>(kIac));
  out.append(static_cast<char>(kSb));
  out.append(static_cast<char>(kComPort));
  out.append(static_cast<char>(c));
  out.append(escape(value));
  out.append(static_cast<char>(kIac));
  out.append(static_cast<char>(kSe));
  return out;
}

QByteArray Codec::setBaudRate(quint32 baud) {
  QByteArray v(4, '\0');
  for (int i = 0; i < 4; ++i) v[i] = static_cast<char>((baud >> (24 - 8 * i)) & 0xFF);
  return command(Command::SetBaudRate, v);
}

QByteArray Codec::setDataSize(uint8_t bits) { return command(Command::SetDataSize, QByteArray(1, static_cast<char>(bits))); }

QByteArray Codec::setParity(uint8_t parity) { return command(Command::SetParity, QByteArray(1, static_cast<char>(parity))); }

QByteArray Codec::setStopSize(uint8_t stop) { return command(Command::SetStopSize, QByteArray(1, static_cast<char>(stop))); }

QByteArray Codec::setControl(uint8_t control) {
  return command(Command::SetControl, QByteArray(1, static_cast<char>(control)));
}

QByteArray Codec::setLine(const LineSettings& line) {
  return setDataSize(line.dataBits) + setParity(line.parity) + setStopSize(line.stopBits) + setBaudRate(line.baud);
}

QString LineSettings::text() const {
  static const char kParityLetters[] = "?NOEMS";
  const char letter = parity <= kParitySpace ? kParityLetters[parity] : '?';
  const QString stop = stopBits == kStopBitsOneAndHalf ? QStringLiteral("1.5") : QString::number(stopBits);
  return QStringLiteral("%1 %2%3%4").arg(baud).arg(dataBits).arg(QLatin1Char(letter)).arg(stop);
}

QByteArray Codec::purgeData(uint8_t which) { return command(Command::PurgeData, QByteArray(1, static_cast<char>(which))); }

}  // namespace kvt::rfc2217
