// The main window's editing commands end to end: the Edit menu and its
// rules under the lock, keys reaching the editor of the page shown, the
// go-to and fill dialogs answered from a script (a refused answer keeps
// the dialog open), the find bar, the status fields, the context menu,
// and a load clearing undo.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>

#include "app/EditCommands.h"
#include "app/EditorStatusFields.h"
#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"
#include "images/HexFileUnit.h"
#include "tests/app/MainFormHarness.h"

namespace {

struct EditCommandsTest : ::testing::Test {
  TFormHarness H;
  TMainForm* F = nullptr;
  TEditCommands* E = nullptr;

  void SetUp() override {
    F = &H.Start({0x378});
    E = Named<TEditCommands>(*F, "EditCommands");
    F->show();
    // A flash image of 0x400 bytes (0x200 words) with a counting pattern.
    F->Editor(ikFlash)->ResetData();
    F->Editor(ikFlash)->SetDataSize(0x400);
    for (int i = 0; i < 0x400; ++i) F->Editor(ikFlash)->PokeByte(i, uint8_t(i));
    F->Editor(ikFlash)->ClearUndo();
    F->Editor(ikFlash)->SetModified(false);
    RunUntilIdle();
  }
  void ShowFlash() {
    Named<QTabWidget>(*F, "pgcMain")->setCurrentWidget(F->Page(ikFlash));
    F->Editor(ikFlash)->setFocus();
    RunUntilIdle();
  }
  std::vector<QAction*> Actions() const {
    return {Named<QAction>(*F, "actUndo"),  Named<QAction>(*F, "actRedo"),
            Named<QAction>(*F, "actCut"),   Named<QAction>(*F, "actCopy"),
            Named<QAction>(*F, "actPaste"), Named<QAction>(*F, "actSelectAll"),
            Named<QAction>(*F, "actFind"),  Named<QAction>(*F, "actReplace"),
            Named<QAction>(*F, "actGoto"),  Named<QAction>(*F, "actFill")};
  }
  QStringList ErrorTexts() const {
    QStringList texts;
    for (const auto& e : H.Dialogs->Errors) texts << e.Text;
    return texts;
  }
};

TEST_F(EditCommandsTest, MenuAndRulesFollowThePageTheEditorAndTheLock) {
  QStringList menus;
  for (QAction* a : F->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, QStringList({"&File", "E&dit", "&System", "&Help"}));
  // The "Programmer" page has no editor: nothing applies.
  for (QAction* a : Actions()) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_FALSE(Named<QLabel>(*F, "lblOffset")->isVisible());

  ShowFlash();
  EXPECT_FALSE(Named<QAction>(*F, "actUndo")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*F, "actCopy")->isEnabled());
  EXPECT_FALSE(Named<QAction>(*F, "actFill")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*F, "actSelectAll")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*F, "actGoto")->isEnabled());
  EXPECT_TRUE(Named<QAction>(*F, "actFind")->isEnabled());
  QTest::keyClicks(F->Editor(ikFlash), QStringLiteral("ab"));
  QTest::keyClick(F->Editor(ikFlash), Qt::Key_A, Qt::ControlModifier);
  RunUntilIdle();
  for (QAction* a : {Named<QAction>(*F, "actUndo"), Named<QAction>(*F, "actCut"),
                     Named<QAction>(*F, "actCopy"), Named<QAction>(*F, "actFill")})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  EXPECT_FALSE(Named<QAction>(*F, "actRedo")->isEnabled());

  // While a card command holds the lock nothing applies.
  F->SetUiEnabled(false);
  EXPECT_FALSE(Named<QMenu>(*F, "miEdit")->menuAction()->isEnabled());
  RunUntilIdle();
  for (QAction* a : Actions()) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  QTest::keyClick(F->Editor(ikFlash), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(F->Editor(ikFlash)->PeekByte(0), 0xAB);
  F->SetUiEnabled(true);
  RunUntilIdle();
  EXPECT_TRUE(Named<QMenu>(*F, "miEdit")->menuAction()->isEnabled());
  EXPECT_TRUE(Named<QAction>(*F, "actUndo")->isEnabled());

  // The menu's Undo and the context menu act on the editor shown.
  Named<QAction>(*F, "actUndo")->trigger();
  Named<QAction>(*F, "actUndo")->trigger();
  EXPECT_EQ(F->Editor(ikFlash)->PeekByte(0), 0x00);
  EXPECT_FALSE(F->Editor(ikFlash)->Modified());  // back at the saved state
  std::unique_ptr<QMenu> menu(E->CreateContextMenu(F->Editor(ikFlash)));
  QStringList items;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) items << a->objectName();
  EXPECT_EQ(items, QStringList({"actUndo", "actRedo", "actCut", "actCopy", "actPaste",
                                "actSelectAll", "actFind", "actReplace", "actGoto", "actFill"}));
  EXPECT_TRUE(Named<QAction>(*F, "actRedo")->isEnabled());
}

TEST_F(EditCommandsTest, GotoCountsWordsOnTheFlashPageAndKeepsTheDialogOpenWhenOutOfRange) {
  ShowFlash();
  H.Dialogs->TextAnswers = {QStringLiteral("0x200"), QStringLiteral("zz"), QStringLiteral("0x100")};
  QTest::keyClick(F->Editor(ikFlash), Qt::Key_G, Qt::ControlModifier);
  ASSERT_EQ(H.Dialogs->TextQueries.size(), 1u);
  const TTextQuery& q = H.Dialogs->TextQueries[0];
  EXPECT_EQ(q.Title, QStringLiteral("Go to Offset"));
  EXPECT_TRUE(q.Note.contains(QStringLiteral("count words"))) << q.Note.toStdString();
  EXPECT_EQ(H.Dialogs->TextRefusals,
            QStringList({"Offset 0x200 is outside the image (0x0 to 0x1FF)",
                         "\"zz\" is not an offset: write hex as 0x1F0 or 1F0h, decimal as 496, or "
                         "relative as +0x20 "
                         "or -16"}));
  EXPECT_EQ(F->Editor(ikFlash)->Core().Caret().Position, 0x200);
  RunUntilIdle();
  EXPECT_EQ(Named<QLabel>(*F, "lblOffset")->text(), QStringLiteral("Offset 0x0100 (byte 0x0200)"));
  EXPECT_EQ(Named<QLabel>(*F, "lblValue")->text(), QStringLiteral("0x00 = 0 '.'"));
  EXPECT_EQ(Named<QLabel>(*F, "lblWord")->text(), QStringLiteral("Word 0x0100 = 256"));
  EXPECT_EQ(Named<QLabel>(*F, "lblMode")->text(), QStringLiteral("OVR"));
  EXPECT_FALSE(Named<QLabel>(*F, "lblModified")->isVisible());
  // Cancelled: nothing moves.
  Named<QAction>(*F, "actGoto")->trigger();
  EXPECT_EQ(F->Editor(ikFlash)->Core().Caret().Position, 0x200);
}

TEST_F(EditCommandsTest, FillAndStatusFieldsOfTheSelection) {
  F->Editor(ikIntEE)->ResetData();
  F->Editor(ikIntEE)->SetDataSize(64);
  F->Editor(ikIntEE)->SetModified(false);
  RunUntilIdle();  // its tab shows
  Named<QTabWidget>(*F, "pgcMain")->setCurrentWidget(F->Page(ikIntEE));
  F->Editor(ikIntEE)->setFocus();
  F->Editor(ikIntEE)->SelectRange(0x10, 0x1F);
  RunUntilIdle();
  EXPECT_EQ(Named<QLabel>(*F, "lblOffset")->text(), QStringLiteral("Offset 0x0000"));
  EXPECT_EQ(Named<QLabel>(*F, "lblSelection")->text(),
            QStringLiteral("Sel 0x0010-0x001F (16 bytes)"));
  H.Dialogs->TextAnswers = {QStringLiteral("0x1FF"), QStringLiteral("0xA5")};
  Named<QAction>(*F, "actFill")->trigger();
  ASSERT_EQ(H.Dialogs->TextQueries.size(), 1u);
  EXPECT_EQ(H.Dialogs->TextQueries[0].Text, QStringLiteral("0xFF"));
  EXPECT_EQ(H.Dialogs->TextRefusals,
            QStringList({"\"0x1FF\" is not a byte value (0 to 255, or 0x00 to 0xFF)"}));
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(F->Editor(ikIntEE)->PeekByte(i), i >= 0x10 && i <= 0x1F ? 0xA5 : 0xFF) << i;
  RunUntilIdle();
  EXPECT_EQ(Named<QLabel>(*F, "lblModified")->text(), QStringLiteral("Modified"));
  Named<QAction>(*F, "actUndo")->trigger();  // one step
  EXPECT_EQ(F->Editor(ikIntEE)->PeekByte(0x10), 0xFF);
  RunUntilIdle();
  EXPECT_FALSE(Named<QLabel>(*F, "lblModified")->isVisible());
}

TEST_F(EditCommandsTest, FindBarUnderTheEditorAndPasteErrorsInTheErrorBox) {
  ShowFlash();
  QTest::keyClick(F->Editor(ikFlash), Qt::Key_F, Qt::ControlModifier);
  THexFindBar* bar = E->FindBar(ikFlash);
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->parentWidget(), F->Page(ikFlash));
  QTest::keyClicks(bar->edFind, QStringLiteral("0x20 21"));
  QTest::keyClick(bar->edFind, Qt::Key_Return);
  EXPECT_EQ(F->Editor(ikFlash)->Core().SelectionLow(), 0x20);
  EXPECT_EQ(F->Editor(ikFlash)->Core().SelectionHigh(), 0x21);
  // Ctrl+H in the bar adds the replace row.
  QTest::keyClick(bar->edFind, Qt::Key_H, Qt::ControlModifier);
  EXPECT_TRUE(bar->ReplaceMode());

  // A paste through the menu that is not hex: the window's error box.
  QGuiApplication::clipboard()->setText(QStringLiteral("12 3g"));
  RunUntilIdle();
  F->Editor(ikFlash)->setFocus();
  Named<QAction>(*F, "actPaste")->trigger();
  EXPECT_EQ(
      ErrorTexts(),
      QStringList(
          {"\"3g\" is not hex: write bytes as hex digits, such as DE AD BE EF or 0xDEADBEEF."}));
  EXPECT_EQ(F->Editor(ikFlash)->PeekByte(0x20), 0x20);
}

TEST_F(EditCommandsTest, LoadingAFileClearsUndo) {
  ShowFlash();
  QTest::keyClicks(F->Editor(ikFlash), QStringLiteral("77"));
  EXPECT_TRUE(F->Editor(ikFlash)->CanUndo());
  std::vector<uint8_t> bytes(16, 0x42);
  const QString file = H.Dir.filePath(QStringLiteral("flash.hex"));
  WriteHexFile(file, bytes.data(), int(bytes.size()));
  F->LoadImageFile(ikFlash, file);
  EXPECT_FALSE(F->Editor(ikFlash)->CanUndo());
  EXPECT_FALSE(F->Editor(ikFlash)->CanRedo());
}

}  // namespace
