// SPDX-License-Identifier: MIT
// The MONITOR panel (log text, "Clear Data", "Save To") and the counter box's key filter.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "gui/widgets/key_filters.h"
#include "gui/widgets/log_panel.h"
#include "gui_fixture.h"
#include "test_files.h"

using namespace gui_test;

using test_files::readFile;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) { QVERIFY(test_files::writeFile(path, bytes)); }

const QString kErrorTitle = QStringLiteral("mnuFileSaveAsDialog_Click");

}  // namespace

class LogAndFilterTest : public QObject {
  Q_OBJECT
 private slots:
  void logKeepsTheExactText();
  void saveWritesTheTrimmedLogOrNothing();
  void counterFilterLimitsTypingNotTheProgram();
};

void LogAndFilterTest::logKeepsTheExactText() {
  kvt::RecordingNotifier notifier;
  kvt::LogPanel panel(notifier, QStringLiteral("MONITOR"));
  auto* view = find<QPlainTextEdit>(&panel, "SDTDText");
  QVERIFY(view->isReadOnly());
  QCOMPARE(view->font().family(), QStringLiteral("Arial"));

  panel.append(QStringLiteral("SD: F2 00 \r"));  // a line end split over two appends
  panel.append(QStringLiteral("\nRD: 06\r\n"));
  panel.append(QStringLiteral("\r\n"));
  QCOMPARE(panel.text(), QStringLiteral("SD: F2 00 \r\nRD: 06\r\n\r\n"));
  QCOMPARE(view->toPlainText(), QStringLiteral("SD: F2 00 \nRD: 06\n\n"));
  QCOMPARE(view->textCursor().position(), view->document()->characterCount() - 1);

  panel.startOperation();  // "Record Data" unticked
  QCOMPARE(panel.text(), QString());
  panel.append(QStringLiteral("x"));
  find<QAbstractButton>(&panel, "CheckRecord")->click();
  panel.startOperation();
  QCOMPARE(panel.text(), QStringLiteral("x"));
  click(&panel, "ClearSDTDText");
  QCOMPARE(panel.text(), QString());
  QCOMPARE(view->toPlainText(), QString());
}

void LogAndFilterTest::saveWritesTheTrimmedLogOrNothing() {
  QTemporaryDir dir;
  QVERIFY(QDir::setCurrent(dir.path()));
  kvt::RecordingNotifier notifier;
  kvt::LogPanel panel(notifier, QStringLiteral("MONITOR"));
  const QString shown = QStringLiteral("   SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n\r\n  ");
  panel.append(shown);
  panel.chooseSavePath = [] { return QString(); };
  click(&panel, "SaveSDTDText");  // cancelled
  QCOMPARE(notifier.messages.size(), size_t(1));
  QCOMPARE(notifier.messages[0].title, kErrorTitle);
  QCOMPARE(notifier.messages[0].icon, kvt::MessageIcon::None);
  QVERIFY2(QRegularExpression(QStringLiteral("^Error: \\d+ \\S")).match(notifier.messages[0].text).hasMatch(),
           qPrintable(notifier.messages[0].text));
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

  // No place to put the file: its folder is a plain file.
  writeFile(dir.filePath(QStringLiteral("plain")), "x");
  panel.chooseSavePath = [&] { return dir.filePath(QStringLiteral("plain/LOG.TXT")); };
  click(&panel, "SaveSDTDText");
  QCOMPARE(notifier.messages.size(), size_t(3));
  QCOMPARE(notifier.messages[1].title, QStringLiteral("Save As..."));
  QCOMPARE(notifier.messages[2].title, kErrorTitle);
  QVERIFY(notifier.messages[2].text.startsWith(QStringLiteral("Error: ")));
  // Nothing left beside it (an old file kept whole through a failed write is tests/savefile's).
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});

  // An older, longer file is replaced by the log without its surrounding spaces.
  const QString path = dir.filePath(QStringLiteral("LOG.TXT"));
  writeFile(path, "an older and longer file that gets replaced");
  panel.chooseSavePath = [&] { return path; };
  click(&panel, "SaveSDTDText");
  QCOMPARE(readFile(path), QByteArray("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n\r\n"));
  QCOMPARE(notifier.messages.size(), size_t(4));
  QCOMPARE(notifier.messages[3], (kvt::Message{kvt::MessageIcon::None, "Save As...",
                                               "File Name is LOG.TXT\r\nFull path and file is " +
                                                   QDir::toNativeSeparators(path)}));
  QCOMPARE(panel.text(), shown);
}

void LogAndFilterTest::counterFilterLimitsTypingNotTheProgram() {
  QLineEdit edit;
  kvt::InstallDecimalFilter(&edit, 3);
  QTest::keyClicks(&edit, QStringLiteral("a7-x "));
  QCOMPARE(edit.text(), QStringLiteral("7"));
  QTest::keyClicks(&edit, QStringLiteral("4F29"));  // the 9 is past the limit
  QCOMPARE(edit.text(), QStringLiteral("742"));
  QTest::keyClick(&edit, Qt::Key_Home);
  QTest::keyClick(&edit, Qt::Key_Delete);
  QTest::keyClick(&edit, '1');
  QCOMPARE(edit.text(), QStringLiteral("142"));
  QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);  // a selection is replaced even at the limit
  QTest::keyClick(&edit, '8');
  QCOMPARE(edit.text(), QStringLiteral("8"));

  edit.setText(QStringLiteral("12A45"));  // what a reader sent is shown whole
  QCOMPARE(edit.text(), QStringLiteral("12A45"));
  QTest::keyClick(&edit, Qt::Key_End);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  QTest::keyClick(&edit, '6');
  QCOMPARE(edit.text(), QStringLiteral("12A4"));

  // A paste that brings in letters or passes the limit is undone.
  edit.clear();
  edit.insert(QStringLiteral("5x"));
  QCOMPARE(edit.text(), QString());
  edit.insert(QStringLiteral("1234"));
  QCOMPARE(edit.text(), QString());
  edit.insert(QStringLiteral("12"));
  QCOMPARE(edit.text(), QStringLiteral("12"));
}

QTEST_MAIN(LogAndFilterTest)
#include "log_and_filter_test.moc"
