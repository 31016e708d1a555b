// SPDX-License-Identifier: MIT
#include "check_junit.h"

#include <QXmlStreamWriter>

#include "run_reports.h"
#include "safe_text.h"

namespace kvt::report {

using namespace kvt::qualify;

QByteArray QualifyJUnit(const QualifyResult& r, const QString& hostname) {
  int failures = 0, skipped = 0;
  double ms = 0;
  for (const CheckResult& c : r.checks) {
    failures += c.verdict == Verdict::Fail;
    skipped += c.verdict == Verdict::Skip;
    ms += c.ms;
  }
  const auto seconds = [](double v) { return QString::number(v / 1000.0, 'f', 3); };
  QString out;
  QXmlStreamWriter w(&out);
  w.setAutoFormatting(true);
  const auto attr = [&w](const QString& name, const QString& value) { w.writeAttribute(name, XmlSafeText(value)); };
  const QString suite = QStringLiteral("qualify ") + (r.unit.serial.isEmpty() ? r.unit.port : r.unit.serial);
  w.writeStartDocument();
  w.writeStartElement(QStringLiteral("testsuites"));
  attr(QStringLiteral("name"), QStringLiteral("kvt730ctl qualify"));
  attr(QStringLiteral("tests"), QString::number(r.checks.size()));
  attr(QStringLiteral("failures"), QString::number(failures));
  attr(QStringLiteral("errors"), QStringLiteral("0"));
  attr(QStringLiteral("time"), seconds(ms));
  w.writeStartElement(QStringLiteral("testsuite"));
  attr(QStringLiteral("name"), suite);
  attr(QStringLiteral("package"), r.unit.port);
  attr(QStringLiteral("tests"), QString::number(r.checks.size()));
  attr(QStringLiteral("failures"), QString::number(failures));
  attr(QStringLiteral("errors"), QStringLiteral("0"));
  attr(QStringLiteral("skipped"), QString::number(skipped));
  attr(QStringLiteral("time"), seconds(ms));
  attr(QStringLiteral("timestamp"), r.started.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
  attr(QStringLiteral("hostname"), hostname);
  w.writeStartElement(QStringLiteral("properties"));
  const QList<QPair<QString, QString>> props = {{QStringLiteral("model"), ModelName(r.unit.variant)},
                                                {QStringLiteral("serial"), r.unit.serial},
                                                {QStringLiteral("firmware"), r.unit.firmware},
                                                {QStringLiteral("port"), r.unit.port}};
  for (const auto& [name, value] : props) {
    w.writeEmptyElement(QStringLiteral("property"));
    attr(QStringLiteral("name"), name);
    attr(QStringLiteral("value"), value);
  }
  w.writeEndElement();
  for (const CheckResult& c : r.checks) {
    w.writeStartElement(QStringLiteral("testcase"));
    attr(QStringLiteral("name"), c.name);
    attr(QStringLiteral("classname"), QStringLiteral("qualify"));
    attr(QStringLiteral("time"), seconds(c.ms));
    if (c.verdict != Verdict::Pass) {
      w.writeStartElement(c.verdict == Verdict::Fail ? QStringLiteral("failure") : QStringLiteral("skipped"));
      attr(QStringLiteral("message"), c.detail);
      w.writeEndElement();
    }
    w.writeEndElement();
  }
  w.writeEndElement();
  w.writeEndElement();
  w.writeEndDocument();
  return out.toUtf8();
}

}  // namespace kvt::report
