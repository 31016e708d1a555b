// kvt730ctl's contactless commands against kvt730-sim holding a chosen card at the RF
// position: one run per operation, the card and the reader keeping their state between runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

struct CtlRun {
  int code = -1;
  QStringList lines;
};

// kvt730-sim with a card of that contactless kind at the RF position while the object lives.
class RfSim {
 public:
  explicit RfSim(const char* kind) {
    proc_.start(QStringLiteral(KVT730SIM_PATH), {"--card", "rf", "--rf-card", kind});
    while (device_.isEmpty() && (proc_.canReadLine() || proc_.waitForReadyRead(10000))) {
      const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
      if (line.startsWith(QLatin1String("DEVICE "))) device_ = line.mid(7);
    }
  }
  ~RfSim() {
    proc_.terminate();
    if (!proc_.waitForFinished(5000)) proc_.kill();
    proc_.waitForFinished(5000);
  }
  CtlRun ctl(const QStringList& args) const {
    QProcess p;
    p.start(QStringLiteral(KVT730CTL_PATH), QStringList{"--port", device_} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    CtlRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return r;
  }
  bool ok() const { return !device_.isEmpty(); }

 private:
  QProcess proc_;
  QString device_;
};

const QString kOk = QStringLiteral(" / Exxcute OK / 9000");

}  // namespace

TEST(RfCli, MifareKeysBlocksAndPurses) {
  RfSim sim("s50");
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(sim.ctl({"rf-type"}).lines, QStringList{"Test RF Type | Test RF Type Complete / S50 card"});
  EXPECT_EQ(sim.ctl({"rf", "activate"}).lines,
            (QStringList{"Card SN: 1A02B30C", "Activate | The RF Card is activated / Mifare one S50 card"}));
  EXPECT_EQ(sim.ctl({"mifare", "key-check", "01", "a"}).lines, QStringList{"Check Password | Check Password" + kOk});
  EXPECT_EQ(sim.ctl({"mifare", "write", "1", "1", "00112233445566778899AABBCCDDEEFF"}).code, 0);
  EXPECT_EQ(sim.ctl({"mifare", "read", "1", "1"}).lines,
            (QStringList{"Data: 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF", "Read block data | Read block data" + kOk}));
  EXPECT_EQ(sim.ctl({"mifare", "purse-init", "1", "2", "1000"}).lines,
            QStringList{"Initialize | Initialize success" + kOk});
  sim.ctl({"mifare", "purse-dec", "1", "2", "5"});
  EXPECT_EQ(sim.ctl({"mifare", "purse-read", "1", "2"}).lines, (QStringList{"Value: 995", "Read | Read success" + kOk}));
  EXPECT_EQ(sim.ctl({"mifare", "key-download", "2", "b", "01 02 03 04 05 06"}).code, 0);
  EXPECT_EQ(sim.ctl({"mifare", "key-load", "2", "b"}).lines,
            QStringList{"Load password from the EEPROM | Load password from the EEPROM  /  / 6300"});

  const CtlRun refused = sim.ctl({"mifare", "write", "0", "0", "00112233445566778899AABBCCDDEEFF"});
  EXPECT_EQ(refused.code, 3);
  EXPECT_EQ(refused.lines, QStringList{"Caution | Write Prohibit In The Block"});
  EXPECT_EQ(sim.ctl({"mifare", "read", "28", "0"}).code, 3);   // sectors end at 27
  EXPECT_EQ(sim.ctl({"mifare", "write", "1", "1", "0011"}).code, 3);
  EXPECT_EQ(sim.ctl({"mifare", "key-check", "1", "c"}).code, 3);
}

TEST(RfCli, UltralightAndCpuCards) {
  {
    RfSim sim("ultralight");
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(sim.ctl({"rf", "activate", "a"}).lines.value(0), "Card SN: 04A13F526B8031");
    EXPECT_EQ(sim.ctl({"ultralight", "write", "5", "11", "22", "33", "44"}).lines,
              QStringList{"Write Block Data | Write Block Data" + kOk});
    EXPECT_EQ(sim.ctl({"ultralight", "read", "5"}).lines.value(0), "Data: 11 22 33 44");
  }
  RfSim sim("typeb");
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(sim.ctl({"rf", "activate", "a"}).code, 1);  // Type A only: nobody answers
  EXPECT_EQ(sim.ctl({"rf", "activate", "ba"}).lines,
            (QStringList{"ATR Information: 508A3C51E24B565437008181",
                         "Activate | The RF Card is activated  / the card in line with ISO / IEC 14443 Type B protocol"}));
  const CtlRun apdu = sim.ctl({"rf", "apdu", "b", "00A40000023F00", "0084000008"});
  ASSERT_EQ(apdu.lines.size(), 4);
  EXPECT_EQ(apdu.lines[0], "Response: 6F1684023F00A5108801015F2D067A68656E66729F1101019000");
  EXPECT_EQ(apdu.lines[1], "C-APDU | Success");
  EXPECT_EQ(apdu.lines[2].size(), QString("Response: ").size() + 20);
  EXPECT_EQ(sim.ctl({"rf", "apdu", "a", "0084000008"}).code, 1);  // the Type A parameter to a Type B card
  EXPECT_EQ(sim.ctl({"rf", "apdu", "b", "00A4000002" "0"}).code, 3);
  EXPECT_EQ(sim.ctl({"rf", "deactivate"}).lines, QStringList{"Deactivate | Deactivate success"});
  EXPECT_EQ(sim.ctl({"rf", "status"}).lines, QStringList{"Inquire Status | The RF Card is activated / Non_card"});
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
