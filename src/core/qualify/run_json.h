// SPDX-License-Identifier: MIT
#pragma once
// The results as the keys of kvt730ctl's JSON object (beside command, port, log...).
#include <QJsonObject>

#include "run_results.h"

namespace kvt::qualify {

// verdict ("pass"/"fail"), unit (serial, firmware, variant, port), checks (name, verdict
// "pass"/"fail"/"skip", ms, detail).
QJsonObject QualifyJson(const QualifyResult& r);

// verdict, cycles (completed), unit, motions: per move name count, failures (negative, exchange, position,
// slow), min_ms, median_ms, p95_ms, max_ms.
QJsonObject WearJson(const WearResult& r);

// Milliseconds rounded to the microsecond, as every report shows them.
double RoundMs(double ms);

}  // namespace kvt::qualify
