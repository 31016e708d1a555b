// SPDX-License-Identifier: MIT
// The "Qualify Unit..." and "Wear Test..." windows of both main windows, run against the
// simulated reader as a user runs them.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "gui/app/chooser_window.h"
#include "gui/qualify/qualify_window.h"
#include "gui/qualify/wear_window.h"
#include "gui_fixture.h"
#include "test_files.h"

using namespace gui_test;
using kvt::Variant;

class QualifyWindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void toolsMenuOpensTheWindowsModalAndCentredOnceThePortIsOpen_data();
  void toolsMenuOpensTheWindowsModalAndCentredOnceThePortIsOpen();
  void qualifyShowsEachCheckAndSavesTheReport();
  void wearCountsLiveStopsBetweenMotionsAndSavesTheReport();
  void everyControlIsNamedForScreenReadersAndKeyboard();

 private:
  void motion(int ms, double jam = 0) {
    rig_->withReader([&](sim::Reader& r) {
      sim::Reader::Motion m;
      m.motionMs = ms;
      m.jamRate = jam;
      r.setMotion(m);
    });
  }
  kvt::ReaderMainWindow& open(Variant v) {
    window_ = kvt::CreateMainWindow(v, rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
    window_->show();
    openPort(*window_);
    return *window_;
  }

  std::unique_ptr<Rig> rig_;
  std::unique_ptr<kvt::ReaderMainWindow> window_;
};

void QualifyWindowsTest::init() {
  rig_ = std::make_unique<Rig>();
  QVERIFY(rig_->start());
}

void QualifyWindowsTest::cleanup() {
  window_.reset();
  rig_.reset();
}

void QualifyWindowsTest::toolsMenuOpensTheWindowsModalAndCentredOnceThePortIsOpen_data() {
  QTest::addColumn<int>("variant");
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("window");
  QTest::newRow("B qualify") << int(Variant::B) << "QualifyUnitAction" << "QualifyWindow";
  QTest::newRow("M wear") << int(Variant::M) << "WearTestAction" << "WearWindow";
}

void QualifyWindowsTest::toolsMenuOpensTheWindowsModalAndCentredOnceThePortIsOpen() {
  QFETCH(int, variant);
  QFETCH(QString, action);
  QFETCH(QString, window);
  window_ = kvt::CreateMainWindow(Variant(variant), rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  auto* entry = window_->findChild<QAction*>(action);
  QVERIFY(entry);
  QCOMPARE(entry->text().remove('&'), action == "QualifyUnitAction" ? QString("Qualify Unit...") : QString("Wear Test..."));
  QVERIFY(window_->findChild<QMenu*>("ToolsMenu")->actions().contains(entry));

  entry->trigger();  // port closed: the caution, no window
  QCOMPARE(rig_->notifier.messages.size(), size_t(1));
  QCOMPARE(rig_->notifier.messages[0].text, QString("Comm. Port Setup First"));

  openPort(*window_);
  QString seen;
  bool modal = false;
  QPoint offset;
  QTimer::singleShot(0, window_.get(), [&] {
    QWidget* w = QApplication::activeModalWidget();
    QVERIFY(w);
    seen = w->objectName();
    modal = w->windowModality() == Qt::WindowModal && w->parentWidget() == window_.get();
    offset = w->geometry().center() - window_->geometry().center();
    QTest::keyClick(w, Qt::Key_Escape);
  });
  entry->trigger();
  QCOMPARE(seen, window);
  QVERIFY(modal);
  QVERIFY2(offset.manhattanLength() < 40, qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
}

void QualifyWindowsTest::qualifyShowsEachCheckAndSavesTheReport() {
  auto& w = open(Variant::B);
  kvt::QualifyWindow q(w.session(), "0", &w);
  q.show();
  find<QCheckBox>(&q, "QualifyPathFront")->setChecked(false);
  find<QCheckBox>(&q, "QualifyPathBin")->setChecked(true);
  click(&q, "QualifyStart");
  auto* checks = find<QTreeWidget>(&q, "QualifyChecks");
  QCOMPARE(checks->topLevelItemCount(), 15);
  QCOMPARE(checks->topLevelItem(0)->text(1), QString("link"));
  QCOMPARE(checks->topLevelItem(13)->text(1), QString("move front-hold"));
  QCOMPARE(checks->topLevelItem(14)->text(1), QString("move bin"));
  QVERIFY(checks->topLevelItem(14)->text(3).startsWith("No card in card channel (move "));
  for (int i = 0; i < 15; ++i) QCOMPARE(checks->topLevelItem(i)->text(0), QString("PASS"));
  QCOMPARE(find<QLabel>(&q, "QualifyVerdict")->text(), QString("PASS"));
  auto* bar = find<QProgressBar>(&q, "QualifyProgress");
  QCOMPARE(bar->value(), bar->maximum());
  QVERIFY(rig_->notifier.messages.empty());  // the run's messages are its rows

  QTemporaryDir dir;
  QString suggested;
  q.chooseReportPath = [&](const QString& name) {
    suggested = name;
    return dir.filePath("unit.html");
  };
  QVERIFY(find<QPushButton>(&q, "QualifySaveReport")->isEnabled());
  click(&q, "QualifySaveReport");
  QVERIFY(suggested.startsWith("kvt730-KVT730MA10012345-") && suggested.endsWith(".html"));
  const QByteArray page = test_files::readFile(dir.filePath("unit.html"));
  QVERIFY(page.contains("<div class=\"verdict pass\">PASS</div>"));
  QVERIFY(page.contains("<td class=\"name\">move bin</td>"));
  QCOMPARE(find<QLabel>(&q, "QualifyStatus")->text(), "Report saved to " + dir.filePath("unit.html") + ".");
}

void QualifyWindowsTest::wearCountsLiveStopsBetweenMotionsAndSavesTheReport() {
  auto& w = open(Variant::B);
  kvt::WearWindow wear(w.session(), "0", &w);
  wear.show();
  find<QSpinBox>(&wear, "WearCycles")->setValue(25);
  find<QCheckBox>(&wear, "WearPathFrontHold")->setChecked(false);
  click(&wear, "WearStart");
  auto* counts = find<QTableWidget>(&wear, "WearCounts");
  QCOMPARE(counts->rowCount(), 2);
  QCOMPARE(counts->item(0, 0)->text(), QString("ic"));
  QCOMPARE(counts->item(1, 1)->text(), QString("25"));
  QCOMPARE(counts->item(1, 2)->text(), QString("0"));
  QCOMPARE(find<QLabel>(&wear, "WearStatus")->text(), QString("Done after 25 cycle(s): PASS, 0 failed motion(s)."));
  QCOMPARE(find<QProgressBar>(&wear, "WearProgress")->value(), 1000);
  QVERIFY(find<QWidget>(&wear, "WearChart")->accessibleDescription().startsWith("ic: median "));

  // Stop during a long run of jams: the motion in flight ends, no other begins.
  motion(30, 1.0);
  find<QSpinBox>(&wear, "WearCycles")->setValue(100000);
  long long before = 0;
  rig_->withReader([&](sim::Reader& r) { before = r.motionsMade(); });
  QTimer::singleShot(400, &wear, [&] {
    QVERIFY(find<QPushButton>(&wear, "WearStop")->isEnabled());
    QVERIFY(!find<QPushButton>(&wear, "WearClose")->isEnabled());
    click(&wear, "WearStop");
  });
  click(&wear, "WearStart");
  QCOMPARE(int(wear.result().end), int(kvt::qualify::RunEnd::Stopped));
  long long made = 0;
  rig_->withReader([&](sim::Reader& r) { made = r.motionsMade(); });
  const auto& m = wear.result().motions;
  QCOMPARE(m[0].summary().count + m[1].summary().count, qint64(made - before));
  QVERIFY(made - before >= 1);
  QCOMPARE(wear.result().failureCount, qint64(made - before));
  QVERIFY(find<QLabel>(&wear, "WearStatus")->text().startsWith("Stopped after "));
  QVERIFY(counts->item(0, 2)->text().toInt() + counts->item(1, 2)->text().toInt() > 0);

  QTemporaryDir dir;
  wear.chooseReportPath = [&](const QString& name) { return dir.filePath(name); };
  click(&wear, "WearSaveReport");
  const QStringList files = QDir(dir.path()).entryList(QDir::Files);
  QCOMPARE(files.size(), 1);
  QVERIFY(files[0].endsWith("-wear.html"));
  QVERIFY(test_files::readFile(dir.filePath(files[0])).contains("Stopped before the end: this report is partial."));
}

void QualifyWindowsTest::everyControlIsNamedForScreenReadersAndKeyboard() {
  auto& w = open(Variant::B);
  kvt::QualifyWindow q(w.session(), "0", &w);
  kvt::WearWindow wear(w.session(), "0", &w);
  for (QDialog* d : {static_cast<QDialog*>(&q), static_cast<QDialog*>(&wear)}) {
    d->show();
    QCOMPARE(hiddenValues(d), QStringList());
    QStringList unnamed;
    for (QWidget* c : d->findChildren<QWidget*>()) {
      if (!(c->focusPolicy() & Qt::TabFocus) || c->objectName().isEmpty() || c->objectName().startsWith("qt_")) continue;
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
      if (!a || a->text(QAccessible::Name).isEmpty()) unnamed << c->objectName();
    }
    QCOMPARE(unnamed, QStringList());
    const QStringList order = tabOrder(d);
    QVERIFY2(order.size() >= 9, qPrintable(order.join(',')));
    QVERIFY(order.indexOf(d->objectName().replace("Window", "Start")) < order.indexOf(d->objectName().replace("Window", "Close")));
    QVERIFY(find<QPushButton>(d, qPrintable(d->objectName().replace("Window", "Start")))->isDefault());
  }
  QCOMPARE(find<QSpinBox>(&wear, "WearCycles")->accessibleName(), QString("Cycles:"));
  QCOMPARE(find<QCheckBox>(&q, "QualifyPathIc")->accessibleName(), QString("IC position"));
}

QTEST_MAIN(QualifyWindowsTest)
#include "windows_test.moc"
