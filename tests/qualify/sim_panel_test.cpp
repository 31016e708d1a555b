// SPDX-License-Identifier: MIT
// The simulator panel: the motion of its reader set from the panel, boxes that keep their
// place whatever the values, and a status line that follows what the reader did last.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "gui/app/chooser_window.h"
#include "gui/app/sim_control_window.h"
#include "gui_fixture.h"
#include "sim/cards/contact_chip.h"
#include "sim/cards/rf_card.h"

using namespace gui_test;
using kvt::Variant;

class SimPanelTest : public QObject {
  Q_OBJECT
 private slots:
  void setsTheMotionKeepsItsWidthAndFollowsTheReader();
  void labelledFieldsAreNamedAfterTheirLabels();
};

void SimPanelTest::setsTheMotionKeepsItsWidthAndFollowsTheReader() {
  Rig rig;
  QVERIFY(rig.start());
  auto w = kvt::CreateMainWindow(Variant::B, rig.state, rig.notifier, rig.ports, fastTimeouts());
  openPort(*w);
  kvt::SimControlWindow panel(rig.simulation.host());
  panel.show();
  QVERIFY(QTest::qWaitForWindowExposed(&panel));
  QList<QRect> boxes;
  for (QGroupBox* b : panel.findChildren<QGroupBox*>()) boxes << b->geometry();
  QCOMPARE(boxes.size(), 4);

  find<QSpinBox>(&panel, "SimMotionMs")->setValue(15);
  find<QSpinBox>(&panel, "SimWearMs")->setValue(7);
  find<QDoubleSpinBox>(&panel, "SimJamRate")->setValue(100);
  find<QSpinBox>(&panel, "SimSeed")->setValue(99);
  find<QSpinBox>(&panel, "SimStackerCards")->setValue(99999);
  click(&panel, "SimApplyMotion");
  sim::Reader::Motion m;
  int stacker = 0;
  rig.withReader([&](sim::Reader& r) {
    m = r.motion();
    stacker = r.stackerCards();
  });
  QCOMPARE(m.motionMs, 15);
  QCOMPARE(m.wearMsPer1000, 7);
  QCOMPARE(m.jamRate, 1.0);
  QCOMPARE(m.seed, 99u);
  QCOMPARE(stacker, 99999);

  kvt::CardStatus(w->session(), "0");
  panel.refresh();
  QCOMPARE(find<QLabel>(&panel, "SimReaderStatus")->text(),
           QString("card status (31h 30h): positive reply; card none"));
  kvt::MoveCard(w->session(), "0", kvt::Movement::IC);
  panel.refresh();
  QCOMPARE(find<QLabel>(&panel, "SimReaderStatus")->text(),
           QString("move to the IC position (32h 31h): negative reply 10 (Card jam); card none"));
  QCOMPARE(find<QLabel>(&panel, "SimMovesMade")->text(), QString("1"));

  // Wide values everywhere: not one box moves.
  rig.withReader([](sim::Reader& r) { r.setMotion({}); });
  click(&panel, "SimInsertCard");
  rig.withReader([](sim::Reader& r) {
    r.setBinCards(12345);
    sim::Fault f;
    f.kind = sim::FaultKind::ShortRemainder;
    f.once = false;
    r.setFault(f);
  });
  panel.refresh();
  QCoreApplication::processEvents();
  QList<QRect> after;
  for (QGroupBox* b : panel.findChildren<QGroupBox*>()) after << b->geometry();
  QCOMPARE(after, boxes);
  QCOMPARE(find<QLabel>(&panel, "SimResult")->text(), QString("Card inserted at the front gate."));
}

// Screen readers announce each field by its label: the name, the description and the
// label's buddy all agree. The kind boxes offer every kind the simulator's options know.
void SimPanelTest::labelledFieldsAreNamedAfterTheirLabels() {
  Rig rig;
  QVERIFY(rig.start());
  kvt::SimControlWindow panel(rig.simulation.host());
  const QList<QPair<const char*, QString>> fields = {{"SimChipKind", "Chip:"},
                                                     {"SimRfKind", "Contactless:"},
                                                     {"SimStackerCards", "Fill stacker:"},
                                                     {"SimFaultKind", "Kind:"},
                                                     {"SimNegativeCode", "Negative code:"}};
  const QList<QLabel*> labels = panel.findChildren<QLabel*>();
  for (const auto& f : fields) {
    auto* w = find<QWidget>(&panel, f.first);
    QCOMPARE(w->accessibleName(), f.second);
    QCOMPARE(w->accessibleDescription(), f.second);
    QVERIFY2(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == w && l->text() == f.second; }),
             f.first);
  }
  QCOMPARE(find<QComboBox>(&panel, "SimChipKind")->count(), static_cast<int>(sim::contactChipKinds().size()));
  QCOMPARE(find<QComboBox>(&panel, "SimRfKind")->count(), static_cast<int>(sim::rfCardKinds().size()));
}

QTEST_MAIN(SimPanelTest)
#include "sim_panel_test.moc"
