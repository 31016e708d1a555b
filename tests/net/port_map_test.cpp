// SPDX-License-Identifier: MIT
// The port map kept between runs: its store, the precedence of the command line, and the
// dialog that edits it.
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "core/base/notifier.h"
#include "core/link/port_map_store.h"
#include "gui/link/port_map_dialog.h"

using namespace kvt;

class PortMapTest : public QObject {
  Q_OBJECT

 private slots:
  void storeRoundTripReplaceAndFailure() {
    QTemporaryDir dir;
    const QString file = dir.filePath("kvt.ini");
    {
      QSettings s(file, QSettings::IniFormat);
      QVERIFY(PortMapStore(s).save({{3, "/dev/ttyUSB0"}, {5, " tcp://127.0.0.1:7000 "}, {16, "rfc2217://[::1]:2001"},
                                    {7, "  "}, {17, "/dev/ttyS9"}, {0, "/dev/ttyS9"}}));
    }
    QSettings again(file, QSettings::IniFormat);
    const QMap<int, QString> want{{3, "/dev/ttyUSB0"}, {5, "tcp://127.0.0.1:7000"}, {16, "rfc2217://[::1]:2001"}};
    QCOMPARE(PortMapStore(again).load(), want);
    QCOMPARE(again.value("PortMap/COM5").toString(), QStringLiteral("tcp://127.0.0.1:7000"));
    // A save replaces the whole map: names left out go back to their default.
    QVERIFY(PortMapStore(again).save({{2, "/dev/ttyACM0"}}));
    QSettings third(file, QSettings::IniFormat);
    QCOMPARE(PortMapStore(third).load(), (QMap<int, QString>{{2, "/dev/ttyACM0"}}));

    // A save that cannot write says so.
    const QString blocker = dir.filePath("not-a-folder");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QSettings s(blocker + "/kvt.ini", QSettings::IniFormat);
    QVERIFY(!PortMapStore(s).save({{1, "/dev/ttyUSB1"}}));
  }

  void commandLineOverStoredOverDefault() {
    const QMap<int, QString> stored{{3, "/dev/ttyUSB0"}, {5, "tcp://10.0.0.7:2001"}};
    const auto map = EffectivePortMap(stored, {"COM5=rfc2217://10.0.0.7:2002", "COM6=/dev/ttyACM0"});
    QVERIFY(map.has_value());
    QCOMPARE(map->device(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(map->device(3), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map->device(5), QStringLiteral("rfc2217://10.0.0.7:2002"));
    QCOMPARE(map->device(6), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(map->resolve("COM3"), QStringLiteral("/dev/ttyUSB0"));
    QString bad;
    QVERIFY(!EffectivePortMap(stored, {"COM6=/dev/ttyACM0", "COM17=/dev/x"}, &bad).has_value());
    QCOMPARE(bad, QStringLiteral("COM17=/dev/x"));
  }

  void dialogShowsEditsStoresAndCancels() {
    QTemporaryDir dir;
    QSettings s(dir.filePath("kvt.ini"), QSettings::IniFormat);
    QVERIFY(PortMapStore(s).save({{2, "/dev/ttyUSB0"}}));
    RecordingNotifier notifier;
    PortMapDialog dialog(s, notifier);

    for (int n = 1; n <= 16; ++n) {
      auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("PortMapCOM%1Text").arg(n));
      QVERIFY2(field, qPrintable(QString::number(n)));
      QCOMPARE(field->placeholderText(), QStringLiteral("/dev/ttyS%1").arg(n - 1));
      QCOMPARE(field->accessibleName(), QStringLiteral("COM%1").arg(n));
      bool labelled = false;
      for (QLabel* l : dialog.findChildren<QLabel*>()) labelled |= l->buddy() == field && l->text() == field->accessibleName();
      QVERIFY2(labelled, "every field has its name as a label");
    }
    // COM16, which the port setup does not list (it ends at COM15) and refuses typed.
    const QString scanOnly("reached by the scan only: the port setup lists COM1 to COM15 and refuses COM16");
    QCOMPARE(dialog.findChild<QLabel*>("PortMapCOM16Note")->text(), scanOnly);
    QVERIFY(dialog.findChild<QLineEdit*>("PortMapCOM16Text")->accessibleDescription().endsWith(scanOnly));
    auto* com2 = dialog.findChild<QLineEdit*>("PortMapCOM2Text");
    auto* com5 = dialog.findChild<QLineEdit*>("PortMapCOM5Text");
    auto* ok = dialog.findChild<QPushButton*>("OkBtn");
    QVERIFY(ok && dialog.findChild<QPushButton*>("CancelBtn"));
    QCOMPARE(com2->text(), QStringLiteral("/dev/ttyUSB0"));

    // A network address without its port is refused; nothing is stored.
    QTest::keyClicks(com5, "tcp://127.0.0.1");
    ok->click();
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(notifier.messages.size(), size_t(1));
    QCOMPARE(notifier.messages[0].title, QStringLiteral("Caution"));
    QVERIFY(notifier.messages[0].text.startsWith(QStringLiteral("COM5: \"tcp://127.0.0.1\" is no usable address")));
    QCOMPARE(PortMapStore(s).load(), (QMap<int, QString>{{2, "/dev/ttyUSB0"}}));

    com5->end(false);  // the refused text is selected for retyping; add to it instead
    QTest::keyClicks(com5, ":7000");
    com2->clear();
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const QMap<int, QString> want{{5, "tcp://127.0.0.1:7000"}};
    QCOMPARE(dialog.entries(), want);
    QCOMPARE(PortMapStore(s).load(), want);

    // Cancel keeps the stored map, whatever was typed.
    notifier.messages.clear();
    PortMapDialog again(s, notifier);
    again.findChild<QLineEdit*>("PortMapCOM4Text")->setText("/dev/ttyUSB3");
    again.findChild<QPushButton*>("CancelBtn")->click();
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QCOMPARE(PortMapStore(s).load(), want);
    QVERIFY(notifier.messages.empty());
  }
};

QTEST_MAIN(PortMapTest)
#include "port_map_test.moc"
