// SPDX-License-Identifier: MIT
// Wear runs on the simulated reader through a real serial port: every motion counted, each
// failure in one class, and the ways a run ends early.
#include <QJsonDocument>

#include "core/qualify/run_json.h"
#include "core/qualify/wear_run.h"
#include "link_fixture.h"
#include "sim/command_handler.h"

using namespace kvt;
using namespace kvt::qualify;

namespace {

// Answers every move positively and leaves the card where it was.
class MoveGoesNowhere : public sim::CommandHandler {
 public:
  sim::Reply handle(const sim::Command&, sim::ReaderState&) override { return sim::Reply::ok(); }
};

class WearRunTest : public test::LinkTest {
 protected:
  WearResult run(qint64 cycles, QStringList path = {"ic", "rf"}, const WearHooks& hooks = {}, int maxMs = 3000,
                 bool untilFailure = false) {
    WearPlan plan;
    plan.portName = QStringLiteral("COM1");
    plan.cycles = cycles;
    plan.path = path;
    plan.maxMotionMs = maxMs;
    plan.untilFailure = untilFailure;
    WearResult r;
    RunWear(session, plan, r, hooks);
    return r;
  }
  void motion(int ms, double jam = 0, uint32_t seed = 1) {
    reader([&](sim::Reader& rd) {
      sim::Reader::Motion m;
      m.motionMs = ms;
      m.jamRate = jam;
      m.seed = seed;
      rd.setMotion(m);
    });
  }
  long long movesMade() {
    long long n = 0;
    reader([&](sim::Reader& rd) { n = rd.motionsMade(); });
    return n;
  }
};

}  // namespace

TEST_F(WearRunTest, EveryMotionCountsAndAJamIsANegativeFailureOnly) {
  motion(0, 0.3, 5);
  const WearResult r = run(40, {"ic", "rf", "ic"});
  EXPECT_EQ(r.end, RunEnd::Finished);
  EXPECT_EQ(r.cycles, 40);
  ASSERT_EQ(r.motions.size(), 2u);  // "ic" twice a cycle is one motion
  const MotionSummary ic = r.motions[0].summary(), rf = r.motions[1].summary();
  EXPECT_EQ(ic.count, 80);
  EXPECT_EQ(rf.count, 40);
  EXPECT_EQ(movesMade(), 120);
  EXPECT_EQ(ic.timed, 80);  // a jam is an answer: its time counts
  const qint64 jams = ic.failuresOf(FailureClass::Negative) + rf.failuresOf(FailureClass::Negative);
  EXPECT_GT(jams, 10);
  EXPECT_EQ(r.failureCount, jams);
  for (const MotionSummary& s : {ic, rf}) {
    EXPECT_EQ(s.failuresOf(FailureClass::Position), 0);
    EXPECT_EQ(s.failuresOf(FailureClass::Exchange), 0);
  }
  ASSERT_FALSE(r.failures.empty());
  EXPECT_EQ(r.failures[0].code, QStringLiteral("10"));
  EXPECT_EQ(r.failures[0].text, QStringLiteral("negative reply 10: Card jam"));
  EXPECT_FALSE(r.passed());
  EXPECT_EQ(r.unit.serial, QStringLiteral("KVT730MA10012345"));
  EXPECT_TRUE(notifier.messages.empty());

  const QJsonObject json = WearJson(r);
  EXPECT_EQ(json.value("verdict").toString(), QStringLiteral("fail"));
  EXPECT_EQ(json.value("cycles").toInt(), 40);
  const QJsonObject icJson = json.value("motions").toObject().value("ic").toObject();
  EXPECT_EQ(icJson.value("count").toInt(), 80);
  EXPECT_EQ(icJson.value("failures").toObject().value("negative").toInt(), ic.failuresOf(FailureClass::Negative));
  EXPECT_EQ(icJson.value("failures").toObject().keys(), (QStringList{"exchange", "negative", "position", "slow"}));
  EXPECT_DOUBLE_EQ(icJson.value("median_ms").toDouble(), RoundMs(ic.medianMs));
}

TEST_F(WearRunTest, SlowAndMisplacedMotionsFailInTheirOwnClasses) {
  motion(40);
  const WearResult slow = run(3, {"ic"}, {}, 20);
  EXPECT_EQ(slow.motions[0].summary().failuresOf(FailureClass::Slow), 3);
  EXPECT_GE(slow.motions[0].summary().minMs, 38.0);
  EXPECT_TRUE(run(3, {"ic"}, {}, 10000).passed());

  motion(0);
  reader([](sim::Reader& rd) {
    rd.setCardPosition(sim::CardPos::None);
    rd.addHandler(0x32, std::make_unique<MoveGoesNowhere>());
  });
  const WearResult lost = run(2, {"ic", "front-hold"});
  EXPECT_EQ(lost.motions[0].summary().failuresOf(FailureClass::Position), 2);
  EXPECT_EQ(lost.failures[0].text, QStringLiteral("not confirmed: the card status says \"No card in card channel\""));
  EXPECT_EQ(lost.failureCount, 4);
}

TEST_F(WearRunTest, TheRunEndsAtTheFirstFailureOrWhenTheLinkIsGone) {
  motion(0, 1.0);
  const WearResult first = run(100, {"ic", "rf"}, {}, 3000, true);
  EXPECT_EQ(first.end, RunEnd::StoppedAtFailure);
  EXPECT_EQ(first.motions[0].summary().count + first.motions[1].summary().count, 1);
  EXPECT_EQ(first.cycles, 0);
  EXPECT_EQ(first.cyclesBegun, 1);

  motion(0);
  reader([](sim::Reader& rd) {
    sim::Fault f;
    f.kind = sim::FaultKind::Silent;
    f.once = false;
    rd.setFault(f);
  });
  session.engine.setTimeouts(Timeouts{}.scaled(50));
  const WearResult gone = run(100);
  EXPECT_EQ(gone.end, RunEnd::LinkFailed);
  EXPECT_EQ(gone.failureCount, kExchangeFailuresInARow);
  EXPECT_EQ(gone.motions[0].summary().failuresOf(FailureClass::Exchange), 2);
  EXPECT_EQ(gone.motions[0].summary().timed, 0);  // no answer, no time
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(WearRunTest, AStopEndsTheRunBeforeTheNextMotion) {
  int motions = 0;
  WearHooks hooks;
  hooks.motionDone = [&motions](int, qint64, const MotionOutcome&) { ++motions; };
  hooks.stopRequested = [&motions] { return motions >= 7; };
  const WearResult r = run(0, {"ic", "rf"}, hooks);
  EXPECT_EQ(r.end, RunEnd::Stopped);
  EXPECT_EQ(r.motions[0].summary().count + r.motions[1].summary().count, 7);
  EXPECT_EQ(r.cycles, 3);
  EXPECT_FALSE(r.passed());
  EXPECT_EQ(QJsonDocument(WearJson(r)).toJson(QJsonDocument::Compact).left(38),
            QByteArray("{\"cycles\":3,\"motions\":{\"ic\":{\"count\":4"));
}
