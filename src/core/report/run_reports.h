// SPDX-License-Identifier: MIT
#pragma once
// The HTML reports of a qualification and of a wear run: one file to keep with the unit,
// opened anywhere with nothing beside it.
#include <QByteArray>
#include <QDateTime>

#include "core/qualify/run_results.h"

namespace kvt::report {

// The model the chooser names for a variant: "KVT-730-MA1" (B) or "KVT-730-MB1" (M).
QString ModelName(Variant v);

// Model and variant, serial number, firmware, configuration, date, tool version, the verdict
// large at the top, the checks with their times, the communication log folded.
QByteArray QualifyReport(const qualify::QualifyResult& r, const QString& toolVersion);

// The summary per motion, the trend and the histogram of each, the failures.
QByteArray WearReport(const qualify::WearResult& r, const QString& toolVersion);

// "kvt730-SERIAL-DATE.html" (wear: "kvt730-SERIAL-DATE-wear.html"); characters a file name
// should not hold become "_", an unread serial "unknown".
QString DefaultReportName(const QString& serial, const QDateTime& when, bool wear);

}  // namespace kvt::report
