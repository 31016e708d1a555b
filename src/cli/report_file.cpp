// SPDX-License-Identifier: MIT
#include "report_file.h"

#include <QFileInfo>
#include <QSysInfo>

#include "core/base/text_file.h"

namespace kvt::cli {

QString CheckReportPath(const QString& path) {
  const QFileInfo file(path);
  if (file.isDir()) return QStringLiteral("--report %1: that is a folder").arg(path);
  const QFileInfo folder(file.absolutePath());
  if (!folder.isDir()) return QStringLiteral("--report %1: no folder %2").arg(path, folder.filePath());
  if (!folder.isWritable()) return QStringLiteral("--report %1: the folder may not be written").arg(path);
  return QString();
}

JUnitPart::JUnitPart(const QString& port, const QString& scriptPath, bool namePort)
    : port_(port),
      scriptName_(QFileInfo(scriptPath).fileName()),
      namePort_(namePort),
      hostname_(QSysInfo::machineHostName()) {}

bool JUnitPart::open(const QString& reportPath, QString* error) {
  if (spool_.open(QFileInfo(reportPath).absolutePath(), error)) return true;
  *error = QStringLiteral("--report %1: %2").arg(reportPath, *error);
  return false;
}

void JUnitPart::add(const report::ScriptLineResult& r) {
  if (!current_.cases.empty() && current_.cases.back().repetition != r.repetition) finish();
  if (current_.cases.empty()) current_ = report::ScriptSuite(port_, scriptName_, r.repetition, namePort_);
  current_.cases.push_back(r);
}

void JUnitPart::finish() {
  if (current_.cases.empty()) return;
  totals_.add(report::TotalsOf(current_));
  spool_.write(report::JUnitSuiteXml(current_, suites_++, hostname_));
  current_.cases.clear();
}

bool JUnitPart::copyTo(QIODevice& out, qint64 idOffset, QString* error) {
  finish();
  const bool ok = spool_.replayLines([&](const QByteArray& line) {
    const QByteArray shifted = report::ShiftSuiteId(line, idOffset);
    return out.write(shifted) == shifted.size();
  });
  if (!ok && spool_.failed()) *error = QStringLiteral("the suites of %1 could not be kept: %2").arg(port_, spool_.errorText());
  return ok;
}

bool WriteReport(const QString& path, const std::vector<JUnitPart*>& parts, QString* error) {
  report::JUnitTotals totals;
  for (JUnitPart* p : parts) {
    p->finish();
    totals.add(p->totals());
  }
  QString partError;
  FileError fileError;
  const bool ok = WriteWholeFileWith(
      path,
      [&](QIODevice& file) {
        const QByteArray head = report::JUnitHead(totals);
        if (file.write(head) != head.size()) return false;
        qint64 ids = 0;
        for (JUnitPart* p : parts) {
          if (!p->copyTo(file, ids, &partError)) return false;
          ids += p->suites();
        }
        const QByteArray tail = report::JUnitTail();
        return file.write(tail) == tail.size();
      },
      &fileError);
  if (ok) return true;
  *error = QStringLiteral("cannot write %1: %2").arg(path, partError.isEmpty() ? fileError.text : partError);
  return false;
}

}  // namespace kvt::cli
