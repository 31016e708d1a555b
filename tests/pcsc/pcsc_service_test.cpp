// The PC/SC window and kvt730ctl against a real pcscd. Each test function expects its
// own state of the service, prepared by the ctest fixtures (pcscd_start.sh):
//   sequenceWithSimCard, ctlWithSimCard: pcscd with kvt730-sim --pcsc-card in its virtual reader
//   connectRefusedByTOneCard: pcscd with vicc --type iso7816 (a T=1-only card)
//   noService: no pcscd at all; it starts one itself half way and stops it again.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cstring>

#include "app/notifier.h"
#include "pcsc/pcsc_window.h"
#include "pcsc/pcsclite_service.h"

using kvt::KVT_730_M_PCSCForm;

namespace {

const QString kSep = QStringLiteral("=============================");
const char* kReader = "Virtual PCD 00 00";  // vpcd's first slot, where the card joins

template <class T>
T* find(QObject* root, const char* name) {
  return root->findChild<T*>(QString::fromLatin1(name));
}

void click(QObject* root, const char* name) {
  auto* b = find<QPushButton>(root, name);
  QVERIFY2(b, name);
  b->click();
}

QStringList resultLines(QObject* w) {
  QStringList lines;
  auto* list = find<QListWidget>(w, "PCSCRESULT");
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

QStringList block(const QStringList& lines) { return QStringList{kSep} + lines + QStringList{QString()}; }

bool serviceAnswers() {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, "/run/pcscd/pcscd.comm", sizeof a.sun_path - 1);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

struct Ctl {
  int exitCode = -1;
  QStringList out;
  QString err;
};

Ctl runCtl(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(KVT730CTL_PATH), args);
  Ctl r;
  if (!p.waitForFinished(30000)) {
    p.kill();
    p.waitForFinished(5000);
    r.err = QStringLiteral("kvt730ctl did not finish within 30 s");
    return r;
  }
  r.exitCode = p.exitCode();
  r.out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
  if (r.out.last().isEmpty()) r.out.removeLast();
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// The lines of the SIM's answers to the window's APDU list, with the challenge bytes
// (random) written as "..".
QStringList simApduBlocks() {
  QStringList l;
  l << block({"SCardTransmit Success ", "Send Data:A0 A4 00 00 02 2F E2 ", "Receive Data:9F 0F "});
  l << block({"SCardTransmit Success ", "Send Data:A0 B0 00 00 0A ",
              "Receive Data:98 44 07 30 00 10 32 54 76 F8 90 00 "});
  l << block({"SCardTransmit Success ", "Send Data:00 84 00 00 08 ", "Receive Data:.. .. .. .. .. .. .. .. 90 00 "});
  l << block({"SCardTransmit Success ", "Send Data:00 A4 00 00 02 3F 00 ", "Receive Data:61 17 "});
  l << block({"SCardTransmit Success ", "Send Data:00 C0 00 00 17 ",
              "Receive Data:62 15 82 01 38 83 02 3F 00 8A 01 05 8C 03 03 FF 00 A5 04 80 ",
              "          02 00 00 90 00 "});
  l << block({"SCardTransmit Success ", "Send Data:00 A4 04 00 0E 31 50 41 59 2E 53 59 53 2E 44 44 46 30 31 ",
              "Receive Data:61 1C "});
  return l;
}

QStringList maskChallenge(QStringList lines) {
  static const QRegularExpression challenge(QStringLiteral("^Receive Data:([0-9A-F]{2} ){8}90 00 $"));
  for (QString& l : lines)
    if (challenge.match(l).hasMatch()) l = QStringLiteral("Receive Data:.. .. .. .. .. .. .. .. 90 00 ");
  return lines;
}

const QStringList kStatusBlock =
    block({"SCardState Success", "ATR : 3B 9A 95 00 4B 56 54 37 33 30 2D 53 49 4D ", "ATR Longth :  14"});

}  // namespace

class PcscServiceTest : public QObject {
  Q_OBJECT
 private slots:
  void sequenceWithSimCard();
  void ctlWithSimCard();
  void connectRefusedByTOneCard();
  void noService();
};

void PcscServiceTest::sequenceWithSimCard() {
  kvt::PcscLiteService service;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  click(&w, "CmdEstablish");
  click(&w, "CmdListReaders");
  auto* readers = find<QComboBox>(&w, "ReaderList");
  QCOMPARE(readers->currentText(), QString::fromLatin1(kReader));
  click(&w, "CmdConnect");
  QVERIFY2(resultLines(&w).contains(QStringLiteral("SCardConnect Success")), qPrintable(resultLines(&w).join('\n')));
  QCOMPARE(w.pcscState().activeProtocol, DWORD(SCARD_PROTOCOL_T0));
  click(&w, "cmdBeginTransaction");
  click(&w, "cmdGetStatus");
  auto* apdu = find<QComboBox>(&w, "CmdText");
  for (int i = 0; i < apdu->count(); ++i) {
    apdu->setCurrentIndex(i);
    click(&w, "cmdTransmit");
  }
  click(&w, "cmdEndTransaction");
  click(&w, "cmdDisconnect");
  click(&w, "cmdRelease");

  QStringList expected;
  expected << block({"SCardEstablishContext Success"}) << block({"SCardListReaders Success"})
           << block({"SCardConnect Success"}) << block({"SCardBeginTransaction Success"}) << kStatusBlock
           << simApduBlocks() << block({"SCardEndTransaction Success"}) << block({"SCardDisconnect Success"})
           << block({"SCardReleaseContext Success"});
  QCOMPARE(maskChallenge(resultLines(&w)), expected);
  QVERIFY(n.messages.empty());
  click(&w, "CmdExit");
}

void PcscServiceTest::ctlWithSimCard() {
  const Ctl list = runCtl({"pcsc", "list"});
  QCOMPARE(list.exitCode, 0);
  QCOMPARE(list.out.mid(0, 6), block({"SCardEstablishContext Success"}) + block({"SCardListReaders Success"}));
  QVERIFY2(list.out.contains(QStringLiteral("Reader: ") + kReader), qPrintable(list.out.join('\n')));
  QCOMPARE(list.out.mid(list.out.size() - 3), block({"SCardReleaseContext Success"}));

  const Ctl t = runCtl({"pcsc", "transmit", "A0A40000022FE2", "A0B000000A", "0084000008"});
  QCOMPARE(t.exitCode, 0);
  QStringList expected;
  expected << block({"SCardEstablishContext Success"}) << block({"SCardListReaders Success"})
           << block({"SCardConnect Success"}) << block({"SCardBeginTransaction Success"}) << kStatusBlock
           << simApduBlocks().mid(0, 15) << block({"SCardEndTransaction Success"})
           << block({"SCardDisconnect Success"}) << block({"SCardReleaseContext Success"});
  QCOMPARE(maskChallenge(t.out), expected);

  // The second slot holds no card: Connect fails, the context is still released.
  const Ctl empty = runCtl({"pcsc", "transmit", "--reader", "Virtual PCD 00 01", "00A40000023F00"});
  QCOMPARE(empty.exitCode, 5);
  QCOMPARE(empty.out.mid(6), block({"SCardConnect Error (8010000C)"}) + block({"SCardReleaseContext Success"}));

  const Ctl bad = runCtl({"pcsc", "transmit", "00A40000023F0"});
  QCOMPARE(bad.exitCode, 3);
  QVERIFY(bad.out.isEmpty());
  QVERIFY2(bad.err.contains(QStringLiteral("00A40000023F0")), qPrintable(bad.err));
}

void PcscServiceTest::connectRefusedByTOneCard() {
  kvt::PcscLiteService service;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  for (const char* b : {"CmdEstablish", "CmdListReaders", "CmdConnect"}) click(&w, b);
  QCOMPARE(resultLines(&w).mid(6), block({"SCardConnect Error (8010000F)"}));
  // What the description asks for after an error: the bottom three.
  for (const char* b : {"cmdEndTransaction", "cmdDisconnect", "cmdRelease"}) click(&w, b);
  const QStringList lines = resultLines(&w);
  QCOMPARE(lines.mid(lines.size() - 3), block({"SCardReleaseContext Success"}));
  click(&w, "CmdExit");

  const Ctl t = runCtl({"pcsc", "transmit", "00A40000023F00"});
  QCOMPARE(t.exitCode, 5);
  QCOMPARE(t.out.mid(6), block({"SCardConnect Error (8010000F)"}) + block({"SCardReleaseContext Success"}));
}

void PcscServiceTest::noService() {
  QVERIFY2(!serviceAnswers(),
           "a pcscd is serving /run/pcscd/pcscd.comm; stop it before running this test (see its pid in "
           "/run/pcscd/pcscd.pid)");
  kvt::PcscLiteService service;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  struct Step {
    const char* button;
    const char* error;
  };
  const Step steps[] = {
      {"CmdEstablish", "SCardEstablishContext Error \\(8010001D\\)"},
      {"CmdListReaders", "SCardListReaders Error \\([0-9A-F]{8}\\)"},
      {"CmdConnect", "SCardConnect Error \\([0-9A-F]{8}\\)"},
      {"cmdBeginTransaction", "SCardBeginTransaction Error \\([0-9A-F]{8}\\)"},
      {"cmdGetStatus", "SCardState Error \\([0-9A-F]{8}\\)"},
      {"cmdTransmit", "SCardTransmit Error [0-9A-F]{1,8}"},
      {"cmdEndTransaction", "SCardEndTransaction Error \\([0-9A-F]{8}\\)"},
      {"cmdDisconnect", "SCardDisconnect Error \\([0-9A-F]{8}\\)"},
      {"cmdRelease", "SCardReleaseContext Error \\([0-9A-F]{8}\\)"},
  };
  for (const Step& s : steps) {
    click(&w, s.button);
    const QStringList lines = resultLines(&w);
    QCOMPARE(lines.size() % 3, 0);
    QCOMPARE(lines.last(), QString());
    QCOMPARE(lines[lines.size() - 3], kSep);
    const QRegularExpression re(QStringLiteral("^%1$").arg(QLatin1String(s.error)));
    QVERIFY2(re.match(lines[lines.size() - 2]).hasMatch(), qPrintable(lines[lines.size() - 2]));
  }
  QVERIFY(n.messages.empty());

  // The service comes up while the window is open: Establish Context now works.
  QString pcscd = QStandardPaths::findExecutable(QStringLiteral("pcscd"));
  if (pcscd.isEmpty())
    pcscd = QStandardPaths::findExecutable(QStringLiteral("pcscd"), {"/usr/sbin", "/usr/local/sbin", "/sbin"});
  QVERIFY2(!pcscd.isEmpty(), "pcscd is not installed");
  QProcess daemon;
  daemon.setStandardOutputFile(QProcess::nullDevice());
  daemon.setStandardErrorFile(QProcess::nullDevice());
  daemon.start(pcscd, {"-f"});
  QVERIFY(daemon.waitForStarted(5000));
  struct Stop {
    QProcess& p;
    ~Stop() {
      p.terminate();  // SIGTERM to this pcscd only
      if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(5000);
      }
    }
  } stop{daemon};
  QTRY_VERIFY_WITH_TIMEOUT(serviceAnswers(), 10000);

  click(&w, "cmdClear");
  click(&w, "CmdEstablish");
  click(&w, "CmdListReaders");
  click(&w, "cmdRelease");
  QCOMPARE(resultLines(&w), block({"SCardEstablishContext Success"}) + block({"SCardListReaders Success"}) +
                                block({"SCardReleaseContext Success"}));
  QCOMPARE(find<QComboBox>(&w, "ReaderList")->itemText(0), QString::fromLatin1(kReader));
}

QTEST_MAIN(PcscServiceTest)
#include "pcsc_service_test.moc"
