// The window's keys as a user presses them: real key events through Qt's
// shortcut map and event filters, on an active window. The confirm
// dialog's first focus, the page keys beside an editor's own, the Alt
// mnemonics that are live together, and the standard file keys.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <map>

#include "app/EditCommands.h"
#include "app/ExtCmdUnit.h"
#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"
#include "images/HexFileUnit.h"
#include "tests/app/MainFormHarness.h"

namespace {

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// Presses a key where the keyboard focus is, as the keyboard would.
void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  QTest::keyClick(focus, key, modifiers);
}

// The image as a load leaves it: not modified.
void Fill(THexEditor* editor, int size) {
  editor->ResetData();
  editor->SetDataSize(size);
  editor->SetModified(false);
}

// Program All (with and without a restore to offer) and Read Ext. EEprom:
// the focus starts on OK, the default button, so Enter answers the dialog
// and never toggles a check box, whatever button-press keys the platform
// theme gives the focused widget.
TEST(WindowKeys, TheConfirmDialogStartsOnItsDefaultButton) {
  TestApp();
  struct TCase {
    bool RestoreOffered;
    bool VerifyOffered;
  };
  for (const TCase c : {TCase{true, true}, TCase{false, true}, TCase{true, false}}) {
    SCOPED_TRACE(testing::Message() << c.RestoreOffered << c.VerifyOffered);
    TdlgExtCmd dialog({.Restore = c.RestoreOffered, .Verify = c.VerifyOffered});
    auto* btnOK = Named<QPushButton>(dialog, "btnOK");
    Activate(dialog);
    EXPECT_EQ(QApplication::focusWidget(), btnOK);
    EXPECT_TRUE(btnOK->isDefault());
    EXPECT_FALSE(Named<QPushButton>(dialog, "BitBtn2")->isDefault());
    Press(Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Named<QCheckBox>(dialog, "cbRestore")->isChecked(), c.RestoreOffered);
    EXPECT_EQ(Named<QCheckBox>(dialog, "cbVerify")->isChecked(), c.VerifyOffered);
    EXPECT_EQ(dialog.RestoreChecked(), c.RestoreOffered);
    EXPECT_EQ(dialog.VerifyChecked(), c.VerifyOffered);
  }
}

// Inside an editor Ctrl+PgDn and Ctrl+PgUp move the caret to the view's
// bottom and top row; Ctrl+Tab and Ctrl+Shift+Tab still switch pages there.
// Outside an editor all four switch pages.
TEST(WindowKeys, CtrlPageKeysAreTheEditorsInsideIt) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  Fill(f.Editor(ikFlash), 8192);
  Fill(f.Editor(ikExtEE), 8192);
  f.UpdateActions();
  Activate(f);
  auto* pages = Named<QTabWidget>(f, "pgcMain");
  pages->setCurrentWidget(f.Page(ikFlash));
  f.Editor(ikFlash)->setFocus();
  RunUntilIdle();
  ASSERT_EQ(QApplication::focusWidget(), f.Editor(ikFlash));
  ASSERT_EQ(f.Editor(ikFlash)->CaretPosition(), 0);

  Press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikFlash));
  const int bottom = f.Editor(ikFlash)->CaretPosition();
  EXPECT_GT(bottom, 0) << "the caret goes to the view's bottom row";
  EXPECT_LT(bottom, 8192);
  Press(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikFlash));
  EXPECT_EQ(f.Editor(ikFlash)->CaretPosition(), 0);

  Press(Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikExtEE));  // Int. EE. is hidden
  f.Editor(ikExtEE)->setFocus();
  Press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikFlash));

  // On the Programmer page the Ctrl+Page keys switch pages.
  pages->setCurrentWidget(Named<QWidget>(f, "TabSheet2"));
  Named<QComboBox>(f, "cbProcessor")->setFocus();
  RunUntilIdle();
  Press(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikFlash));
  pages->setCurrentWidget(Named<QWidget>(f, "TabSheet2"));
  Named<QComboBox>(f, "cbProcessor")->setFocus();
  Press(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(pages->currentWidget(), f.Page(ikExtEE));
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(0), 0xFF) << "no key changed an image";
}

// The letter of a text's mnemonic ("&Erase" -> 'E'); none without one.
QChar Mnemonic(const QString& text) {
  for (qsizetype i = text.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < text.size();
       i = text.indexOf(QLatin1Char('&'), i + 2))
    if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toUpper();
  return {};
}

using TMnemonics = std::map<QChar, QStringList>;

void Add(TMnemonics& keys, const QString& text, const QString& owner) {
  const QChar letter = Mnemonic(text);
  if (!letter.isNull()) keys[letter] << owner;
}

// The Alt keys live while `page` is shown: the menu bar's titles, the
// page tabs, the window's own Alt shortcuts (Alt+X), and the page's
// visible buttons, check boxes, group boxes and labels with a buddy.
TMnemonics LiveAltKeys(TMainForm& f, QWidget* page) {
  TMnemonics keys;
  for (QAction* menu : f.menuBar()->actions())
    if (menu->isVisible()) Add(keys, menu->text(), "menu " + menu->text());
  auto* pages = Named<QTabWidget>(f, "pgcMain");
  for (int i = 0; i < pages->count(); ++i)
    if (pages->isTabVisible(i)) Add(keys, pages->tabText(i), "tab " + pages->tabText(i));
  for (QAction* action : f.actions())
    for (const QKeySequence& key : action->shortcuts())
      if (key.count() == 1 && key[0].keyboardModifiers() == Qt::AltModifier)
        keys[QChar(key[0].key()).toUpper()] << "shortcut of " + action->objectName();
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&f)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
      Add(keys, button->text(), w->objectName());
    else if (auto* group = qobject_cast<QGroupBox*>(w))
      Add(keys, group->title(), w->objectName());
    else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
      Add(keys, label->text(), "label " + label->text());
  }
  return keys;
}

// No two of the Alt keys that are live together on any page (the image
// pages with their find bar open in replace mode) are the same letter.
TEST(WindowKeys, NoTwoLiveAltKeysClash) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  for (TImageKind kind : AllImageKinds) Fill(f.Editor(kind), 512);
  f.UpdateActions();
  Activate(f);
  auto* pages = Named<QTabWidget>(f, "pgcMain");
  for (int i = 0; i < pages->count(); ++i) {
    QWidget* page = pages->widget(i);
    pages->setCurrentWidget(page);
    RunUntilIdle();
    if (page != Named<QWidget>(f, "TabSheet2")) Named<TEditCommands>(f, "EditCommands")->Replace();
    const TMnemonics keys = LiveAltKeys(f, page);
    EXPECT_GE(keys.size(), 4u) << "the menu bar's titles at least";
    for (const auto& [letter, owners] : keys)
      EXPECT_EQ(owners.size(), 1) << "Alt+" << QString(letter).toStdString() << " on page "
                                  << pages->tabText(i).toStdString() << ": "
                                  << owners.join(QStringLiteral(", ")).toStdString();
  }
}

// Alt+E on the Programmer page presses Erase, which asks first.
TEST(WindowKeys, AltEErases) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  Activate(f);
  Named<QComboBox>(f, "cbProcessor")->setFocus();
  RunUntilIdle();
  h.Dialogs->Answers = {mrNo};
  Press(Qt::Key_E, Qt::AltModifier);
  // A mnemonic clicks its button a moment later, as a mouse click would.
  RunUntilIdle(300);
  ASSERT_EQ(h.Dialogs->Messages.size(), 1u);
  EXPECT_EQ(h.Dialogs->Messages[0].Text,
            "Do you really want to erase\nflash and internal eeprom memory?");
  EXPECT_FALSE(Named<QMenu>(f, "miEdit")->isVisible());
  EXPECT_EQ(Named<QAction>(f, "miExit")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
}

// Ctrl+O and Ctrl+S load and save the file of the page shown (on the
// Programmer page: F3's and F2's external EEPROM); Ctrl+Q leaves as Alt+X
// does, after the unsaved-changes question.
TEST(WindowKeys, StandardFileKeys) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  const QString flashFile = h.Dir.filePath("flash.hex");
  const std::vector<uint8_t> bytes(8192, 0x11);
  WriteHexFile(flashFile, bytes.data(), static_cast<int>(bytes.size()));
  f.LoadImageFile(ikFlash, flashFile);
  f.UpdateActions();
  Activate(f);
  Named<QComboBox>(f, "cbProcessor")->setFocus();
  RunUntilIdle();

  // The Programmer page: the external EEPROM's load, and no save while
  // that image is empty (F2 does none either).
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(h.Dialogs->OpenRequests.size(), 1u);
  EXPECT_EQ(h.Dialogs->OpenRequests[0].Title, "Open External EEprom file");
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(h.Dialogs->SaveRequests.empty());
  Fill(f.Editor(ikExtEE), 8192);
  f.UpdateActions();
  Press(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(h.Dialogs->SaveRequests.size(), 1u);
  EXPECT_EQ(h.Dialogs->SaveRequests[0].Title, "Save External EEprom file As");

  // The flash page, from inside its editor.
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  f.Editor(ikFlash)->setFocus();
  RunUntilIdle();
  Press(Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(h.Dialogs->OpenRequests.size(), 2u);
  EXPECT_EQ(h.Dialogs->OpenRequests[1].Title, "Open Flash file");
  // An edit, saved straight to the file it came from.
  Press(Qt::Key_A);
  EXPECT_TRUE(f.ImageModified(ikFlash));
  Press(Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(h.Dialogs->SaveRequests.size(), 1u) << "no dialog";
  EXPECT_FALSE(f.ImageModified(ikFlash));
  std::vector<uint8_t> saved(8192, 0);
  ReadHexFile(flashFile, saved.data(), static_cast<int>(saved.size()));
  EXPECT_EQ(saved[0], 0xA1);
  EXPECT_TRUE(h.Dialogs->Errors.empty());

  // Ctrl+Q asks about the edited image; Cancel keeps the program.
  Press(Qt::Key_B);
  Press(Qt::Key_Q, Qt::ControlModifier);
  RunUntilIdle();
  ASSERT_EQ(h.Dialogs->SaveQuestions.size(), 1);
  EXPECT_EQ(h.Dialogs->SaveQuestions[0], "The flash image has unsaved changes. Save them?");
  EXPECT_TRUE(f.isVisible());
  h.Dialogs->SaveChoices = {scDiscard};
  Press(Qt::Key_Q, Qt::ControlModifier);
  RunUntilIdle();
  EXPECT_FALSE(f.isVisible());
  // The keys of before stay.
  EXPECT_EQ(Named<QAction>(f, "actLoadExtEE")->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(Named<QAction>(f, "actSaveExtEE")->shortcut(), QKeySequence(Qt::Key_F2));
  EXPECT_TRUE(Named<QAction>(f, "miExit")->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_X)));
}

}  // namespace
