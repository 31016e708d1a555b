// SPDX-License-Identifier: MIT
#pragma once
// One self-contained HTML page: styles inline, pictures as inline SVG, no script, and a print
// style sheet that lays it out on A4 pages.
#include <QByteArray>
#include <QString>

namespace kvt::report {

// Text made safe for HTML: characters XML cannot hold written out ("\x07"), then <, >, &
// and quotes escaped.
QString Html(const QString& text);

// The whole page in UTF-8: doctype, head with the title and the style sheet, then `body`
// (already HTML).
QByteArray HtmlPage(const QString& title, const QString& body);

// The big verdict at the top: "PASS" on green or "FAIL" on red.
QString VerdictBanner(bool passed, const QString& note = {});

// A two-column table of facts ("Serial number" | "KVT730MA10012345").
QString FactTable(const QList<QPair<QString, QString>>& rows);

// "1234.567": milliseconds as every report writes them.
QString MsText(double ms);

}  // namespace kvt::report
