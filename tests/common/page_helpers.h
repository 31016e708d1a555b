// SPDX-License-Identifier: MIT
#pragma once
// Looking at and typing into the pages of a main window in the window tests.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "core/base/notifier.h"
#include "gui/app/reader_main_b.h"
#include "gui_fixture.h"

namespace page_test {

// Records messages and lets a test look at the window at the moment one appears.
struct WatchingNotifier : kvt::RecordingNotifier {
  std::function<void(const kvt::Message&)> onShow;
  void show(const kvt::Message& m) override {
    if (onShow) onShow(m);
    RecordingNotifier::show(m);
  }
};

inline QStringList tabCaptions(QTabWidget* tabs) {
  QStringList out;
  for (int i = 0; i < tabs->count(); ++i) out << tabs->tabText(i);
  return out;
}

inline QString buddyText(QWidget* root, QWidget* field) {
  for (auto* l : root->findChildren<QLabel*>())
    if (l->buddy() == field) return l->text();
  return QStringLiteral("<no label>");
}

inline void typeInto(QWidget* w, const QString& keys) {
  for (QChar c : keys) QTest::keyClick(w, c.toLatin1());
}

// Types where a user types: `box` gets the focus, the keys go to the focused widget.
inline void typeAsUser(QWidget* box, const QString& keys) {
  box->setFocus();
  typeInto(QApplication::focusWidget(), keys);
}

// The bytes the simulated reader received while `act` ran.
inline QByteArray receivedDuring(sim::PtyHost& host, const std::function<void()>& act) {
  const size_t before = host.received().size();
  act();
  const std::vector<uint8_t> rx = host.received();
  return QByteArray(reinterpret_cast<const char*>(rx.data()) + before, static_cast<int>(rx.size() - before));
}

// After a list entry has gone out once, typed APDUs go out exactly as typed, lower-case
// digits raised: nothing completed from the list, nothing dropped. `send` clicks the button.
inline void checkTypedApdusGoOut(sim::PtyHost& host, QComboBox* cmd, const std::function<void()>& send) {
  cmd->setCurrentIndex(0);  // "0084000008"
  QCOMPARE(cmd->currentText(), QStringLiteral("0084000008"));
  send();
  for (const char* typed : {"00a4040007a0000000031010", "0084"}) {
    cmd->clearEditText();
    typeAsUser(cmd, QString::fromLatin1(typed));
    QCOMPARE(cmd->currentText(), QString::fromLatin1(typed).toUpper());
    const QByteArray sent = receivedDuring(host, send);
    // The APDU and the frame's end byte, nothing between.
    QVERIFY2(sent.contains(QByteArray::fromHex(typed) + '\x03'), sent.toHex(' ').constData());
  }
}

// The variant-B main window on a fresh simulated reader at COM1: start() in init(), stop()
// in cleanup().
struct MainBFixture {
  std::unique_ptr<kvt::Simulation> simulation_;
  kvt::PortMap ports_;
  kvt::AppState state_;
  WatchingNotifier notifier_;
  std::unique_ptr<kvt::KVT_730_B_ReaderMain> window_;

  // `boxes`: the window's messages go there instead of to notifier_ (real message boxes).
  bool start(kvt::Notifier* boxes = nullptr) {
    simulation_ = std::make_unique<kvt::Simulation>();
    state_ = kvt::AppState{};
    notifier_.messages.clear();
    notifier_.onShow = nullptr;
    notifier_.answer = true;
    notifier_.safeAnswer.reset();
    if (!simulation_->start(ports_)) return false;
    window_ = std::make_unique<kvt::KVT_730_B_ReaderMain>(state_, boxes ? *boxes : notifier_, ports_,
                                                          gui_test::fastTimeouts());
    return true;
  }
  void stop() {
    window_.reset();
    simulation_.reset();
  }
  QStringList texts() const {
    QStringList t;
    for (const auto& m : notifier_.messages) t << m.text;
    return t;
  }
  int commandsSeen() {
    int n = 0;
    simulation_->host().withReader([&](sim::Reader& r) { n = r.commandsSeen(); });
    return n;
  }
};

}  // namespace page_test
