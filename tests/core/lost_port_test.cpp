// A port that goes away under an open session: the simulated reader's pseudo-terminal
// closed and opened again behind a fixed name, through the port the programs use.
#include <unistd.h>

#include <QTemporaryDir>
#include <thread>

#include "link/frame.h"
#include "link/line_port.h"
#include "link/port_setup.h"
#include "link_fixture.h"

using namespace kvt;
using kvt::test::FastTimeouts;

namespace {

const QByteArray kCardStatus = BuildFrame(0, 0x31, 0x30);

class LostPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    bringBack();
    map.set(1, link);
    session.portMap = map;
    ASSERT_EQ(port.open(link, 9600), OpenError::None);
    state.PortOpened = true;
    session.linkWatch.listener = [this](const QString& news) {
      heard << news;
      shownWhenHeard << static_cast<int>(notifier.messages.size());
    };
  }
  void TearDown() override { port.close(); }

  // A reader of its own on a new pseudo-terminal, reached through the same name.
  void bringBack() {
    host = std::make_unique<sim::PtyHost>();
    std::string err;
    ASSERT_TRUE(host->start(&err)) << err;
    ::unlink(QFile::encodeName(link).constData());
    ASSERT_EQ(::symlink(host->slavePath().c_str(), QFile::encodeName(link).constData()), 0);
  }
  int exchange() {
    log.text.clear();
    notifier.messages.clear();
    return session.engine.ExecuteCommand(kCardStatus, kCardStatus.size(), reply);
  }
  QString message() const { return notifier.messages.size() == 1 ? notifier.messages[0].text : QStringLiteral("?"); }

  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("ttyKVT"));
  std::unique_ptr<sim::PtyHost> host;
  PortMap map;
  AppState state;
  LinePort port{WaitMode::Block};
  StringLog log;
  RecordingNotifier notifier;
  Session session{state, port, log, notifier, Variant::B, map, FastTimeouts()};
  ReplyBuffer reply;
  QStringList heard;
  QList<int> shownWhenHeard;  // messages already shown as each piece of news came
};

}  // namespace

// Gone while the tool was idle: each exchange tries the name again before it sends, the
// reader that is back answers the first one after, and no one had to set the port up again.
TEST_F(LostPortTest, ReaderBackUnderTheSameNameAnswersTheNextExchange) {
  const QString where = "COM1 (" + link + ")";
  ASSERT_EQ(exchange(), 0);
  host->vanish();
  EXPECT_EQ(exchange(), -1);
  EXPECT_EQ(message(), kDataError);
  const QString first = "The connection to " + where +
                        " was lost and did not reopen (not found); "
                        "the next operation tries again";
  EXPECT_EQ(log.text, first + "\r\n\r\n");  // nothing sent, nothing else logged
  EXPECT_EQ(exchange(), -1);
  EXPECT_EQ(message(), kDataError);
  const QString still = "The connection to " + where +
                        " is still lost (not found); the next operation "
                        "tries again";
  EXPECT_EQ(log.text, still + "\r\n\r\n");
  EXPECT_TRUE(session.linkWatch.lost());
  EXPECT_EQ(session.linkWatch.statusText(), still);

  bringBack();
  ASSERT_EQ(exchange(), 0);
  EXPECT_EQ(reply.kind(), 'P');
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_TRUE(log.text.startsWith("The connection to " + where + " is back: reopened\r\nSD: F2 00 00 03 43 31 30 03 B0 \r\n"))
      << log.text.toStdString();
  EXPECT_EQ(session.linkWatch.statusText(), "Connected to " + where);
  EXPECT_EQ(heard, (QStringList{first, still, "The connection to " + where + " is back: reopened"}));
}

// Gone in the middle of an exchange: the stage's own message stays, and beside it the loss
// is told once, before the message (the status line shows it while the box is up).
TEST_F(LostPortTest, LostDuringTheWaitIsToldOnceBesideTheStagesMessage) {
  host->withReader([](sim::Reader& r) {
    sim::Fault f;
    f.kind = sim::FaultKind::Silent;
    r.setFault(f);
  });
  std::thread pull([this] {
    for (int i = 0; i < 500 && host->received().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    host->vanish();
  });
  const int result = exchange();
  pull.join();
  EXPECT_EQ(result, -1);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, kUnitNotDetected);
  const QString lost = "The connection to COM1 (" + link + ") was lost; the next operation reopens it";
  EXPECT_EQ(log.text, "SD: F2 00 00 03 43 31 30 03 B0 \r\n\r\n" + lost + "\r\n");
  EXPECT_EQ(heard, QStringList{lost});
  EXPECT_EQ(shownWhenHeard, QList<int>{0});
  EXPECT_EQ(session.linkWatch.statusText(), lost);

  // Told once: the next exchange finds the name gone and says only that.
  EXPECT_EQ(exchange(), -1);
  EXPECT_EQ(heard.size(), 2);
  EXPECT_TRUE(heard.last().contains(" is still lost (")) << heard.last().toStdString();
  // "Close Comm" forgets the loss.
  CloseComm(session);
  EXPECT_FALSE(session.linkWatch.lost());
  EXPECT_EQ(session.linkWatch.statusText(), "Port closed");
}
