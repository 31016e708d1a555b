#include "report_file.h"

#include <QFileInfo>
#include <QSysInfo>

#include "base/text_file.h"
#include "report/junit_report.h"

namespace kvt::cli {

QString CheckReportPath(const QString& path) {
  const QFileInfo file(path);
  if (file.isDir()) return QStringLiteral("--report %1: that is a folder").arg(path);
  const QFileInfo folder(file.absolutePath());
  if (!folder.isDir()) return QStringLiteral("--report %1: no folder %2").arg(path, folder.filePath());
  if (!folder.isWritable()) return QStringLiteral("--report %1: the folder may not be written").arg(path);
  return QString();
}

bool WriteReport(const QString& path, const QString& scriptPath, const std::vector<report::RunRecord>& runs,
                 bool namePorts, QString* error) {
  const QString scriptName = QFileInfo(scriptPath).fileName();
  std::vector<report::JUnitSuite> suites;
  for (const report::RunRecord& r : runs)
    for (report::JUnitSuite& s : report::SuitesByRepetition(r.port, scriptName, r.lines, namePorts))
      suites.push_back(std::move(s));
  FileError fileError;
  if (WriteWholeFile(path, report::JUnitXml(suites, QSysInfo::machineHostName()), &fileError)) return true;
  *error = QStringLiteral("cannot write %1: %2").arg(path, fileError.text);
  return false;
}

}  // namespace kvt::cli
