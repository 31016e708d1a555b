// SPDX-License-Identifier: MIT
#include "cmdline_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/base/text_file.h"
#include "core/cmdline/script_text.h"
#include "core/link/engine.h"
#include "core/link/line_port.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/log_panel.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"
#include "list_box_entries.h"

namespace kvt {

namespace {

const QString kCommandPage = QStringLiteral("COMMAND");
const QString kMonitorPage = QStringLiteral("MONITOR");
const QString kSaveTitle = QStringLiteral("Save As...");

// 12090 x 10320 twips at 15 twips a pixel.
constexpr int kWidth = 806;
constexpr int kHeight = 688;

// The mark of the line being sent: bold, in blue.
const QColor kMarkColour(0x00, 0x00, 0xFF);

// During a run the window takes pending clicks and shows what changed at most this often,
// not after every line: fast enough that Stop and Cancel act at once, rare enough that a
// thousand lines a second are not held up by painting.
constexpr int kShowEveryMs = 20;

// The label beside a list that says how many of its rows were dropped; empty until some are.
QLabel* DroppedRowsLabel(QWidget* parent, const char* objectName) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(objectName));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

QListWidget* EntryListBox(QWidget* parent, const char* objectName, const QString& caption) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QString::fromLatin1(objectName));
  list->setAccessibleName(caption);
  list->setUniformItemSizes(true);
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return list;
}

}  // namespace

KVT_730_B_CMDExuteForm::KVT_730_B_CMDExuteForm(AppState& state, LinePort& port, Notifier& notifier,
                                               std::function<QString()> addressText, QWidget* parent)
    : QDialog(parent), state_(state), mainPort_(port), notifier_(notifier), port_(port) {
  setObjectName(QStringLiteral("KVT_730_B_CMDExuteForm"));
  setWindowTitle(QStringLiteral("FORM OF COMMAND LINE"));
  setModal(true);
  mainPort_.setWaitMode(WaitMode::Block);

  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  SSTab1->addTab(buildCommandPage(), kCommandPage);
  SSTab1->addTab(buildMonitorPage(), kMonitorPage);

  EXITGRM = NamedPlainButton(this, "EXITGRM", QStringLiteral("Close"));
  connect(EXITGRM, &QPushButton::clicked, this, &QDialog::close);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(EXITGRM);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SSTab1, 1);
  layout->addLayout(bottom);
  setFixedSize(kWidth, kHeight);

  resultsList_ = std::make_unique<ListBoxEntries>(lstResults, txtBytesReceived, lstResultsDropped_);
  backList_ = std::make_unique<ListBoxEntries>(CmdStrBackList, txtBytesSended, CmdStrBackListDropped_);
  connect(ClearSDTDText, &QPushButton::clicked, this, [this] { resultsList_->clearByUser(); });
  connect(ClearCmdStrBackText, &QPushButton::clicked, this, [this] { backList_->clearByUser(); });
  transport_ = std::make_unique<ScriptTransport>(state_, port_, notifier_, *resultsList_, *backList_);
  controller_ = std::make_unique<ScriptController>(state_, *this, *transport_, notifier_, std::move(addressText));

  // A slow reply: the window shows the line being sent while it waits.
  port_.beforePainting = [this] { showChanges(); };
  chooseOpenPath = [this] { return askOpenPath(); };
  chooseSavePath = [this] { return LogPanel::askSavePath(this); };

  controller_->load();
}

KVT_730_B_CMDExuteForm::~KVT_730_B_CMDExuteForm() {
  // The button operations of the main window wait painting again.
  mainPort_.setWaitMode(WaitMode::KeepPainting);
}

QWidget* KVT_730_B_CMDExuteForm::buildCommandPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("CommandPage"));

  CmdStrText = new QPlainTextEdit(QStringLiteral("C04\n"), page);
  CmdStrText->setObjectName(QStringLiteral("CmdStrText"));
  CmdStrText->setAccessibleName(kCommandPage);
  CmdStrText->setAccessibleDescription(QStringLiteral("script, one command per line"));
  CmdStrText->setLineWrapMode(QPlainTextEdit::NoWrap);
  CmdStrText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  CmdStrText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The mark stays visible while the box has no focus or is disabled during a run.
  scriptPalette_ = CmdStrText->palette();
  QPalette p = scriptPalette_;
  for (auto group : {QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(group, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  }
  scriptPalette_ = p;
  CmdStrText->setPalette(p);
  markPalette_ = p;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    markPalette_.setColor(group, QPalette::Text, kMarkColour);
  scriptFont_ = CmdStrText->font();

  ImportCmdStrText = NamedPlainButton(page, "ImportCmdStrText", QStringLiteral("Load"));
  SaveCmdStrText = NamedPlainButton(page, "SaveCmdStrText", QStringLiteral("Save"));
  CmdExBtn = NamedPlainButton(page, "CmdExBtn", QStringLiteral("Start"));
  CmdStepBtn = NamedPlainButton(page, "CmdStepBtn", QStringLiteral("Setp"));
  CmdResumeBtn = NamedPlainButton(page, "CmdResumeBtn", QStringLiteral("Resume"));
  CmdStopBtn = NamedPlainButton(page, "CmdStopBtn", QStringLiteral("Stop"));
  CmdCANCLEBtn = NamedPlainButton(page, "CmdCANCLEBtn", QStringLiteral("Cancel"));
  connect(ImportCmdStrText, &QPushButton::clicked, this, &KVT_730_B_CMDExuteForm::onLoad);
  connect(SaveCmdStrText, &QPushButton::clicked, this, &KVT_730_B_CMDExuteForm::onSave);
  connect(CmdExBtn, &QPushButton::clicked, this, [this] { runHandler(&ScriptController::start); });
  connect(CmdStepBtn, &QPushButton::clicked, this, [this] { runHandler(&ScriptController::setp); });
  connect(CmdResumeBtn, &QPushButton::clicked, this, [this] { runHandler(&ScriptController::resume); });
  connect(CmdStopBtn, &QPushButton::clicked, this, [this] { controller_->stop(); });
  connect(CmdCANCLEBtn, &QPushButton::clicked, this, [this] { controller_->cancel(); });

  ICframeComm = NamedFrame(page, "ICframeComm", QStringLiteral("Repeat Counter"));
  LianXuText = new QLineEdit(QStringLiteral("1"), ICframeComm);
  LianXuText->setObjectName(QStringLiteral("LianXuText"));
  LianXuText->setAccessibleName(ICframeComm->title());
  LianXuText->setToolTip(QStringLiteral("How many times to run the script: 1 to %1").arg(kMaxRepeatCount));
  Label1 = new QLabel(QStringLiteral("0"), ICframeComm);
  Label1->setObjectName(QStringLiteral("Label1"));
  auto* toRun = new QLabel(QStringLiteral("To run:"), ICframeComm);
  NameValueLabel(Label1, toRun);
  auto* repeat = new QHBoxLayout(ICframeComm);
  repeat->addWidget(LianXuText, 1);
  repeat->addWidget(toRun);
  repeat->addWidget(Label1, 1);

  // The status figures, each under a caption that says what it counts.
  auto* figures = new QGridLayout;
  const std::pair<QLabel**, const char*> named[] = {{&Label2, "Lines"},
                                                    {&Label3, "Current line"},
                                                    {&Label6, "Repeat count"},
                                                    {&Label7, "Repeats left"},
                                                    {&Label8, "Steps"}};
  int column = 0;
  for (const auto& [label, caption] : named) {
    *label = new QLabel(page);
    auto* captionLabel = new QLabel(QString::fromLatin1(caption), page);
    NameValueLabel(*label, captionLabel);
    figures->addWidget(captionLabel, 0, column);
    figures->addWidget(*label, 1, column++);
  }
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3->setObjectName(QStringLiteral("Label3"));
  Label6->setObjectName(QStringLiteral("Label6"));
  Label7->setObjectName(QStringLiteral("Label7"));
  Label8->setObjectName(QStringLiteral("Label8"));

  CmdStrBackList = EntryListBox(page, "CmdStrBackList", kCommandPage);
  CmdStrBackList->setAccessibleDescription(QStringLiteral("Command and Reply blocks"));
  ClearCmdStrBackText = NamedPlainButton(page, "ClearCmdStrBackText", QStringLiteral("Clear Data"));
  CmdStrBackListDropped_ = DroppedRowsLabel(page, "CmdStrBackListDropped");

  txtBytesSended = new QLineEdit(page);
  txtBytesSended->setObjectName(QStringLiteral("txtBytesSended"));
  txtBytesSended->setVisible(false);
  txtBytesReceived = new QLineEdit(page);
  txtBytesReceived->setObjectName(QStringLiteral("txtBytesReceived"));
  txtBytesReceived->setVisible(false);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {ImportCmdStrText, SaveCmdStrText, CmdExBtn, CmdStepBtn, CmdResumeBtn, CmdStopBtn,
                         CmdCANCLEBtn})
    buttons->addWidget(b);
  buttons->addWidget(ICframeComm);
  buttons->addLayout(figures);
  buttons->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addWidget(CmdStrText, 1);
  top->addLayout(buttons);

  auto* backRow = new QHBoxLayout;
  backRow->addWidget(CmdStrBackListDropped_, 1);
  backRow->addWidget(ClearCmdStrBackText);

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(top, 1);
  layout->addWidget(CmdStrBackList, 1);
  layout->addLayout(backRow);
  return page;
}

QWidget* KVT_730_B_CMDExuteForm::buildMonitorPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("MonitorPage"));
  lstResults = EntryListBox(page, "lstResults", kMonitorPage);
  ClearSDTDText = NamedPlainButton(page, "ClearSDTDText", QStringLiteral("Clear Data"));
  SaveSDTDText = NamedPlainButton(page, "SaveSDTDText", QStringLiteral("Save To"));
  connect(SaveSDTDText, &QPushButton::clicked, this, &KVT_730_B_CMDExuteForm::onSaveTo);
  lstResultsDropped_ = DroppedRowsLabel(page, "lstResultsDropped");
  CheckRecord = new QCheckBox(QStringLiteral("保留记录"), page);
  CheckRecord->setObjectName(QStringLiteral("CheckRecord"));
  CheckRecord->setAccessibleName(CheckRecord->text());

  // Reads and writes the files of Load, Save and Save To; not shown.
  RichTextBox1 = new QTextEdit(page);
  RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
  RichTextBox1->setAcceptRichText(false);
  RichTextBox1->setVisible(false);

  auto* row = new QHBoxLayout;
  row->addWidget(CheckRecord);
  row->addWidget(lstResultsDropped_, 1);
  row->addWidget(ClearSDTDText);
  row->addWidget(SaveSDTDText);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(lstResults, 1);
  layout->addLayout(row);
  return page;
}

void KVT_730_B_CMDExuteForm::runHandler(void (ScriptController::*handler)()) {
  ((*controller_).*handler)();
  showChanges();
  if (closePending_ && !controller_->busy()) {
    closePending_ = false;
    QDialog::done(QDialog::Rejected);
  }
}

void KVT_730_B_CMDExuteForm::done(int r) {
  if (controller_->busy()) {
    closePending_ = true;
    controller_->cancel();
    return;
  }
  QDialog::done(r);
}

// ScriptView

QString KVT_730_B_CMDExuteForm::scriptText() const { return CmdStrText->toPlainText(); }

void KVT_730_B_CMDExuteForm::setScriptText(const QString& text) {
  if (text != CmdStrText->toPlainText()) CmdStrText->setPlainText(text);
}

int KVT_730_B_CMDExuteForm::lineCount() const { return CmdStrText->document()->blockCount(); }

QString KVT_730_B_CMDExuteForm::lineText(int line) const {
  return CmdStrText->document()->findBlockByNumber(line).text();
}

QString KVT_730_B_CMDExuteForm::repeatText() const { return LianXuText->text(); }

void KVT_730_B_CMDExuteForm::applyButtons(ButtonSet set, bool withScript) {
  const ButtonStates s = StatesOf(set);
  CmdExBtn->setEnabled(s.start);
  CmdResumeBtn->setEnabled(s.resume);
  CmdStepBtn->setEnabled(s.setp);
  CmdStopBtn->setEnabled(s.stop);
  CmdCANCLEBtn->setEnabled(s.cancel);
  if (withScript) CmdStrText->setEnabled(s.script);
}

void KVT_730_B_CMDExuteForm::setScriptEnabled(bool on) {
  if (CmdStrText->isEnabled() != on) CmdStrText->setEnabled(on);
}

// The mark is noted here and shown by showChanges(): a run clears it and marks the next
// line for every line it sends, and the box's font and colours change only when the mark
// appears or goes.
void KVT_730_B_CMDExuteForm::markLine(int line) {
  if (CmdStrText->document()->findBlockByNumber(line).isValid()) markWanted_ = line;
}

void KVT_730_B_CMDExuteForm::clearMark() { markWanted_ = -1; }

void KVT_730_B_CMDExuteForm::showMark() {
  const QTextBlock block = CmdStrText->document()->findBlockByNumber(markWanted_);
  QTextCursor c = CmdStrText->textCursor();
  if (markWanted_ >= 0 && block.isValid()) {
    // Selected again when the text or a click in the box has moved the selection.
    const int end = block.position() + block.length() - 1;
    if (c.selectionStart() != block.position() || c.selectionEnd() != end) {
      c.setPosition(block.position());
      c.setPosition(end, QTextCursor::KeepAnchor);
      CmdStrText->setTextCursor(c);
    }
    if (!markStyled_) {
      QFont bold = scriptFont_;
      bold.setBold(true);
      CmdStrText->setFont(bold);
      CmdStrText->setPalette(markPalette_);
      markStyled_ = true;
    }
    return;
  }
  if (!markStyled_) return;  // a selection the user made is none of the mark's
  c.clearSelection();
  CmdStrText->setTextCursor(c);
  CmdStrText->setFont(scriptFont_);
  CmdStrText->setPalette(scriptPalette_);
  markStyled_ = false;
}

void KVT_730_B_CMDExuteForm::showFigure(Figure f, const QString& text) {
  QLabel* label = nullptr;
  switch (f) {
    case Figure::Label1: label = Label1; break;
    case Figure::Label2: label = Label2; break;
    case Figure::Label3: label = Label3; break;
    case Figure::Label6: label = Label6; break;
    case Figure::Label7: label = Label7; break;
    case Figure::Label8: label = Label8; break;
  }
  if (label->text() != text) ShowValue(label, text);
}

void KVT_730_B_CMDExuteForm::showChanges() {
  showMark();
  resultsList_->flush();
  backList_->flush();
}

void KVT_730_B_CMDExuteForm::processPendingInput() {
  if (sinceShown_.isValid() && sinceShown_.elapsed() < kShowEveryMs) return;
  showChanges();
  QCoreApplication::processEvents();
  showChanges();  // what the clicks just handled changed
  sinceShown_.start();
}

// Files

QString KVT_730_B_CMDExuteForm::askOpenPath() {
  QFileDialog dialog(this, QStringLiteral("Open File"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("Open Files (*.TXT)"));
  dialog.setOption(QFileDialog::ReadOnly, false);
  const QString winDir = qEnvironmentVariable("WinDir");
  dialog.setDirectory(!winDir.isEmpty() && QFileInfo(winDir).isDir() ? winDir : QDir::homePath());
  dialog.selectFile(QStringLiteral("*.TXT"));
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

void KVT_730_B_CMDExuteForm::onLoad() {
  const QString path = chooseOpenPath ? chooseOpenPath() : QString();
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    notifier_.warn(kCaution, QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path),
                                                                          file.errorString()));
    return;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    notifier_.warn(kCaution, QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(path),
                                                                          file.errorString()));
    return;
  }
  const QString text = ScriptFromFile(bytes);
  RichTextBox1->setPlainText(text);
  CmdStrText->setPlainText(TrimSpaces(text));
}

void KVT_730_B_CMDExuteForm::reportSaveError(const QString& path, const FileError& error) {
  notifier_.warn(kCaution, QStringLiteral("%1 was not saved. Error: %2 %3")
                               .arg(QDir::toNativeSeparators(path))
                               .arg(error.number)
                               .arg(error.text));
}

void KVT_730_B_CMDExuteForm::onSave() {
  const QString path = chooseSavePath ? chooseSavePath() : QString();
  if (path.isEmpty()) return;
  notifier_.plain(kSaveTitle, SaveConfirmationText(path));
  const QString text = TrimSpaces(CmdStrText->toPlainText());
  RichTextBox1->setPlainText(text);
  FileError error;
  if (!WriteWholeFile(path, ScriptToFile(text), &error)) reportSaveError(path, error);
}

void KVT_730_B_CMDExuteForm::onSaveTo() {
  const QString path = chooseSavePath ? chooseSavePath() : QString();
  if (path.isEmpty()) return;
  notifier_.plain(kSaveTitle, SaveConfirmationText(path));
  FileError error;
  bool ok;
  {
    BusyCursor busy;
    const QString text = resultsList_->savedText();
    RichTextBox1->setPlainText(text);
    ok = WriteWholeFile(path, text.toUtf8(), &error);
  }
  if (!ok) reportSaveError(path, error);
}

}  // namespace kvt
