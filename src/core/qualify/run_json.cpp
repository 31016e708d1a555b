// SPDX-License-Identifier: MIT
#include "run_json.h"

#include <QJsonArray>
#include <cmath>

namespace kvt::qualify {

namespace {

QString VerdictOf(bool passed) { return passed ? QStringLiteral("pass") : QStringLiteral("fail"); }

QJsonObject UnitJson(const UnitFacts& u) {
  return {{QStringLiteral("serial"), u.serial},
          {QStringLiteral("firmware"), u.firmware},
          {QStringLiteral("variant"), VariantName(u.variant)},
          {QStringLiteral("port"), u.port}};
}

}  // namespace

double RoundMs(double ms) { return std::round(ms * 1000) / 1000; }

QJsonObject QualifyJson(const QualifyResult& r) {
  QJsonArray checks;
  for (const CheckResult& c : r.checks)
    checks.append(QJsonObject{{QStringLiteral("name"), c.name},
                              {QStringLiteral("verdict"), VerdictWord(c.verdict).toLower()},
                              {QStringLiteral("ms"), RoundMs(c.ms)},
                              {QStringLiteral("detail"), c.detail}});
  return {{QStringLiteral("verdict"), VerdictOf(r.passed())},
          {QStringLiteral("unit"), UnitJson(r.unit)},
          {QStringLiteral("checks"), checks}};
}

QJsonObject WearJson(const WearResult& r) {
  QJsonObject motions;
  for (const MotionStats& m : r.motions) {
    const MotionSummary s = m.summary();
    QJsonObject failures;
    for (FailureClass c : ReportedClasses())
      failures.insert(FailureClassName(c), static_cast<double>(s.failuresOf(c)));
    motions.insert(m.name(), QJsonObject{{QStringLiteral("count"), static_cast<double>(s.count)},
                                         {QStringLiteral("failures"), failures},
                                         {QStringLiteral("min_ms"), RoundMs(s.minMs)},
                                         {QStringLiteral("median_ms"), RoundMs(s.medianMs)},
                                         {QStringLiteral("p95_ms"), RoundMs(s.p95Ms)},
                                         {QStringLiteral("max_ms"), RoundMs(s.maxMs)}});
  }
  return {{QStringLiteral("verdict"), VerdictOf(r.passed())},
          {QStringLiteral("cycles"), static_cast<double>(r.cycles)},
          {QStringLiteral("unit"), UnitJson(r.unit)},
          {QStringLiteral("motions"), motions}};
}

}  // namespace kvt::qualify
