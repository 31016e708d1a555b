// SPDX-License-Identifier: MIT
#pragma once
// A JUnit XML report read back with QXmlStreamReader, for the tests to look at.
#include <QFile>
#include <QMap>
#include <QXmlStreamReader>
#include <vector>

namespace ctl_test {

using Attributes = QMap<QString, QString>;

struct JUnitCase {
  Attributes attributes;
  QString outcome;  // "failure", "error" or empty for a passed case
  Attributes outcomeAttributes;
};

struct JUnitSuiteRead {
  Attributes attributes;
  std::vector<JUnitCase> cases;
};

struct JUnitRead {
  QString error;  // the reader's complaint; empty for a well-formed file
  Attributes root;
  std::vector<JUnitSuiteRead> suites;
};

inline Attributes AttributesOf(const QXmlStreamReader& x) {
  Attributes a;
  for (const QXmlStreamAttribute& at : x.attributes()) a.insert(at.name().toString(), at.value().toString());
  return a;
}

inline JUnitRead ReadJUnit(const QString& path) {
  JUnitRead r;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    r.error = f.errorString();
    return r;
  }
  QXmlStreamReader x(&f);
  while (!x.atEnd()) {
    if (x.readNext() != QXmlStreamReader::StartElement) continue;
    const QString name = x.name().toString();
    if (name == QLatin1String("testsuites")) r.root = AttributesOf(x);
    else if (name == QLatin1String("testsuite")) r.suites.push_back({AttributesOf(x), {}});
    else if (name == QLatin1String("testcase") && !r.suites.empty()) r.suites.back().cases.push_back({AttributesOf(x), {}, {}});
    else if ((name == QLatin1String("failure") || name == QLatin1String("error")) && !r.suites.empty() &&
             !r.suites.back().cases.empty()) {
      r.suites.back().cases.back().outcome = name;
      r.suites.back().cases.back().outcomeAttributes = AttributesOf(x);
    }
  }
  if (x.hasError()) r.error = x.errorString();
  return r;
}

}  // namespace ctl_test
