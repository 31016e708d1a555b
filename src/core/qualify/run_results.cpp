// SPDX-License-Identifier: MIT
#include "run_results.h"

namespace kvt::qualify {

bool QualifyResult::passed() const {
  if (end != RunEnd::Finished) return false;
  for (const CheckResult& c : checks)
    if (c.verdict == Verdict::Fail) return false;
  return true;
}

QString VerdictWord(Verdict v) {
  switch (v) {
    case Verdict::Pass: return QStringLiteral("PASS");
    case Verdict::Fail: return QStringLiteral("FAIL");
    case Verdict::Skip: return QStringLiteral("SKIP");
  }
  return QString();
}

QString VariantName(Variant v) { return v == Variant::B ? QStringLiteral("B") : QStringLiteral("M"); }

}  // namespace kvt::qualify
