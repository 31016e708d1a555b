// SPDX-License-Identifier: MIT
// The main window when its port goes away and comes back: a real ser2net relay stopped and
// started again, and kvt730-sim's pseudo-terminal closed and opened again under its --link.
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include "core/link/engine.h"
#include "gui/app/chooser_window.h"
#include "gui/widgets/log_panel.h"
#include "gui_fixture.h"
#include "page_helpers.h"
#include "ser2net_fixture.h"

using namespace gui_test;
using net_test::Ser2net;

namespace {

// kvt730-sim on a pseudo-terminal reached through `link`, for as long as it lives.
struct Sim {
  explicit Sim(const QString& link) {
    proc.start(QStringLiteral(KVT730SIM_PATH), {QStringLiteral("--link"), link});
    while (!proc.readLine().startsWith("DEVICE ") && proc.waitForReadyRead(10000)) {
    }
  }
  ~Sim() { proc.terminate(), proc.waitForFinished(5000); }
  QProcess proc;
};

// Card Status on a window whose COM1 is `device`, while `pull` takes the port away and
// `back` brings it back: the usual message stays, beside it the status line (already while
// the message is up) and the log tell what became of the connection, and once the port is
// back the next press works without "Setup Comm".
void LostAndBack(kvt::Variant v, const QString& device, const std::function<void(kvt::ReaderMainWindow&)>& pull,
                 const std::function<void()>& back) {
  kvt::PortMap ports;
  ports.set(1, device);
  kvt::AppState state;
  page_test::WatchingNotifier n;
  auto w = kvt::CreateMainWindow(v, state, n, ports, fastTimeouts());
  auto* status = find<QLabel>(w.get(), "LinkStatusText");
  QString statusAtMessage;  // as screen readers get it: on screen a long name is shortened
  n.onShow = [&](const kvt::Message&) { statusAtMessage = status->accessibleDescription(); };
  const auto press = [&] {
    n.messages.clear();
    click(w.get(), "CardStatusBtn");
    return n.messages.size() == 1 ? n.messages[0].text.left(19) : QStringLiteral("?");
  };
  const QString where = "The connection to COM1 (" + device + ")";
  w->show();
  openPort(*w);
  QCOMPARE(press(), QStringLiteral("Card Status Success"));
  QCOMPARE(statusAtMessage, "Connected to COM1 (" + device + ")");
  pull(*w);
  QCOMPARE(press(), kvt::kDataError.left(19));
  const QString lost = where + " was lost and did not reopen (not found); the next operation tries again";
  QCOMPARE(statusAtMessage, lost);
  QCOMPARE(w->logPanel().text(), lost + "\r\n\r\n\r\n");
  QCOMPARE(press(), kvt::kDataError.left(19));
  QCOMPARE(statusAtMessage, where + " is still lost (not found); the next operation tries again");
  back();
  QCOMPARE(press(), QStringLiteral("Card Status Success"));
  QVERIFY(w->logPanel().text().startsWith(where + " is back: reopened\r\nSD: "));
}

}  // namespace

class LostPortWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void relayStoppedAndStartedAgain() {
    if (Ser2net::program().isEmpty()) QSKIP("ser2net is not installed (Debian package ser2net)");
    QTemporaryDir dir;
    Sim sim(dir.filePath("ttyKVT"));
    Ser2net relay;
    QString why;
    QVERIFY2(relay.start(Ser2net::Mode::Raw, dir.filePath("ttyKVT"), &why), qPrintable(why));
    LostAndBack(
        kvt::Variant::M, relay.address(), [&](kvt::ReaderMainWindow&) { relay.stop(); },
        [&] { QVERIFY(relay.restart(&why)); });
  }

  void simulatorTerminalClosedAndOpenedAgain() {
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyKVT");
    auto sim = std::make_unique<Sim>(link);
    LostAndBack(
        kvt::Variant::B, link,
        [&](kvt::ReaderMainWindow& w) {
          sim.reset();
          // Let go at once: it would report read errors in a loop while the window waits.
          QTRY_VERIFY(!w.port().isOpen());
        },
        [&] { sim = std::make_unique<Sim>(link); });
  }
};

QTEST_MAIN(LostPortWindowTest)
#include "lost_port_window_test.moc"
