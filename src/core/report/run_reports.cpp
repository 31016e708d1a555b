// SPDX-License-Identifier: MIT
#include "run_reports.h"

#include <QList>
#include <QPair>

#include "core/machine/unit_ops.h"
#include "html_page.h"
#include "svg_chart.h"

namespace kvt::report {

using namespace kvt::qualify;

namespace {

using Facts = QList<QPair<QString, QString>>;

QString Unread(const QString& v) { return v.isEmpty() ? QStringLiteral("(not read)") : v; }

QString When(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

Facts UnitRows(const UnitFacts& u, const QDateTime& started, const QString& toolVersion) {
  return {{QStringLiteral("Model"), ModelName(u.variant) + QStringLiteral(" (variant ") + VariantName(u.variant) +
                                        QLatin1Char(')')},
          {QStringLiteral("Serial number"), Unread(u.serial)},
          {QStringLiteral("Port"), u.port},
          {QStringLiteral("Date"), When(started)},
          {QStringLiteral("Tool version"), QStringLiteral("kvt730 ") + toolVersion}};
}

QString EndNote(RunEnd end) {
  switch (end) {
    case RunEnd::Finished: return QString();
    case RunEnd::PortClosed: return QStringLiteral("The port was not open: nothing was sent.");
    case RunEnd::LinkFailed: return QStringLiteral("The reader stopped answering.");
    case RunEnd::Stopped: return QStringLiteral("Stopped before the end: this report is partial.");
    case RunEnd::StoppedAtFailure: return QStringLiteral("Ended at the first failure.");
  }
  return QString();
}

QString Heading(const QString& title, const UnitFacts& u) {
  return QStringLiteral("<h1>") + Html(title) + QStringLiteral(" &mdash; ") + Html(ModelName(u.variant)) +
         QLatin1Char(' ') + Html(Unread(u.serial)) + QStringLiteral("</h1>\n");
}

QString Cell(const QString& text, const QString& cls = {}) {
  return (cls.isEmpty() ? QStringLiteral("<td>") : QStringLiteral("<td class=\"%1\">").arg(cls)) + Html(text) +
         QStringLiteral("</td>");
}

}  // namespace

QString ModelName(Variant v) { return v == Variant::B ? QStringLiteral("KVT-730-MA1") : QStringLiteral("KVT-730-MB1"); }

QByteArray QualifyReport(const QualifyResult& r, const QString& toolVersion) {
  const QString title = QStringLiteral("Qualification");
  QString body = Heading(title, r.unit) + VerdictBanner(r.passed(), EndNote(r.end));
  Facts facts = UnitRows(r.unit, r.started, toolVersion);
  facts.insert(2, {QStringLiteral("Firmware"), Unread(r.unit.firmware)});
  facts.append({QStringLiteral("Capture counter"), Unread(r.unit.counter)});
  body += FactTable(facts);
  if (!r.unit.configuration.isEmpty()) {
    body += QStringLiteral("<h2>Configuration</h2>\n");
    Facts rows;
    for (int i = 0; i < r.unit.configuration.size() && i < 8; ++i)
      rows.append({QString::fromLatin1(kConfigRows[i].caption), r.unit.configuration[i]});
    body += FactTable(rows);
  }
  body += QStringLiteral("<h2>Checks</h2>\n<table class=\"checks\">\n<tr><th>Verdict</th><th>Check</th>"
                         "<th class=\"num\">ms</th><th>Detail</th></tr>\n");
  for (const CheckResult& c : r.checks) {
    const QString word = VerdictWord(c.verdict);
    body += QStringLiteral("<tr>") + Cell(word, word) + Cell(c.name, QStringLiteral("name")) +
            Cell(MsText(c.ms), QStringLiteral("num")) +
            Cell(c.detail) + QStringLiteral("</tr>\n");
  }
  body += QStringLiteral("</table>\n<h2>Communication log</h2>\n<details><summary>The exchanges of the run "
                         "(%1 lines)</summary>\n<pre>")
              .arg(r.log.count(QLatin1Char('\n'))) +
          Html(QString(r.log).remove(QLatin1Char('\r'))) + QStringLiteral("</pre>\n</details>\n");
  body += QStringLiteral("<footer>Written by kvt730 %1 on %2.</footer>\n").arg(Html(toolVersion), When(r.started));
  return HtmlPage(title + QStringLiteral(" ") + Unread(r.unit.serial), body);
}

QByteArray WearReport(const WearResult& r, const QString& toolVersion) {
  const QString title = QStringLiteral("Wear test");
  QString note = EndNote(r.end);
  if (r.failureCount)
    note = (note + QStringLiteral(" %1 failed motion(s).").arg(r.failureCount)).trimmed();
  QString body = Heading(title, r.unit) + VerdictBanner(r.passed(), note);
  Facts facts = UnitRows(r.unit, r.started, toolVersion);
  facts.append({QStringLiteral("Cycles"), r.cyclesPlanned ? QStringLiteral("%1 of %2").arg(r.cycles).arg(r.cyclesPlanned)
                                                          : QString::number(r.cycles)});
  facts.append({QStringLiteral("Slowest motion allowed"), QStringLiteral("%1 ms").arg(r.maxMotionMs)});
  body += FactTable(facts);

  body += QStringLiteral("<h2>Summary</h2>\n<table class=\"summary\">\n<tr><th>Motion</th><th class=\"num\">count</th>");
  for (FailureClass c : ReportedClasses()) body += QStringLiteral("<th class=\"num\">%1</th>").arg(FailureClassName(c));
  body += QStringLiteral("<th class=\"num\">min ms</th><th class=\"num\">median ms</th><th class=\"num\">p95 ms</th>"
                         "<th class=\"num\">max ms</th></tr>\n");
  for (const MotionStats& m : r.motions) {
    const MotionSummary s = m.summary();
    body += QStringLiteral("<tr>") + Cell(m.name()) + Cell(QString::number(s.count), QStringLiteral("num"));
    for (FailureClass c : ReportedClasses()) body += Cell(QString::number(s.failuresOf(c)), QStringLiteral("num"));
    for (double v : {s.minMs, s.medianMs, s.p95Ms, s.maxMs}) body += Cell(MsText(v), QStringLiteral("num"));
    body += QStringLiteral("</tr>\n");
  }
  body += QStringLiteral("</table>\n");

  for (const MotionStats& m : r.motions) {
    body += QStringLiteral("<h2>Motion %1</h2>\n").arg(Html(m.name()));
    body += QStringLiteral("<figure>\n") +
            TrendSvg(m.trend(), r.cyclesBegun, QStringLiteral("Motion time per cycle, move %1").arg(m.name())) +
            QStringLiteral("<figcaption>Motion time per cycle: the mean (line) between the fastest and the slowest "
                           "(band); red marks: failures.</figcaption>\n</figure>\n");
    double low = 0, width = 0;
    const std::vector<qint64> bins = m.histogram(40, &low, &width);
    if (!bins.empty())
      body += QStringLiteral("<figure>\n") +
              HistogramSvg(bins, low, width, QStringLiteral("Motion times, move %1").arg(m.name())) +
              QStringLiteral("<figcaption>How the times spread.</figcaption>\n</figure>\n");
  }

  if (!r.failures.empty()) {
    body += QStringLiteral("<h2>Failures</h2>\n");
    if (r.failureCount > static_cast<qint64>(r.failures.size()))
      body += QStringLiteral("<p class=\"note\">The first %1 of %2.</p>\n").arg(r.failures.size()).arg(r.failureCount);
    body += QStringLiteral("<table class=\"failures\">\n<tr><th class=\"num\">cycle</th><th>motion</th><th>class</th>"
                           "<th class=\"num\">ms</th><th>detail</th></tr>\n");
    for (const FailureEvent& f : r.failures)
      body += QStringLiteral("<tr>") + Cell(QString::number(f.cycle), QStringLiteral("num")) +
              Cell(r.motions[static_cast<size_t>(f.motion)].name()) + Cell(FailureClassName(f.cls)) +
              Cell(MsText(f.ms), QStringLiteral("num")) + Cell(f.text) + QStringLiteral("</tr>\n");
    body += QStringLiteral("</table>\n");
  }
  body += QStringLiteral("<footer>Written by kvt730 %1 on %2.</footer>\n").arg(Html(toolVersion), When(r.started));
  return HtmlPage(title + QStringLiteral(" ") + Unread(r.unit.serial), body);
}

QString DefaultReportName(const QString& serial, const QDateTime& when, bool wear) {
  QString safe = serial.isEmpty() ? QStringLiteral("unknown") : serial;
  for (QChar& ch : safe)
    if (!ch.isLetterOrNumber() && ch != QLatin1Char('-') && ch != QLatin1Char('.')) ch = QLatin1Char('_');
  return QStringLiteral("kvt730-%1-%2%3.html")
      .arg(safe, when.toString(QStringLiteral("yyyy-MM-dd")), wear ? QStringLiteral("-wear") : QString());
}

}  // namespace kvt::report
