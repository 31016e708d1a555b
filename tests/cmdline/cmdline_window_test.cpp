// SPDX-License-Identifier: MIT
// The command-line window offscreen, opened from the variant-B main window against the
// simulated reader: its place, controls, runs and the repeat counter, Setp, Resume, Stop,
// Cancel and Close during a run, a long run's bounded lists, and the files.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <malloc.h>

#include "core/link/frame.h"
#include "gui/app/reader_main_b.h"
#include "gui/cmdline/cmdline_window.h"
#include "gui/gui_fixture.h"
#include "test_files.h"

using namespace gui_test;
using kvt::ButtonSet;
using Form = kvt::KVT_730_B_CMDExuteForm;
using test_files::readFile;

namespace {

kvt::ButtonStates states(Form& f) {
  auto on = [&](const char* name) { return find<QWidget>(&f, name)->isEnabled(); };
  return {on("CmdExBtn"), on("CmdResumeBtn"), on("CmdStepBtn"), on("CmdStopBtn"), on("CmdCANCLEBtn"),
          on("CmdStrText")};
}
QString text(Form& f, const char* name) {
  if (auto* l = find<QLabel>(&f, name)) return l->text();
  if (auto* e = find<QLineEdit>(&f, name)) return e->text();
  return find<QPlainTextEdit>(&f, name)->toPlainText();
}
void setText(Form& f, const char* name, const QString& t) {
  if (auto* e = find<QLineEdit>(&f, name)) e->setText(t);
  else find<QPlainTextEdit>(&f, name)->setPlainText(t);
}
QString marked(Form& f) { return find<QPlainTextEdit>(&f, "CmdStrText")->textCursor().selectedText(); }
QStringList entries(Form& f, const char* list) {
  QStringList out;
  auto* l = find<QListWidget>(&f, list);
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}
// Clicks the button while the first line's exchange waits for the reader, after `look`.
void clickDuringFirstExchange(Form& f, const QByteArray& button, const std::function<void()>& look = {}) {
  auto handlePending = f.transport().processPendingInput;
  auto armed = std::make_shared<bool>(false);
  f.transport().processPendingInput = [&f, button, handlePending, armed, look] {
    handlePending();
    if (std::exchange(*armed, true)) return;
    QTimer::singleShot(0, &f, [&f, button, look] {
      if (look) look();
      click(&f, button.constData());
    });
  };
}

}  // namespace

class CmdLineWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void opensWithThePortOpenAndRunsTheRepeatCounterDown();
  void setpSkipsCommentsWrapsAroundAndResumeGoesOn();
  void stopCancelOrCloseBeforeTheNextLine_data();
  void stopCancelOrCloseBeforeTheNextLine();
  void loadSaveAndSaveTo();
  void aLongRunDropsOldRowsSaysSoAndHoldsNoMoreMemory();

 private:
  std::unique_ptr<Rig> rig_;
  std::unique_ptr<kvt::KVT_730_B_ReaderMain> main_;
  QStringList opened_;
  int before_ = 0;

  // Opens the port, then the command-line window with short waits, and runs body in it.
  void withForm(const std::function<void(Form&)>& body) {
    openPort(*main_);
    QVERIFY(rig_->state.PortOpened);
    before_ = commands();
    rig_->notifier.messages.clear();
    main_->runDialog = [this, body](QDialog& d) {
      opened_ << d.objectName();
      auto& form = dynamic_cast<Form&>(d);
      form.transport().setTimeouts({1000, 3000, 2000, 300});
      form.controller().stepDelayMs = 10;
      body(form);
    };
    click(main_.get(), "OpenCmdFormBtn");
  }
  int commands() {
    int n = 0;
    rig_->withReader([&](sim::Reader& r) { n = r.commandsSeen(); });
    return n;
  }
  int sent() { return commands() - before_; }
  QString lastMessage() const {
    return rig_->notifier.messages.empty() ? QString() : rig_->notifier.messages.back().text;
  }
};

void CmdLineWindowTest::init() {
  rig_ = std::make_unique<Rig>();
  QVERIFY(rig_->start());
  main_ = std::make_unique<kvt::KVT_730_B_ReaderMain>(rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
  opened_.clear();
}

void CmdLineWindowTest::cleanup() {
  main_.reset();
  rig_.reset();
}

void CmdLineWindowTest::opensWithThePortOpenAndRunsTheRepeatCounterDown() {
  main_->runDialog = [this](QDialog& d) { opened_ << d.objectName(); };
  QCOMPARE(find<QPushButton>(main_.get(), "OpenCmdFormBtn")->text(), QStringLiteral("Command Line"));
  click(main_.get(), "OpenCmdFormBtn");
  QCOMPARE(opened_, QStringList());
  QCOMPARE(rig_->notifier.messages.back(),
           (kvt::Message{kvt::MessageIcon::Warning, "Caution", "Comm. Port Setup First"}));

  main_->show();
  withForm([&](Form& f) {
    // Placed centred over the main window before it shows: left to Qt, a window nearly as
    // tall as the main window goes flush with the top of a screen without window manager.
    QVERIFY(f.testAttribute(Qt::WA_Moved));
    f.show();
    const QPoint off = f.frameGeometry().center() - main_->frameGeometry().center();
    QVERIFY2(off.manhattanLength() <= 1, qPrintable(QStringLiteral("%1,%2 off centre").arg(off.x()).arg(off.y())));
    QVERIFY(f.frameGeometry().top() > main_->frameGeometry().top());
    QCOMPARE(f.windowTitle(), QStringLiteral("FORM OF COMMAND LINE"));
    QCOMPARE(f.minimumSize(), QSize(806, 688));
    QCOMPARE(f.maximumSize(), QSize(806, 688));
    auto* tabs = find<QTabWidget>(&f, "SSTab1");
    QCOMPARE(QStringList({tabs->tabText(0), tabs->tabText(1)}), QStringList({"COMMAND", "MONITOR"}));
    const QList<QPair<const char*, QString>> buttons = {
        {"ImportCmdStrText", "Load"}, {"SaveCmdStrText", "Save"}, {"CmdExBtn", "Start"}, {"CmdStepBtn", "Setp"},
        {"CmdResumeBtn", "Resume"}, {"CmdStopBtn", "Stop"}, {"CmdCANCLEBtn", "Cancel"},
        {"ClearCmdStrBackText", "Clear Data"}, {"ClearSDTDText", "Clear Data"}, {"SaveSDTDText", "Save To"},
        {"EXITGRM", "Close"}, {"CheckRecord", "保留记录"}};
    for (const auto& [name, caption] : buttons) {
      auto* b = find<QAbstractButton>(&f, name);
      QVERIFY2(b, name);
      QCOMPARE(b->text(), caption);
      QCOMPARE(b->accessibleName(), caption);
    }
    QCOMPARE(find<QGroupBox>(&f, "ICframeComm")->title(), QStringLiteral("Repeat Counter"));
    QCOMPARE(find<QLineEdit>(&f, "LianXuText")->accessibleName(), QStringLiteral("Repeat Counter"));
    QCOMPARE(find<QListWidget>(&f, "CmdStrBackList")->accessibleName(), QStringLiteral("COMMAND"));
    QCOMPARE(find<QListWidget>(&f, "lstResults")->accessibleName(), QStringLiteral("MONITOR"));
    const QStringList start = {"C04\n", "1", "0", "", "", "", "", ""};
    QStringList now;
    for (const char* n : {"CmdStrText", "LianXuText", "Label1", "Label2", "Label3", "Label6", "Label7", "Label8"})
      now << text(f, n);
    QCOMPARE(now, start);
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Idle));

    // The repeat counter refuses values below 1 and above what it holds, then counts down.
    for (const char* value : {"0", "-3", "abc", "99999999999"}) {
      setText(f, "LianXuText", QString::fromLatin1(value));
      for (const char* button : {"CmdExBtn", "CmdStepBtn"}) click(&f, button);
      QCOMPARE(rig_->notifier.messages.size(), size_t(2));
      // More than the counter holds is said so, not run as 2147483647 repetitions.
      QCOMPARE(rig_->notifier.messages.back(),
               (kvt::Message{kvt::MessageIcon::Warning, "Caution",
                             value[0] == '9' ? "The Value should <= 2147483647" : "The Value should > 0"}));
      QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Idle));
      rig_->notifier.messages.clear();
    }
    QCOMPARE(sent(), 0);

    setText(f, "CmdStrText", QStringLiteral("C10\n\nC11\n\n\nC10\n"));
    setText(f, "LianXuText", QStringLiteral("3"));
    QStringList label1;  // as each command is about to go
    auto handlePending = f.transport().processPendingInput;
    f.transport().processPendingInput = [&] {
      label1 << text(f, "Label1");
      handlePending();
    };
    click(&f, "CmdExBtn");
    QCOMPARE(text(f, "CmdStrText"), QStringLiteral("C10\nC11\nC10"));  // blank lines removed
    QCOMPARE(label1, (QStringList{"3", "3", "3", "2", "2", "2", "1", "1", "1"}));
    QCOMPARE(text(f, "Label1"), QStringLiteral("0"));
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Finished));
    QCOMPARE(entries(f, "lstResults").size(), 9 * 5);
    QCOMPARE(entries(f, "CmdStrBackList").size(), 9 * 11);
    QCOMPARE(marked(f), QString());
    // The figures are named on screen and for screen readers.
    QCOMPARE(hiddenValues(&f), QStringList());
    QStringList captions;
    for (const char* figure : {"Label1", "Label2", "Label3", "Label6", "Label7", "Label8"})
      captions << find<QLabel>(&f, figure)->accessibleName();
    QCOMPARE(captions, (QStringList{"To run:", "Lines", "Current line", "Repeat count", "Repeats left", "Steps"}));
  });
  QCOMPARE(opened_, QStringList{"KVT_730_B_CMDExuteForm"});
  QCOMPARE(sent(), 9);
  QVERIFY(rig_->notifier.messages.empty());
}

void CmdLineWindowTest::setpSkipsCommentsWrapsAroundAndResumeGoesOn() {
  withForm([&](Form& f) {
    setText(f, "CmdStrText", QStringLiteral("C10\n#x\nC11"));
    setText(f, "LianXuText", QStringLiteral("2"));
    click(&f, "CmdExBtn");  // the comment line ends the run
    QCOMPARE(sent(), 1);
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Finished));
    QCOMPARE(text(f, "Label1"), QStringLiteral("2"));
    // Setp: C10 sent with "#x" marked next; "#x" skipped; C11 sent and back to line 0.
    const QList<std::tuple<int, QString, QString>> steps = {{2, "#x", "1"}, {2, "C11", "2"}, {3, "", "0"}};
    for (const auto& [total, mark, stepCounter] : steps) {
      click(&f, "CmdStepBtn");
      QCOMPARE(sent(), total);
      QCOMPARE(marked(f), mark);
      QCOMPARE(text(f, "Label8"), stepCounter);
    }
    QCOMPARE(text(f, "Label1"), QStringLiteral("1"));
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Paused));

    setText(f, "CmdStrText", QStringLiteral("C10\nC11\nC1X"));
    setText(f, "LianXuText", QStringLiteral("1"));
    struct Step {
      QString mark, label1, label8;
      ButtonSet set;
    };
    const QList<Step> wrap = {{"C11", "1", "1", ButtonSet::Paused},
                              {"C1X", "1", "2", ButtonSet::Paused},
                              {"", "0", "0", ButtonSet::Finished},   // the reader refuses C1X
                              {"C11", "1", "1", ButtonSet::Paused}};  // C10 again
    for (const Step& s : wrap) {
      click(&f, "CmdStepBtn");
      QCOMPARE(marked(f), s.mark);
      QCOMPARE(find<QPlainTextEdit>(&f, "CmdStrText")->font().bold(), !s.mark.isEmpty());
      QCOMPARE(QStringList({text(f, "Label1"), text(f, "Label8")}), QStringList({s.label1, s.label8}));
      QCOMPARE(states(f), kvt::StatesOf(s.set));
    }
    QCOMPARE(sent(), 3 + 4);
    QCOMPARE(rig_->notifier.messages,
             (std::vector<kvt::Message>{
                 {kvt::MessageIcon::Information, "Negative response:01", "Parameter is not correct"}}));

    // Resume goes on from the marked line for the repetitions Label1 holds, whatever the
    // repeat box says: lines 1 and 2.
    setText(f, "LianXuText", QStringLiteral("3"));
    click(&f, "CmdResumeBtn");
    QCOMPARE(sent(), 7 + 2);
    QCOMPARE(text(f, "Label1"), QStringLiteral("0"));
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Finished));
  });
}

void CmdLineWindowTest::stopCancelOrCloseBeforeTheNextLine_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("message");
  QTest::newRow("Stop") << "CmdStopBtn" << "Stop communication process";
  QTest::newRow("Cancel") << "CmdCANCLEBtn" << "Cancel communication process";
  QTest::newRow("Close") << "EXITGRM" << "Cancel communication process";
}

void CmdLineWindowTest::stopCancelOrCloseBeforeTheNextLine() {
  QFETCH(QString, button);
  QFETCH(QString, message);
  withForm([&](Form& f) {
    f.show();
    setText(f, "CmdStrText", QStringLiteral("C10\nC10\nC10"));
    setText(f, "LianXuText", QStringLiteral("5"));
    rig_->withReader([](sim::Reader& r) { r.setReplyDelayMs(400); });
    // While the reply is awaited, the window shows the line being sent and its block.
    QString markedMeanwhile;
    QStringList blockMeanwhile;
    clickDuringFirstExchange(f, button.toLatin1(), [&] {
      markedMeanwhile = marked(f);
      blockMeanwhile = entries(f, "CmdStrBackList");
    });
    click(&f, "CmdExBtn");
    QCOMPARE(markedMeanwhile, QStringLiteral("C10"));
    QCOMPARE(blockMeanwhile.mid(2), (QStringList{"Command:31h,  Parameter:30h", "Data(Hex):<No data>", ""}));
    QCOMPARE(sent(), 1);  // the line in its exchange, then no other
    QCOMPARE(lastMessage(), message);
    QCOMPARE(states(f), kvt::StatesOf(ButtonSet::Finished));
    QCOMPARE(text(f, "Label1"), QStringLiteral("0"));
    const std::vector<uint8_t> rx = rig_->simulation.host().received();
    QCOMPARE(rx.back() == kvt::EOT, button != QLatin1String("CmdStopBtn"));  // Close cancels first
    QCOMPARE(f.isVisible(), button != QLatin1String("EXITGRM"));
  });
}

void CmdLineWindowTest::loadSaveAndSaveTo() {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("IN.TXT")), out = dir.filePath(QStringLiteral("OUT.TXT"));
  QVERIFY(test_files::writeFile(in, "  C10\r\n\r\nC11  \r\n"));
  QFile::copy(in, out);
  withForm([&](Form& f) {
    QString chosen;
    f.chooseOpenPath = f.chooseSavePath = [&] { return chosen; };
    click(&f, "ImportCmdStrText");  // cancelled
    QCOMPARE(text(f, "CmdStrText"), QStringLiteral("C04\n"));
    chosen = in;
    click(&f, "ImportCmdStrText");
    QCOMPARE(text(f, "CmdStrText"), QStringLiteral("C10\n\nC11  \n"));

    // Save replaces the older file with the script without its surrounding spaces.
    setText(f, "CmdStrText", QStringLiteral("  C10\nC11  "));
    chosen = out;
    click(&f, "SaveCmdStrText");
    QCOMPARE(readFile(out), QByteArray("C10\r\nC11"));
    QCOMPARE(rig_->notifier.messages,
             (std::vector<kvt::Message>{{kvt::MessageIcon::None, "Save As...",
                                         "File Name is OUT.TXT\r\nFull path and file is " +
                                             QDir::toNativeSeparators(out)}}));

    setText(f, "CmdStrText", QStringLiteral("C10"));
    click(&f, "CmdExBtn");
    click(&f, "SaveSDTDText");
    QCOMPARE(readFile(out), QByteArray("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n"
                                       "RD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n"));
    chosen = dir.filePath(QStringLiteral("IN.TXT/X.TXT"));  // no such folder: nothing written
    click(&f, "SaveCmdStrText");
    QVERIFY(lastMessage().contains(QStringLiteral("was not saved")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"IN.TXT", "OUT.TXT"}));
  });
}

void CmdLineWindowTest::aLongRunDropsOldRowsSaysSoAndHoldsNoMoreMemory() {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("LIST.TXT"));
  withForm([&](Form& f) {
    f.show();
    f.chooseSavePath = [&] { return out; };
    setText(f, "CmdStrText", QStringLiteral("C10"));
    setText(f, "LianXuText", QStringLiteral("3000"));
    size_t heapAt300 = 0;
    f.controller().lineSent = [&](const kvt::SentScriptLine& s) {
      if (s.repetition == 300) heapAt300 = mallinfo2().uordblks;
    };
    click(&f, "CmdExBtn");
    QCOMPARE(sent(), 3000);
#if !defined(__SANITIZE_ADDRESS__)
    // Painted as it went (each mark once had colours of its own, cached for ever).
    QVERIFY2(mallinfo2().uordblks < heapAt300 + 1024 * 1024, "the heap grew by a megabyte");
#endif
    // Emptied whenever more than 500 rows waited for the next line: 5 rows a line on the
    // MONITOR page, 11 on the COMMAND page; what was dropped is said beside each list.
    QCOMPARE(entries(f, "lstResults").size(), 355);
    QCOMPARE(text(f, "lstResultsDropped"), QStringLiteral("14645 older rows were dropped: the list starts again after 500 rows"));
    QCOMPARE(entries(f, "CmdStrBackList").size(), 110);
    QCOMPARE(text(f, "CmdStrBackListDropped"),
             QStringLiteral("32890 older rows were dropped: the list starts again after 500 rows"));
    QCOMPARE(find<QLabel>(&f, "lstResultsDropped")->accessibleName(), text(f, "lstResultsDropped"));

    // The saved list says so first; once cleared by hand, nothing is said dropped.
    click(&f, "SaveSDTDText");
    const QByteArray saved = readFile(out);
    QVERIFY(saved.startsWith("(14645 older rows were dropped: the list starts again after 500 rows)\r\n"
                             "SD: F2 00 00 03 43 31 30 03 B0 \r\n"));
    QCOMPARE(saved.count("\r\n"), 1 + 355);
    click(&f, "ClearSDTDText");
    setText(f, "LianXuText", QStringLiteral("1"));
    click(&f, "CmdExBtn");
    click(&f, "SaveSDTDText");
    QCOMPARE(text(f, "lstResultsDropped"), QString());
    QVERIFY(readFile(out).startsWith("SD: F2 00 00 03 43 31 30 03 B0 \r\n"));
  });
}

QTEST_MAIN(CmdLineWindowTest)
#include "cmdline_window_test.moc"
