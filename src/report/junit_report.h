#pragma once
// Script runs as a JUnit XML report, the format CI servers (Jenkins, GitLab) read: one
// testsuite per run over the script, one testcase per line sent, a failure for a negative
// reply and an error for an exchange that got no usable reply.
#include <QByteArray>
#include <QString>
#include <vector>

#include "report/script_results.h"

namespace kvt::report {

struct JUnitSuite {
  QString name;       // "card.txt run 1", with several ports "COM3 card.txt run 1"
  QString package;    // the port the run went to
  QString className;  // the script file's name, the class of every case
  std::vector<ScriptLineResult> cases;
};

// One suite per repetition of one port's lines, in the order they ran.
std::vector<JUnitSuite> SuitesByRepetition(const QString& port, const QString& scriptName,
                                           const std::vector<ScriptLineResult>& lines, bool namePort);

// The case's name: "line 3: C10".
QString CaseName(const ScriptLineResult& r);

// The whole document, UTF-8: <testsuites> holding every suite with its tests, failures,
// errors and time (seconds); `hostname` goes on each suite.
QByteArray JUnitXml(const std::vector<JUnitSuite>& suites, const QString& hostname);

}  // namespace kvt::report
