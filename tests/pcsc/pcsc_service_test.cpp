// SPDX-License-Identifier: MIT
// The PC/SC window and kvt730ctl against a real pcscd, in the state the ctest fixture
// (pcscd_start.sh) leaves it:
//   ctlWithSimCard: kvt730-sim --pcsc-card in the virtual reader
//   connectRefusedByTOneCard: vicc --type iso7816, a T=1-only card
//   noService: no pcscd; the test starts one half way and stops it again.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstring>

#include "core/pcsc/pcsclite_service.h"
#include "gui/pcsc/pcsc_window.h"
#include "result_list.h"

using kvt::KVT_730_M_PCSCForm;
using pcsc_test::block;
using pcsc_test::lines;

namespace {

const QString kReader = QStringLiteral("Virtual PCD 00 00");  // vpcd's first slot, where the card joins

bool serviceAnswers() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, "/run/pcscd/pcscd.comm", sizeof a.sun_path - 1);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

// kvt730ctl's exit status and printed lines.
std::pair<int, QStringList> ctl(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(KVT730CTL_PATH), args);
  if (!p.waitForFinished(30000)) p.kill(), p.waitForFinished(5000);
  QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
  out.removeLast();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, pcsc_test::maskChallenge(out)};
}

const QStringList kOpening = block({"SCardEstablishContext Success"}) + block({"SCardListReaders Success"}) +
                             block({"SCardConnect Success"}) + block({"SCardBeginTransaction Success"}) +
                             block({"SCardState Success", "ATR : 3B 9A 95 00 4B 56 54 37 33 30 2D 53 49 4D ",
                                    "ATR Longth :  14"});
const QStringList kClosing = block({"SCardEndTransaction Success"}) + block({"SCardDisconnect Success"}) +
                             block({"SCardReleaseContext Success"});
// The SIM's answers to the APDUs of CmdText, in their order.
const QStringList kApdus =
    block({"SCardTransmit Success ", "Send Data:A0 A4 00 00 02 2F E2 ", "Receive Data:9F 0F "}) +
    block({"SCardTransmit Success ", "Send Data:A0 B0 00 00 0A ", "Receive Data:98 44 07 30 00 10 32 54 76 F8 90 00 "}) +
    block({"SCardTransmit Success ", "Send Data:00 84 00 00 08 ", "Receive Data:.. .. .. .. .. .. .. .. 90 00 "}) +
    block({"SCardTransmit Success ", "Send Data:00 A4 00 00 02 3F 00 ", "Receive Data:61 17 "}) +
    block({"SCardTransmit Success ", "Send Data:00 C0 00 00 17 ",
           "Receive Data:62 15 82 01 38 83 02 3F 00 8A 01 05 8C 03 03 FF 00 A5 04 80 ", "          02 00 00 90 00 "}) +
    block({"SCardTransmit Success ", "Send Data:00 A4 04 00 0E 31 50 41 59 2E 53 59 53 2E 44 44 46 30 31 ",
           "Receive Data:61 1C "});

}  // namespace

class PcscServiceTest : public QObject {
  Q_OBJECT
 private slots:
  void ctlWithSimCard();
  void connectRefusedByTOneCard();
  void noService();
};

void PcscServiceTest::ctlWithSimCard() {
  const auto [listed, listLines] = ctl({"pcsc", "list"});
  QCOMPARE(listed, 0);
  QCOMPARE(listLines.mid(6, 1), QStringList{"Reader: " + kReader});
  // kvt730ctl puts each response's status word before the closing empty line of its block.
  const QStringList words = {"SW 9F0F: 15 bytes available (GSM, GET RESPONSE)", "SW 9000: Normal processing",
                             "SW 9000: Normal processing",
                             "SW 6117: Normal processing, 23 bytes still available (GET RESPONSE)",
                             "SW 9000: Normal processing",
                             "SW 611C: Normal processing, 28 bytes still available (GET RESPONSE)"};
  QStringList apdus;
  for (const QString& line : kApdus) {
    if (line.isEmpty()) apdus << words.value(apdus.count(QString()));
    apdus << line;
  }
  QCOMPARE(ctl({"pcsc", "transmit", "A0A40000022FE2", "A0B000000A", "0084000008", "00A40000023F00", "00C0000017",
                "00A404000E315041592E5359532E4444463031"}),
           std::make_pair(0, kOpening + apdus + kClosing));
  // The second slot is empty: Connect fails, with pcsc-lite's words for it, and only the
  // context is given back.
  QCOMPARE(ctl({"pcsc", "transmit", "--reader", "Virtual PCD 00 01", "00A40000023F00"}).second.mid(6),
           block({"SCardConnect Error (8010000C)", "Meaning: 8010000C: No smart card inserted."}) +
               block({"SCardReleaseContext Success"}));
  QCOMPARE(ctl({"pcsc", "transmit", "00A40000023F0"}), std::make_pair(3, QStringList{}));
  // APDUs shorter than their header never reach the virtual reader, which would take them
  // for control messages and hold the card for good; the reader stays free.
  QCOMPARE(ctl({"pcsc", "transmit", ""}), std::make_pair(3, QStringList{}));
  QCOMPARE(ctl({"pcsc", "transmit", "00"}), std::make_pair(3, QStringList{}));
  QCOMPARE(ctl({"pcsc", "transmit", "0084000008"}).first, 0);
}

void PcscServiceTest::connectRefusedByTOneCard() {
  kvt::PcscLiteService service;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  QCOMPARE(lines(&w, {"CmdEstablish", "CmdListReaders", "CmdConnect"}).mid(6), block({"SCardConnect Error (8010000F)"}));
  QCOMPARE(w.findChild<QLabel*>("InsightText")->text(), QStringLiteral("8010000F: Card protocol mismatch."));
  QCOMPARE(ctl({"pcsc", "transmit", "00A40000023F00"}),
           std::make_pair(5, kOpening.mid(0, 6) +
                                 block({"SCardConnect Error (8010000F)", "Meaning: 8010000F: Card protocol mismatch."}) +
                                 block({"SCardReleaseContext Success"})));
}

void PcscServiceTest::noService() {
  QVERIFY2(!serviceAnswers(), "a pcscd not started by this test serves /run/pcscd/pcscd.comm; stop it first");
  kvt::PcscLiteService service;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  lines(&w, {"CmdEstablish"});
  QCOMPARE(w.findChild<QLabel*>("InsightText")->text(), QStringLiteral("8010001D: Service not available."));
  const QStringList shown =
      lines(&w, {"CmdListReaders", "CmdConnect", "cmdBeginTransaction", "cmdGetStatus",
                 "cmdTransmit", "cmdEndTransaction", "cmdDisconnect", "cmdRelease"});
  QCOMPARE(shown.size(), 27);
  QCOMPARE(shown[1], QStringLiteral("SCardEstablishContext Error (8010001D)"));
  const QRegularExpression error("^SCard(ListReaders|Connect|BeginTransaction|State|EndTransaction|Disconnect|"
                                 "ReleaseContext) Error \\([0-9A-F]{8}\\)$|^SCardTransmit Error [0-9A-F]+$");
  for (int i = 4; i < shown.size(); i += 3) QVERIFY2(error.match(shown[i]).hasMatch(), qPrintable(shown[i]));
  QVERIFY(n.messages.empty());

  // The service comes up with the window still open: Establish Context works now.
  QString pcscd = QStandardPaths::findExecutable("pcscd", {"/usr/sbin", "/usr/local/sbin", "/sbin"});
  if (pcscd.isEmpty()) pcscd = QStandardPaths::findExecutable("pcscd");
  QVERIFY2(!pcscd.isEmpty(), "pcscd is not installed");
  QProcess daemon;
  daemon.setStandardOutputFile(QProcess::nullDevice());
  daemon.setStandardErrorFile(QProcess::nullDevice());
  daemon.start(pcscd, {"-f"});
  struct Stop {  // this pcscd only, by its process, whatever happens below
    QProcess& p;
    ~Stop() {
      p.terminate();
      if (!p.waitForFinished(10000)) p.kill(), p.waitForFinished(5000);
    }
  } stop{daemon};
  QVERIFY(daemon.waitForStarted(5000));
  QTRY_VERIFY_WITH_TIMEOUT(serviceAnswers(), 10000);
  pcsc_test::find(&w, "cmdClear")->click();
  QCOMPARE(lines(&w, {"CmdEstablish", "CmdListReaders", "cmdRelease"}),
           block({"SCardEstablishContext Success"}) + block({"SCardListReaders Success"}) +
               block({"SCardReleaseContext Success"}));
  QCOMPARE(w.findChild<QComboBox*>("ReaderList")->itemText(0), kReader);
}

QTEST_MAIN(PcscServiceTest)
#include "pcsc_service_test.moc"
