#include "report/junit_report.h"

#include <QXmlStreamWriter>

#include "link/negative_reply.h"
#include "report/safe_text.h"

namespace kvt::report {

namespace {

QString Seconds(double ms) { return QString::number(ms / 1000.0, 'f', 3); }

struct Counts {
  int failures = 0;
  int errors = 0;
  double ms = 0;
};

Counts CountsOf(const std::vector<ScriptLineResult>& cases) {
  Counts c;
  for (const ScriptLineResult& r : cases) {
    if (r.status == LineStatus::Negative) ++c.failures;
    else if (r.status != LineStatus::Positive) ++c.errors;
    c.ms += r.ms;
  }
  return c;
}

class Writer {
 public:
  // Into a string: each write is a plain append (the device of a byte array would encode
  // every piece on its own); the whole text is encoded once at the end.
  explicit Writer(QString* out) : w_(out) { w_.setAutoFormatting(true); }

  void attribute(const QString& name, const QString& value) { w_.writeAttribute(name, XmlSafeText(value)); }
  void text(const QString& t) { w_.writeCharacters(XmlSafeText(t)); }

  void document(const std::vector<JUnitSuite>& suites, const QString& hostname) {
    w_.writeStartDocument();
    w_.writeStartElement(QStringLiteral("testsuites"));
    int tests = 0;
    Counts all;
    for (const JUnitSuite& s : suites) {
      const Counts c = CountsOf(s.cases);
      tests += static_cast<int>(s.cases.size());
      all.failures += c.failures;
      all.errors += c.errors;
      all.ms += c.ms;
    }
    attribute(QStringLiteral("name"), QStringLiteral("kvt730ctl script"));
    attribute(QStringLiteral("tests"), QString::number(tests));
    attribute(QStringLiteral("failures"), QString::number(all.failures));
    attribute(QStringLiteral("errors"), QString::number(all.errors));
    attribute(QStringLiteral("time"), Seconds(all.ms));
    for (size_t i = 0; i < suites.size(); ++i) suite(suites[i], static_cast<int>(i), hostname);
    w_.writeEndElement();
    w_.writeEndDocument();
  }

 private:
  void suite(const JUnitSuite& s, int id, const QString& hostname) {
    const Counts c = CountsOf(s.cases);
    const QDateTime first = s.cases.empty() ? QDateTime() : s.cases.front().at;
    const QString stamp = first.isValid() ? first.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
                                          : QStringLiteral("1970-01-01T00:00:00");
    w_.writeStartElement(QStringLiteral("testsuite"));
    attribute(QStringLiteral("name"), s.name);
    attribute(QStringLiteral("package"), s.package);
    attribute(QStringLiteral("id"), QString::number(id));
    attribute(QStringLiteral("tests"), QString::number(s.cases.size()));
    attribute(QStringLiteral("failures"), QString::number(c.failures));
    attribute(QStringLiteral("errors"), QString::number(c.errors));
    attribute(QStringLiteral("skipped"), QStringLiteral("0"));
    attribute(QStringLiteral("time"), Seconds(c.ms));
    attribute(QStringLiteral("timestamp"), stamp);
    attribute(QStringLiteral("hostname"), hostname);
    w_.writeStartElement(QStringLiteral("properties"));
    property(QStringLiteral("port"), s.package);
    property(QStringLiteral("script"), s.className);
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

std::vector<JUnitSuite> SuitesByRepetition(const QString& port, const QString& scriptName,
                                           const std::vector<ScriptLineResult>& lines, bool namePort) {
  std::vector<JUnitSuite> out;
  for (const ScriptLineResult& r : lines) {
    if (out.empty() || out.back().cases.back().repetition != r.repetition) {
      JUnitSuite s;
      s.name = (namePort ? port + QLatin1Char(' ') : QString()) + scriptName +
               QStringLiteral(" run %1").arg(r.repetition);
      s.package = port;
      s.className = scriptName;
      out.push_back(s);
    }
    out.back().cases.push_back(r);
  }
  return out;
}

QString CaseName(const ScriptLineResult& r) { return QStringLiteral("line %1: %2").arg(r.line).arg(r.text); }

QByteArray JUnitXml(const std::vector<JUnitSuite>& suites, const QString& hostname) {
  QString out;
  Writer(&out).document(suites, hostname);
  return out.toUtf8();  // UTF-8, the encoding of an XML document without a declared one
}

}  // namespace kvt::report
