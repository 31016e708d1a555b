// SPDX-License-Identifier: MIT
#include "script_results.h"

namespace kvt::report {

QString StatusName(LineStatus s) {
  switch (s) {
    case LineStatus::Positive: return QStringLiteral("positive");
    case LineStatus::Negative: return QStringLiteral("negative");
    case LineStatus::Unrecognised: return QStringLiteral("unrecognised");
    case LineStatus::Failed: return QStringLiteral("failed");
    case LineStatus::Stopped: return QStringLiteral("stopped");
  }
  return QStringLiteral("failed");
}

uint8_t CommandCode(const QByteArray& frame) { return frame.size() > 5 ? static_cast<uint8_t>(frame[5]) : 0; }

uint8_t ParameterCode(const QByteArray& frame) { return frame.size() > 6 ? static_cast<uint8_t>(frame[6]) : 0; }

QString ErrorCode(const QByteArray& reply) {
  return reply.size() >= 5 ? QString::fromLatin1(reply.mid(3, 2)) : QString();
}

QString SpacedHex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

}  // namespace kvt::report
