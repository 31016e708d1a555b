// SPDX-License-Identifier: MIT
#pragma once
// A qualification as JUnit XML: one testsuite per unit, one testcase per check, a failure
// for a failed check and a skipped element (with its reason) for a skipped one.
#include <QByteArray>

#include "core/qualify/run_results.h"

namespace kvt::report {

QByteArray QualifyJUnit(const qualify::QualifyResult& r, const QString& hostname);

}  // namespace kvt::report
