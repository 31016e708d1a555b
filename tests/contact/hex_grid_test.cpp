// SPDX-License-Identifier: MIT
// The hex cell grid: typing runs, arrows and Enter with wrap-around, Esc, padding on
// leaving, the focus after an operation fills cells, pasting a run, labels and names.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "gui/widgets/hex_grid.h"

using kvt::HexGrid;
using kvt::HexGridShape;

namespace {

HexGridShape icText() {
  return {"ICText", "IC Card Data", 128, 16, kvt::HexLabels(8), kvt::HexLabels(16), 2, {}};
}
HexGridShape blockGrid() { return {"SRFTextLIST", "Block Data", 16, 16, {"00"}, kvt::HexLabels(16), 0, {}}; }

// A shown, active window holding one grid and a line edit to move the focus to.
struct Window {
  explicit Window(const HexGridShape& shape) {
    auto* layout = new QVBoxLayout(&widget);
    grid = new HexGrid(shape);
    other = new QLineEdit;
    layout->addWidget(grid);
    layout->addWidget(other);
    widget.show();
    widget.activateWindow();
  }
  QWidget widget;
  HexGrid* grid;
  QLineEdit* other;
};

QWidget* focused() { return QApplication::focusWidget(); }

// Types into whatever has the focus, as a user would.
void type(const QString& keys) {
  for (QChar c : keys) QTest::keyClick(focused(), c.toLatin1());
}
void press(Qt::Key key) { QTest::keyClick(focused(), key); }

}  // namespace

class HexGridTest : public QObject {
  Q_OBJECT
 private slots:
  void keysTypeMoveWrapAndPad();
  void operationsAndPastesFillCells();
  void layoutLabelsAndNames();
};

void HexGridTest::keysTypeMoveWrapAndPad() {
  Window w(icText());
  QVERIFY(QTest::qWaitForWindowActive(&w.widget));
  // Two digits fill a cell and move on; the old text is selected, so typing replaces it.
  w.grid->cell(0)->setText("99");
  w.grid->focusCell(0);
  QCOMPARE(w.grid->cell(0)->selectedText(), QStringLiteral("99"));
  type("12ab");
  QCOMPARE(w.grid->texts().mid(0, 2), QStringList({"12", "AB"}));
  QCOMPARE(focused(), w.grid->cell(2));
  QCOMPARE(w.grid->currentCell(), 2);
  type("3");
  QCOMPARE(w.grid->text(2), QStringLiteral("3"));
  QCOMPARE(focused(), w.grid->cell(2));

  // Only hex digits are typed; Backspace is discarded in the cells, other keys still work.
  w.grid->focusCell(5);
  type("g- ");
  press(Qt::Key_Backspace);
  QCOMPARE(w.grid->text(5), QString());
  type("f");
  QCOMPARE(w.grid->text(5), QStringLiteral("F"));
  press(Qt::Key_Backspace);
  QCOMPARE(w.grid->text(5), QStringLiteral("F"));
  press(Qt::Key_Delete);  // the cursor stands after the digit
  QCOMPARE(w.grid->text(5), QStringLiteral("F"));
  press(Qt::Key_Home);
  press(Qt::Key_Delete);
  QCOMPARE(w.grid->text(5), QString());

  // Enter and the arrows pad the cell left and wrap around the ends.
  w.grid->clear();
  w.grid->focusCell(0);
  type("7");
  press(Qt::Key_Return);
  QCOMPARE(w.grid->text(0), QStringLiteral("07"));
  QCOMPARE(focused(), w.grid->cell(1));
  press(Qt::Key_Left);
  press(Qt::Key_Left);
  QCOMPARE(focused(), w.grid->cell(127));
  type("c");
  press(Qt::Key_Right);
  QCOMPARE(w.grid->text(127), QStringLiteral("0C"));
  QCOMPARE(focused(), w.grid->cell(0));
  w.grid->focusCell(127);
  press(Qt::Key_Enter);
  QCOMPARE(focused(), w.grid->cell(0));
  press(Qt::Key_Right);
  QCOMPARE(focused(), w.grid->cell(1));
  QCOMPARE(w.grid->text(1), QString());  // an empty cell stays empty

  // Leaving by mouse or Tab pads too, but is no write: the focus stays where it went.
  w.grid->focusCell(3);
  type("4");
  w.other->setFocus();
  QCOMPARE(w.grid->text(3), QStringLiteral("04"));
  QCOMPARE(focused(), w.other);
  w.grid->focusCell(3);
  press(Qt::Key_Escape);
  QCOMPARE(w.grid->text(3), QString());
  QCOMPARE(focused(), w.grid->cell(3));
}

void HexGridTest::operationsAndPastesFillCells() {
  Window w(icText());
  QVERIFY(QTest::qWaitForWindowActive(&w.widget));
  // An operation's cells move the focus after the last one, to the first when all are filled.
  w.grid->fill(0, {"A2", "13", "10"});
  QCOMPARE(focused(), w.grid->cell(3));
  const QStringList all(128, QStringLiteral("FF"));
  w.grid->fill(0, all);
  QCOMPARE(focused(), w.grid->cell(0));
  w.grid->clear();
  QCOMPARE(w.grid->texts(), QStringList(128, QString()));

  // A pasted run fills consecutive cells.
  w.grid->focusCell(5);
  QApplication::clipboard()->setText("12 34ab\tCD");
  QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(w.grid->texts().mid(4, 6), QStringList({"", "12", "34", "AB", "CD", ""}));
  QCOMPARE(focused(), w.grid->cell(9));
  // Text that is no run goes into the cell as typed: hex digits only, at most two here.
  const std::vector<std::pair<const char*, const char*>> pastes = {{"1-2", "12"}, {"3 4 5", "34"}, {"g7", "07"}};
  for (const auto& [text, kept] : pastes) {
    w.grid->focusCell(9);
    QApplication::clipboard()->setText(text);
    QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(focused(), Qt::Key_Left);  // padded on the way back, if need be
    QCOMPARE(w.grid->text(9), QString::fromLatin1(kept));
  }
  for (const char* nothing : {"", "GG -"}) {
    QVERIFY(!w.grid->paste(10, nothing));
    QCOMPARE(w.grid->text(10), QString());
  }
  // Bytes beyond the last cell are dropped.
  QVERIFY(w.grid->paste(126, "01 02 03"));
  QCOMPARE(w.grid->texts().mid(126), QStringList({"01", "02"}));
  QCOMPARE(w.grid->text(0), QString());

  // A grid without a limit keeps the last two digits, a paste that is no run too.
  Window block(blockGrid());
  QVERIFY(QTest::qWaitForWindowActive(&block.widget));
  block.grid->setText(4, "ABC");
  QCOMPARE(block.grid->text(4), QStringLiteral("BC"));
  QCOMPARE(focused(), block.grid->cell(5));
  QVERIFY(block.grid->paste(5, "1 2 3"));
  QCOMPARE(block.grid->text(5), QStringLiteral("23"));
  QCOMPARE(focused(), block.grid->cell(6));
  block.grid->setText(15, "12");
  QCOMPARE(focused(), block.grid->cell(0));

  // A hidden grid only remembers where the focus would go.
  block.grid->hide();
  block.other->setFocus();
  block.grid->fill(0, {"01", "02"});
  QCOMPARE(block.grid->currentCell(), 2);
  QCOMPARE(focused(), block.other);
}

void HexGridTest::layoutLabelsAndNames() {
  HexGrid grid(icText());
  QCOMPARE(grid.cell(127)->objectName(), QStringLiteral("ICText_127"));
  QCOMPARE(grid.cell(127)->accessibleName(), QStringLiteral("IC Card Data 7F"));
  QCOMPARE(grid.cell(0)->maxLength(), 2);
  QStringList labels;
  for (QLabel* l : grid.findChildren<QLabel*>()) labels << l->text();
  QCOMPARE(labels.size(), 16 + 8);
  QVERIFY(labels.contains("0F") && labels.contains("07") && !labels.contains("10"));

  HexGrid keys({"SRFPASSWORDLIST", "Sector password", 6, 6, {"Sector password"}, {}, 0,
                {"FF", "FF", "FF", "FF", "FF", "FF"}});
  QCOMPARE(keys.findChildren<QLabel*>().size(), 1);
  QCOMPARE(keys.cell(0)->maxLength(), 32767);
}

QTEST_MAIN(HexGridTest)
#include "hex_grid_test.moc"
