// SPDX-License-Identifier: MIT
#include "sub_commands.h"

#include "core/base/conversions.h"
#include "core/contact/chip_card_ops.h"
#include "exit_status.h"

namespace kvt::cli {

int Finish(Context& c, const Outcome& o, const std::function<void()>& printResults) {
  if (o.status == OpStatus::Done && printResults) printResults();
  Present(c.session.notifier, o);
  return ExitCodeFor(o.status);
}

QStringList CellTexts(const QByteArray& data) {
  QStringList cells;
  for (char b : data) cells << HexByte(static_cast<uint8_t>(b));
  return cells;
}

bool SubOperands::count(int min, int max) const {
  const int n = o.operands.size() - 1;
  if (n >= min && n <= max) return true;
  *error = QStringLiteral("%1 %2: wrong number of operands").arg(o.command, sub());
  return false;
}

bool SubOperands::unknown(const char* subs) const {
  *error = QStringLiteral("%1 %2: expected %3").arg(o.command, sub(), QLatin1String(subs));
  return false;
}

bool SubOperands::apdus(const QStringList& texts) const {
  for (const QString& a : texts) {
    QByteArray bytes;
    if (ConvertApduText(a, &bytes) != ApduTextError::None) {
      *error = QStringLiteral("%1 apdu %2: not an APDU of hex digit pairs (at most %3 bytes)")
                   .arg(o.command, a)
                   .arg(kMaxApduBytes);
      return false;
    }
  }
  return true;
}

int SendEach(const QStringList& apdus, const std::function<int(const QString&)>& send) {
  int rc = kExitOk;
  for (const QString& a : apdus) {
    rc = send(a);
    if (rc != kExitOk) break;
  }
  return rc;
}

}  // namespace kvt::cli
