// SPDX-License-Identifier: MIT
#include "junit_report.h"

#include <QXmlStreamWriter>

#include "core/link/negative_reply.h"
#include "safe_text.h"

namespace kvt::report {

namespace {

QString Seconds(double ms) { return QString::number(ms / 1000.0, 'f', 3); }

// Writes elements into a string with the document's indentation: each write is a plain
// append (the device of a byte array would encode every piece on its own); the text is
// encoded once at the end.
class Writer {
 public:
  explicit Writer(QString* out) : w_(out) { w_.setAutoFormatting(true); }

  void head(const JUnitTotals& t) {
    w_.writeStartDocument();
    w_.writeStartElement(QStringLiteral("testsuites"));
    attribute(QStringLiteral("name"), QStringLiteral("kvt730ctl script"));
    attribute(QStringLiteral("tests"), QString::number(t.tests));
    attribute(QStringLiteral("failures"), QString::number(t.failures));
    attribute(QStringLiteral("errors"), QString::number(t.errors));
    attribute(QStringLiteral("time"), Seconds(t.ms));
    w_.writeCharacters(QString());  // closes the start tag
  }

  // Inside an outer element, so that it takes the indentation of the document's suites.
  void suiteInside(const JUnitSuite& s, qint64 id, const QString& hostname) {
    w_.writeStartElement(QStringLiteral("testsuites"));
    suite(s, id, hostname);
  }

 private:
  void attribute(const QString& name, const QString& value) { w_.writeAttribute(name, XmlSafeText(value)); }
  void text(const QString& t) { w_.writeCharacters(XmlSafeText(t)); }

  void suite(const JUnitSuite& s, qint64 id, const QString& hostname) {
    const JUnitTotals c = TotalsOf(s);
    const QDateTime first = s.cases.empty() ? QDateTime() : s.cases.front().at;
    const QString stamp = first.isValid() ? first.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                                          : QStringLiteral("1970-01-01T00:00:00");
    w_.writeStartElement(QStringLiteral("testsuite"));
    attribute(QStringLiteral("name"), s.name);
    attribute(QStringLiteral("package"), s.package);
    attribute(QStringLiteral("id"), QString::number(id));
    attribute(QStringLiteral("tests"), QString::number(c.tests));
    attribute(QStringLiteral("failures"), QString::number(c.failures));
    attribute(QStringLiteral("errors"), QString::number(c.errors));
    attribute(QStringLiteral("skipped"), QStringLiteral("0"));
    attribute(QStringLiteral("time"), Seconds(c.ms));
    attribute(QStringLiteral("timestamp"), stamp);
    attribute(QStringLiteral("hostname"), hostname);
    w_.writeStartElement(QStringLiteral("properties"));
    property(QStringLiteral("port"), s.package);
    property(QStringLiteral("script"), s.script.isEmpty() ? s.className : s.script);
    w_.writeEndElement();
    for (const ScriptLineResult& r : s.cases) testcase(r, s.className);
    w_.writeEmptyElement(QStringLiteral("system-out"));
    w_.writeEmptyElement(QStringLiteral("system-err"));
    w_.writeEndElement();
  }
  void property(const QString& name, const QString& value) {
    w_.writeEmptyElement(QStringLiteral("property"));
    attribute(QStringLiteral("name"), name);
    attribute(QStringLiteral("value"), value);
  }

  void testcase(const ScriptLineResult& r, const QString& className) {
    w_.writeStartElement(QStringLiteral("testcase"));
    attribute(QStringLiteral("name"), CaseName(r));
    attribute(QStringLiteral("classname"), className);
    attribute(QStringLiteral("time"), Seconds(r.ms));
    const QString sent = QStringLiteral("Command: ") + SpacedHex(r.frame);
    switch (r.status) {
      case LineStatus::Positive: break;
      case LineStatus::Negative: {
        const QString code = ErrorCode(r.reply);
        w_.writeStartElement(QStringLiteral("failure"));
        attribute(QStringLiteral("message"),
                  NegativeReplyText(code).value_or(QStringLiteral("Unknown error code")));
        attribute(QStringLiteral("type"), QStringLiteral("Negative response:") + code);
        text(sent + QStringLiteral("\nReply: ") + SpacedHex(r.reply) + QLatin1Char('\n'));
        w_.writeEndElement();
        break;
      }
      case LineStatus::Unrecognised:
      case LineStatus::Failed:
      case LineStatus::Stopped: {
        QString message = r.message;
        if (message.isEmpty())
          message = r.status == LineStatus::Unrecognised ? QStringLiteral("A reply of no known kind")
                                                         : QStringLiteral("No usable reply");
        w_.writeStartElement(QStringLiteral("error"));
        attribute(QStringLiteral("message"), message);
        attribute(QStringLiteral("type"), StatusName(r.status));
        QString body = sent + QLatin1Char('\n');
        if (!r.reply.isEmpty()) body += QStringLiteral("Reply: ") + SpacedHex(r.reply) + QLatin1Char('\n');
        text(body);
        w_.writeEndElement();
        break;
      }
    }
    w_.writeEndElement();
  }

  QXmlStreamWriter w_;
};

}  // namespace

QString ScriptClassName(const QString& scriptName) {
  QString name = scriptName;
  return name.replace(QLatin1Char('.'), QLatin1Char('_'));
}

JUnitSuite ScriptSuite(const QString& port, const QString& scriptName, qint64 repetition, bool namePort) {
  JUnitSuite s;
  s.name = (namePort ? port + QLatin1Char(' ') : QString()) + scriptName + QStringLiteral(" run %1").arg(repetition);
  s.package = port;
  s.className = ScriptClassName(scriptName);
  s.script = scriptName;
  return s;
}

std::vector<JUnitSuite> SuitesByRepetition(const QString& port, const QString& scriptName,
                                           const std::vector<ScriptLineResult>& lines, bool namePort) {
  std::vector<JUnitSuite> out;
  for (const ScriptLineResult& r : lines) {
    if (out.empty() || out.back().cases.back().repetition != r.repetition)
      out.push_back(ScriptSuite(port, scriptName, r.repetition, namePort));
    out.back().cases.push_back(r);
  }
  return out;
}

QString CaseName(const ScriptLineResult& r) { return QStringLiteral("line %1: %2").arg(r.line).arg(r.text); }

void JUnitTotals::add(const JUnitTotals& t) {
  tests += t.tests;
  failures += t.failures;
  errors += t.errors;
  ms += t.ms;
}

JUnitTotals TotalsOf(const JUnitSuite& suite) {
  JUnitTotals t;
  for (const ScriptLineResult& r : suite.cases) {
    ++t.tests;
    if (r.status == LineStatus::Negative) ++t.failures;
    else if (r.status != LineStatus::Positive) ++t.errors;
    t.ms += r.ms;
  }
  return t;
}

// UTF-8, the encoding of an XML document without a declared one.
QByteArray JUnitHead(const JUnitTotals& totals) {
  QString out;
  Writer(&out).head(totals);
  return out.toUtf8();
}

QByteArray JUnitSuiteXml(const JUnitSuite& suite, qint64 id, const QString& hostname) {
  static const QString outer = QStringLiteral("<testsuites>");
  QString out;
  Writer(&out).suiteInside(suite, id, hostname);
  // Whatever the writer put in front of the outer start tag goes with it.
  return QStringView(out).mid(out.indexOf(outer) + outer.size()).toUtf8();
}

QByteArray JUnitTail() { return QByteArrayLiteral("\n</testsuites>\n"); }

QByteArray ShiftSuiteId(const QByteArray& line, qint64 offset) {
  static const QByteArray start = QByteArrayLiteral("    <testsuite ");
  static const QByteArray id = QByteArrayLiteral(" id=\"");
  if (offset == 0 || !line.startsWith(start)) return line;
  // Attribute values hold no bare quote, so the first ' id="' is the attribute.
  const qsizetype from = line.indexOf(id);
  if (from < 0) return line;
  const qsizetype digits = from + id.size();
  const qsizetype to = line.indexOf('"', digits);
  bool ok = false;
  const qint64 n = line.mid(digits, to - digits).toLongLong(&ok);
  if (to < 0 || !ok) return line;
  return line.left(digits) + QByteArray::number(n + offset) + line.mid(to);
}

QByteArray JUnitXml(const std::vector<JUnitSuite>& suites, const QString& hostname) {
  JUnitTotals totals;
  for (const JUnitSuite& s : suites) totals.add(TotalsOf(s));
  QByteArray out = JUnitHead(totals);
  for (size_t i = 0; i < suites.size(); ++i) out += JUnitSuiteXml(suites[i], static_cast<qint64>(i), hostname);
  return out + JUnitTail();
}

}  // namespace kvt::report
