// SPDX-License-Identifier: MIT
// Qualification on the simulated reader through a real serial port: the checks in their
// order, what each finds, and how a run without a card, with a jam, with a silent reader or
// with a stop ends.
#include <QStringList>

#include "core/qualify/qualify_run.h"
#include "link_fixture.h"
#include "sim/cards/contact_commands.h"
#include "sim/command_handler.h"

using namespace kvt;
using namespace kvt::qualify;

namespace {

// Sensor status answered with a byte that is neither "0" nor "1".
class OddSensors : public sim::CommandHandler {
 public:
  sim::Reply handle(const sim::Command& cmd, sim::ReaderState&) override {
    return cmd.pm == '1' ? sim::Reply::ok(std::string("000020000000")) : sim::Reply::ok();
  }
};

class QualifyRunTest : public test::LinkTest {
 protected:
  QualifyResult run(QualifyPlan plan = {}, const QualifyHooks& hooks = {}) {
    plan.portName = QStringLiteral("COM1");
    return RunQualify(session, plan, hooks);
  }
  static QStringList names(const QualifyResult& r) {
    QStringList out;
    for (const CheckResult& c : r.checks) out << c.name;
    return out;
  }
  // "PASS link", "SKIP move ic: why"...
  static QStringList verdicts(const QualifyResult& r, bool details = false) {
    QStringList out;
    for (const CheckResult& c : r.checks)
      out << VerdictWord(c.verdict) + QLatin1Char(' ') + c.name + (details ? QStringLiteral(": ") + c.detail : QString());
    return out;
  }
  std::string sent() const {
    const auto rx = host.received();
    return std::string(rx.begin(), rx.end());
  }
};

}  // namespace

TEST_F(QualifyRunTest, AGoodUnitPassesEveryCheckInItsOrder) {
  const QualifyResult r = run();
  EXPECT_EQ(names(r), (QStringList{"link", "initialize", "serial number", "configuration", "capture counter",
                                   "card status", "sensor status", "entry allow", "entry forbid", "move ic", "ic type",
                                   "move rf", "rf type", "move front-hold", "move front"}));
  for (const CheckResult& c : r.checks) EXPECT_EQ(c.verdict, Verdict::Pass) << c.name.toStdString() << ": " << c.detail.toStdString();
  EXPECT_TRUE(r.passed());
  EXPECT_EQ(r.end, RunEnd::Finished);
  EXPECT_EQ(r.unit.serial, QStringLiteral("KVT730MA10012345"));
  EXPECT_EQ(r.unit.firmware, QStringLiteral("KVT730-RAVI V1.05"));
  EXPECT_EQ(r.unit.counter, QStringLiteral("000"));
  EXPECT_EQ(r.unit.configuration.value(0), QStringLiteral("KVT-730"));
  EXPECT_EQ(r.checks[10].detail, QStringLiteral("T=0 CPU Card"));
  EXPECT_EQ(r.checks[12].detail, QStringLiteral("S50 card"));
  EXPECT_EQ(r.checks[6].detail, QStringLiteral("12 sensors: 000000100011"));
  EXPECT_TRUE(r.checks[9].detail.startsWith(QStringLiteral("There is card at RF/IC card operation position")));
  // The operations' messages went into the results, none to the user; the log is the run's.
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_TRUE(r.log.startsWith(QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n"))) << r.log.left(80).toStdString();
  EXPECT_TRUE(r.log.contains(QStringLiteral("SD: F2 00 00 03 43 32 31 03 B2 \r\n")));
  bool entry = true;
  reader([&](sim::Reader& rd) { entry = rd.entryAllowed(); });
  EXPECT_FALSE(entry);  // "entry forbid" came last
}

TEST_F(QualifyRunTest, WithoutACardThePathIsSkippedWithItsReasonAndNothingMoves) {
  reader([](sim::Reader& rd) { rd.setStackerCards(0); });
  const QualifyResult r = run();
  EXPECT_TRUE(r.passed());
  const QString why = QStringLiteral("no card in the reader and the stacker is empty");
  EXPECT_EQ(verdicts(r, true).mid(9), (QStringList{"SKIP move ic: " + why, "SKIP ic type: " + why, "SKIP move rf: " + why,
                                                   "SKIP rf type: " + why, "SKIP move front-hold: " + why,
                                                   "SKIP move front: " + why}));
  EXPECT_EQ(sent().find("\x43\x32"), std::string::npos);  // no move command went out

  // The user says a card is inside, but the reader has none: the first move fails, as the reader says.
  QualifyPlan plan;
  plan.cardInside = true;
  plan.path = QStringList{"ic", "bin"};
  const QualifyResult told = run(plan);
  EXPECT_FALSE(told.passed());
  EXPECT_EQ(verdicts(told, true).mid(9),
            (QStringList{"FAIL move ic: negative reply A0: Card issuing machine stack (boxes) and the channels are non-card",
                         "SKIP ic type: the card did not reach the IC position",
                         "FAIL move bin: negative reply A0: Card issuing machine stack (boxes) and the channels are non-card",
                         "SKIP rf type: the path does not visit the RF position"}));
}

TEST_F(QualifyRunTest, WhatTheTypeChecksFindAndWhenTheyStandAside) {
  reader([](sim::Reader& rd) { sim::setContactCardKind(rd.state(), "none"); });
  QualifyPlan plan;
  plan.path = QStringList{"rf", "ic"};
  const QualifyResult r = run(plan);
  EXPECT_EQ(verdicts(r).mid(9), (QStringList{"PASS move rf", "PASS rf type", "PASS move ic", "SKIP ic type"}));
  EXPECT_EQ(r.checks[10].detail, QStringLiteral("S50 card"));
  EXPECT_EQ(r.checks[12].detail, QStringLiteral("no contact card found (Unknow Type)"));
  EXPECT_TRUE(r.passed());

  session.variant = Variant::M;
  const QualifyResult m = run(plan);
  EXPECT_TRUE(m.checks[6].detail.startsWith(QStringLiteral("8 sensors: "))) << m.checks[6].detail.toStdString();
  EXPECT_EQ(m.checks[6].detail.size(), 19);
  EXPECT_EQ(m.checks[10].detail, QStringLiteral("variant M detects no card types"));
  EXPECT_EQ(m.unit.variant, Variant::M);
}

TEST_F(QualifyRunTest, AJamFailsTheMoveWithTheReadersText) {
  reader([](sim::Reader& rd) {
    sim::Reader::Motion m;
    m.jamRate = 1;
    rd.setMotion(m);
  });
  const QualifyResult r = run();
  EXPECT_EQ(verdicts(r, true).mid(9, 2), (QStringList{"FAIL move ic: negative reply 10: Card jam",
                                                      "SKIP ic type: the card did not reach the IC position"}));
  EXPECT_EQ(r.checks[9].motion->failure, FailureClass::Negative);
  EXPECT_FALSE(r.passed());
  EXPECT_EQ(r.end, RunEnd::Finished);
}

TEST_F(QualifyRunTest, SensorBytesOtherThanZeroOrOneFail) {
  reader([](sim::Reader& rd) { rd.addHandler(0x31, std::make_unique<OddSensors>()); });
  const QualifyResult r = run();
  EXPECT_EQ(verdicts(r, true).value(6), QStringLiteral("FAIL sensor status: Sensor 5 (PSS5) reads 32"));
}

TEST_F(QualifyRunTest, ASilentReaderFailsTheLinkAndSkipsTheRest) {
  reader([](sim::Reader& rd) {
    sim::Fault f;
    f.kind = sim::FaultKind::Silent;
    f.once = false;
    rd.setFault(f);
  });
  const QualifyResult r = run();
  EXPECT_EQ(verdicts(r, true).mid(0, 3), (QStringList{"FAIL link: Probe: ERROR", "SKIP initialize: the reader stopped answering",
                                                      "SKIP serial number: the reader stopped answering"}));
  EXPECT_EQ(r.end, RunEnd::LinkFailed);
  EXPECT_FALSE(r.passed());
}

TEST_F(QualifyRunTest, AStopSkipsWhatIsLeftAndAClosedPortSendsNothing) {
  int asked = 0;
  QualifyHooks hooks;
  hooks.stopRequested = [&asked] { return ++asked > 6; };  // two looks per check: stops after the third
  const QualifyResult r = run({}, hooks);
  EXPECT_EQ(verdicts(r).mid(0, 5), (QStringList{"PASS link", "PASS initialize", "PASS serial number", "SKIP configuration",
                                                "SKIP capture counter"}));
  EXPECT_EQ(r.checks[4].detail, QStringLiteral("stopped"));
  EXPECT_EQ(r.end, RunEnd::Stopped);
  EXPECT_FALSE(r.passed());

  state.PortOpened = false;
  const size_t before = host.received().size();
  const QualifyResult closed = run();
  EXPECT_EQ(closed.end, RunEnd::PortClosed);
  EXPECT_TRUE(closed.checks.empty());
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0], (Message{MessageIcon::Warning, "Caution", "Comm. Port Setup First"}));
  EXPECT_EQ(host.received().size(), before);
}
