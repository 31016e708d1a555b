// SPDX-License-Identifier: MIT
#pragma once
// What the ATR and ATS decoders share: a walk over the answer that names each byte as it
// takes it, so that an answer cut short can say after which byte it broke, and the facts
// (an Info with `facts` and `error`) found on the way.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace kvt::insight {

template <typename Info>
class ByteWalk {
 protected:
  explicit ByteWalk(const QByteArray& bytes) : bytes_(bytes) {}

  uint8_t take(const QString& name) {
    last_ = name;
    return static_cast<uint8_t>(bytes_.at(pos_++));
  }
  void add(const QString& name, const QString& value) { info_.facts.push_back({name, value}); }
  // The decoding ends here: the text as the error and as a last "Error" fact.
  Info fail(const QString& text) {
    info_.error = text;
    add(QStringLiteral("Error"), text);
    return info_;
  }

  const QByteArray& bytes_;
  int pos_ = 0;
  QString last_;  // the name of the byte taken last
  Info info_;
};

}  // namespace kvt::insight
