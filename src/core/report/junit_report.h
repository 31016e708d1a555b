// SPDX-License-Identifier: MIT
#pragma once
// Script runs as a JUnit XML report, the format CI servers (Jenkins, GitLab) read: one
// testsuite per run over the script, one testcase per line sent, a failure for a negative
// reply and an error for an exchange that got no usable reply.
#include <QByteArray>
#include <QString>
#include <vector>

#include "script_results.h"

namespace kvt::report {

struct JUnitSuite {
  QString name;       // "card.txt run 1", with several ports "COM3 card.txt run 1"
  QString package;    // the port the run went to
  QString className;  // the class of every case: "card_txt" for the script card.txt
  QString script;     // the "script" property: the script file's name (className when empty)
  std::vector<ScriptLineResult> cases;
};

// The class name of a script's cases: the file's name with its dots as underscores
// ("s1.txt" -> "s1_txt"), as CI servers split a class name at its dots into a package.
QString ScriptClassName(const QString& scriptName);

// One suite per repetition of one port's lines, in the order they ran.
std::vector<JUnitSuite> SuitesByRepetition(const QString& port, const QString& scriptName,
                                           const std::vector<ScriptLineResult>& lines, bool namePort);

// The suite a line of a script run starts (its name, package, class and script set, no
// cases yet): what SuitesByRepetition makes for each repetition.
JUnitSuite ScriptSuite(const QString& port, const QString& scriptName, qint64 repetition, bool namePort);

// The case's name: "line 3: C10".
QString CaseName(const ScriptLineResult& r);

// The whole document, UTF-8: <testsuites> holding every suite with its tests, failures,
// errors and time (seconds); `hostname` goes on each suite.
QByteArray JUnitXml(const std::vector<JUnitSuite>& suites, const QString& hostname);

// The same document in pieces, for runs too long to hold: each suite written on its own as
// it ends, then the head (whose figures are the suites' sums) in front of them and the
// tail after. JUnitHead(totals) + JUnitSuiteXml(...) for ids 0, 1, ... + JUnitTail() is
// the document JUnitXml writes.
struct JUnitTotals {
  qint64 tests = 0;
  qint64 failures = 0;
  qint64 errors = 0;
  double ms = 0;
  void add(const JUnitTotals& t);
};
JUnitTotals TotalsOf(const JUnitSuite& suite);
QByteArray JUnitHead(const JUnitTotals& totals);
QByteArray JUnitSuiteXml(const JUnitSuite& suite, qint64 id, const QString& hostname);
QByteArray JUnitTail();

// A line of JUnitSuiteXml's text that starts a suite ("    <testsuite ...") with its id
// raised by `offset`: suites written apart (one port's runs each) numbered in the order
// they are put together. Any other line comes back as it is.
QByteArray ShiftSuiteId(const QByteArray& line, qint64 offset);

}  // namespace kvt::report
