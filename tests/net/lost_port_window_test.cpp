// The main window when its port goes away and comes back: a real ser2net relay stopped and
// started again, and kvt730-sim's pseudo-terminal closed and opened again under its --link.
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/chooser_window.h"
#include "app/log_panel.h"
#include "gui_fixture.h"
#include "link/engine.h"
#include "ser2net_fixture.h"

using namespace gui_test;
using net_test::Ser2net;

namespace {

// kvt730-sim on a pseudo-terminal reached through `link`, for as long as it lives.
class Sim {
 public:
  explicit Sim(const QString& link) {
    proc_.start(QStringLiteral(KVT730SIM_PATH), {QStringLiteral("--link"), link});
    while (device_.isEmpty() && (proc_.canReadLine() || proc_.waitForReadyRead(10000))) {
      const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
      if (line.startsWith(QLatin1String("DEVICE "))) device_ = line.mid(7);
    }
  }
  ~Sim() {
    proc_.terminate();
    if (!proc_.waitForFinished(5000)) proc_.kill();
    proc_.waitForFinished(5000);
  }
  const QString& device() const { return device_; }

 private:
  QProcess proc_;
  QString device_;
};

// "Card Status" pressed once: the texts of the messages it showed.
QStringList cardStatus(kvt::ReaderMainWindow& w, kvt::RecordingNotifier& n) {
  n.messages.clear();
  click(&w, "CardStatusBtn");
  QStringList texts;
  for (const auto& m : n.messages) texts << m.text;
  return texts;
}

// The status line as screen readers get it (on screen a long name is shortened in the middle).
QString status(kvt::ReaderMainWindow& w) {
  auto* label = find<QLabel>(&w, "LinkStatusText");
  const QString text = label->accessibleDescription();
  if (label->toolTip() != text || (label->text() != text && !label->text().contains(QChar(0x2026))))
    return QStringLiteral("(label, tooltip and description differ)");
  return text;
}

const QString kStatusOk = QStringLiteral(
    "Card Status Success\r\nNo card in card channel\r\nEnough cards in stacker\r\nThe error card bin is not full");

}  // namespace

class LostPortWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void relayStoppedAndStartedAgain();
  void simulatorTerminalClosedAndOpenedAgain();
};

void LostPortWindowTest::relayStoppedAndStartedAgain() {
  if (Ser2net::program().isEmpty()) QSKIP("ser2net is not installed (Debian package ser2net)");
  QTemporaryDir dir;
  Sim sim(dir.filePath("ttyKVT"));
  QVERIFY(!sim.device().isEmpty());
  Ser2net relay;
  QString why;
  QVERIFY2(relay.start(Ser2net::Mode::Raw, sim.device(), &why), qPrintable(why));
  kvt::PortMap ports;
  ports.set(1, relay.address());
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  auto w = kvt::CreateMainWindow(kvt::Variant::M, state, notifier, ports, fastTimeouts());
  w->show();
  const QString where = "COM1 (" + relay.address() + ")";
  QCOMPARE(status(*w), QStringLiteral("Port closed"));
  openPort(*w);
  QVERIFY(state.PortOpened);
  QCOMPARE(status(*w), "Connected to " + where);
  QCOMPARE(cardStatus(*w, notifier), QStringList{kStatusOk});

  // The server goes away while the window is idle: the next press says so beside the
  // usual message, in the log and on the status line.
  relay.stop();
  QCOMPARE(cardStatus(*w, notifier), QStringList{kvt::kDataError});
  const QString lost = "The connection to " + where +
                       " was lost and did not reopen (not found); the next "
                       "operation tries again";
  QCOMPARE(status(*w), lost);
  QCOMPARE(w->logPanel().text(), lost + "\r\n\r\n\r\n");
  QCOMPARE(cardStatus(*w, notifier), QStringList{kvt::kDataError});
  QVERIFY2(status(*w).contains(" is still lost ("), qPrintable(status(*w)));

  // Back on the same port: the next press goes through, with no trip to "Setup Comm".
  QVERIFY2(relay.restart(&why), qPrintable(why));
  QCOMPARE(cardStatus(*w, notifier), QStringList{kStatusOk});
  QVERIFY2(w->logPanel().text().startsWith("The connection to " + where + " is back: reopened\r\nSD: "),
           qPrintable(w->logPanel().text()));
  QCOMPARE(status(*w), "Connected to " + where);
  QVERIFY(state.PortOpened);
}

void LostPortWindowTest::simulatorTerminalClosedAndOpenedAgain() {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyKVT");
  auto sim = std::make_unique<Sim>(link);
  QVERIFY(!sim->device().isEmpty());
  kvt::PortMap ports;
  ports.set(1, link);
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  auto w = kvt::CreateMainWindow(kvt::Variant::B, state, notifier, ports, fastTimeouts());
  w->show();
  openPort(*w);
  QCOMPARE(cardStatus(*w, notifier), QStringList{kStatusOk});

  // The terminal goes while the window waits for the user: the port lets it go at once
  // (it would otherwise report read errors in a loop), and the status line follows at the
  // next press.
  sim.reset();
  QTRY_VERIFY(!w->port().isOpen());
  QCOMPARE(cardStatus(*w, notifier), QStringList{kvt::kDataError});
  QVERIFY2(status(*w).startsWith("The connection to COM1 (" + link + ") was lost and did not reopen ("),
           qPrintable(status(*w)));

  sim = std::make_unique<Sim>(link);
  QVERIFY(!sim->device().isEmpty());
  QCOMPARE(cardStatus(*w, notifier), QStringList{kStatusOk});
  QCOMPARE(status(*w), "Connected to COM1 (" + link + ")");
  // "Close Comm" closes it for good: nothing is reopened behind the user's back.
  click(w.get(), "IRCLOSECOM");
  QCOMPARE(status(*w), QStringLiteral("Port closed"));
  QCOMPARE(cardStatus(*w, notifier), QStringList{kvt::kPortSetupFirst});
}

QTEST_MAIN(LostPortWindowTest)
#include "lost_port_window_test.moc"
