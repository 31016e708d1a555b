// SPDX-License-Identifier: MIT
#include "html_page.h"

#include <QList>
#include <QPair>
#include <cmath>

#include "safe_text.h"

namespace kvt::report {

namespace {

// Screen first; print: A4 with margins, nothing split inside a row or a picture, colours
// kept for the verdict.
const char kStyle[] = R"css(
body { font-family: "DejaVu Sans", "Liberation Sans", Arial, sans-serif; color: #111; margin: 24px; font-size: 14px; }
h1 { font-size: 22px; margin: 0 0 6px 0; }
h2 { font-size: 17px; margin: 22px 0 6px 0; border-bottom: 1px solid #999; }
h3 { font-size: 14px; margin: 14px 0 4px 0; }
.verdict { display: inline-block; font-size: 44px; font-weight: bold; color: #fff; padding: 6px 22px; border-radius: 6px; margin: 8px 0 4px 0; }
.verdict.pass { background: #1a7f37; }
.verdict.fail { background: #b71c1c; }
.note { color: #444; margin: 2px 0 10px 0; }
table { border-collapse: collapse; margin: 6px 0 12px 0; }
th, td { border: 1px solid #aaa; padding: 3px 7px; text-align: left; vertical-align: top; }
th { background: #eee; }
td:first-child, td.name { white-space: nowrap; }
td.num, th.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.PASS { color: #1a7f37; font-weight: bold; }
td.FAIL { color: #b71c1c; font-weight: bold; }
td.SKIP { color: #666; font-weight: bold; }
pre { font-size: 11px; white-space: pre-wrap; word-break: break-all; }
figure { margin: 8px 0 14px 0; }
figcaption { font-size: 12px; color: #333; }
svg { max-width: 100%; height: auto; }
footer { margin-top: 24px; font-size: 11px; color: #555; }
@page { size: A4; margin: 15mm 14mm; }
@media print {
  body { margin: 0; font-size: 10pt; }
  .verdict { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  tr, figure, svg { break-inside: avoid; page-break-inside: avoid; }
  h2, h3 { break-after: avoid; page-break-after: avoid; }
  table { width: 100%; }
  table.facts { width: auto; }
  summary { font-weight: bold; }
}
)css";

}  // namespace

QString Html(const QString& text) { return XmlSafeText(text).toHtmlEscaped(); }

QByteArray HtmlPage(const QString& title, const QString& body) {
  const QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n") +
                       QStringLiteral("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n") +
                       QStringLiteral("<title>") + Html(title) + QStringLiteral("</title>\n<style>") +
                       QLatin1String(kStyle) + QStringLiteral("</style>\n</head>\n<body>\n") + body +
                       QStringLiteral("</body>\n</html>\n");
  return page.toUtf8();
}

QString VerdictBanner(bool passed, const QString& note) {
  QString out = QStringLiteral("<div class=\"verdict %1\">%2</div>\n")
                    .arg(passed ? QStringLiteral("pass") : QStringLiteral("fail"),
                         passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
  if (!note.isEmpty()) out += QStringLiteral("<p class=\"note\">") + Html(note) + QStringLiteral("</p>\n");
  return out;
}

QString FactTable(const QList<QPair<QString, QString>>& rows) {
  QString out = QStringLiteral("<table class=\"facts\">\n");
  for (const auto& [name, value] : rows)
    out += QStringLiteral("<tr><th>") + Html(name) + QStringLiteral("</th><td>") + Html(value) +
           QStringLiteral("</td></tr>\n");
  return out + QStringLiteral("</table>\n");
}

// Rounded to the microsecond first, as the JSON output rounds it, so both show one figure.
QString MsText(double ms) { return QString::number(std::round(ms * 1000) / 1000, 'f', 3); }

}  // namespace kvt::report
