// What the window shows a user: a width that stays put while the find bar
// and the caret readout come and go, a Go to dialog that does not jump, a
// status line that says what each command did, message boxes over the
// window, and the user guide's contents list and find bar.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/EditCommands.h"
#include "app/EditorStatusFields.h"
#include "app/ElidedLabel.h"
#include "app/GuideFindBar.h"
#include "app/TextQueryDialog.h"
#include "app/UserGuideWindow.h"
#include "hexedit/widget/HexFindBar.h"
#include "images/HexFileUnit.h"
#include "tests/app/CardCommandsRig.h"
#include "tests/app/MainFormHarness.h"

namespace {

void Activate(QWidget& window) {
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// ---- The window's width ----------------------------------------------------

std::vector<QLabel*> ReadoutFields(const TMainForm& f) {
  return AllNamed<QLabel>(
      f, {"lblOffset", "lblSelection", "lblValue", "lblWord", "lblMode", "lblModified"});
}

// Every readout field on screen shows its whole text.
void ExpectFieldsWhole(const TMainForm& f, const char* when) {
  for (QLabel* field : ReadoutFields(f))
    if (field->isVisible()) {
      EXPECT_GE(field->width(), field->sizeHint().width())
          << when << ": " << field->objectName().toStdString() << " cut";
    }
}

// The window keeps the width it opened with while the find bar opens with
// a long note and closes, while the readout shows a selection and a long
// status text comes; the caret offset always shows whole, and the other
// fields show whole or not at all. A wide window shows every field.
TEST(WindowLayout, TheWidthStaysAndTheReadoutFitsOrStepsAside) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.Editor(ikFlash)->ResetData();
  f.Editor(ikFlash)->SetDataSize(8192);
  f.Editor(ikFlash)->SetModified(false);
  f.UpdateActions();
  f.show();
  RunUntilIdle();
  const int width = f.width();  // 601 with the default font
  TEditCommands* edit = Named<TEditCommands>(f, "EditCommands");

  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  f.Editor(ikFlash)->setFocus();
  f.Editor(ikFlash)->SelectRange(0x1230, 0x123F);
  f.Editor(ikFlash)->PokeByte(0x1240, 0x12);
  f.Editor(ikFlash)->SetModified(true);  // "Modified" too
  f.CardHost().SetStatusText("Device verified.");
  RunUntilIdle();
  EXPECT_EQ(f.width(), width);
  EXPECT_TRUE(Named<QLabel>(f, "lblOffset")->isVisible());
  EXPECT_EQ(Named<QLabel>(f, "lblOffset")->text(), "Offset 0x0000 (byte 0x0000)");
  EXPECT_EQ(Named<QLabel>(f, "lblSelection")->text(), "Sel 0x1230-0x123F (16 bytes)");
  ExpectFieldsWhole(f, "selection");
  EXPECT_FALSE(static_cast<TElidedLabel*>(Named<QLabel>(f, "StatusPanel"))->Elided());
  // A command's usual last word shows whole beside the readout.
  f.CardHost().SetStatusText("External eeprom image saved to ext.hex.");
  RunUntilIdle();
  EXPECT_EQ(f.width(), width);
  EXPECT_FALSE(static_cast<TElidedLabel*>(Named<QLabel>(f, "StatusPanel"))->Elided());
  EXPECT_TRUE(Named<QLabel>(f, "lblOffset")->isVisible());
  ExpectFieldsWhole(f, "a usual status");

  THexFindBar* bar = edit->FindBar(ikFlash);
  edit->Replace();
  bar->SetHexMode(false);
  bar->edFind->setText("no such text anywhere in the image");
  bar->FindNext();
  EXPECT_EQ(bar->Note(), "Not found");
  bar->SetHexMode(true);
  bar->edFind->setText("12");  // one match: the second search goes round
  bar->FindNext();
  bar->FindNext();
  EXPECT_EQ(bar->Note(), "Reached the end, continued from the start");
  RunUntilIdle();
  EXPECT_EQ(f.width(), width);
  EXPECT_LE(f.minimumSizeHint().width(), width);
  // The note shows whole: beside the field where the row has room, else
  // on a line of its own.
  EXPECT_TRUE(bar->lblNote->isVisible());
  EXPECT_GE(bar->lblNote->width(), bar->lblNote->fontMetrics().horizontalAdvance(bar->Note()));
  EXPECT_TRUE(Named<QLabel>(f, "lblOffset")->isVisible());
  ExpectFieldsWhole(f, "find bar open");
  bar->Close();
  RunUntilIdle();
  EXPECT_EQ(f.width(), width);

  // A long status text is cut with "…", the whole in the tool tip.
  f.CardHost().SetStatusText(
      "Card image a-card-image-with-a-long-name.hex written: flash, internal "
      "eeprom, external eeprom.");
  RunUntilIdle();
  EXPECT_EQ(f.width(), width);
  EXPECT_TRUE(static_cast<TElidedLabel*>(Named<QLabel>(f, "StatusPanel"))->Elided());
  EXPECT_TRUE(Named<QLabel>(f, "lblOffset")->isVisible());
  ExpectFieldsWhole(f, "long status");

  f.resize(1400, f.height());
  RunUntilIdle();
  edit->Find();
  bar->FindNext();
  RunUntilIdle();
  EXPECT_EQ(bar->Note(), "Reached the end, continued from the start");
  EXPECT_EQ(bar->lblNote->geometry().center().y(), bar->edFind->geometry().center().y())
      << "a wide window has room for the note in the find row";
  EXPECT_GE(bar->lblNote->width(), bar->lblNote->fontMetrics().horizontalAdvance(bar->Note()));
  for (QLabel* field : ReadoutFields(f))
    EXPECT_TRUE(field->isVisible()) << field->objectName().toStdString();
  ExpectFieldsWhole(f, "wide");
}

// ---- The Go to dialog --------------------------------------------------------

// A refused offset shows its message without moving the label, the field
// or the help line, nor cutting the help line; so does a second, longer
// message, and typing again.
TEST(GotoDialog, AnErrorKeepsTheHelpLineAndTheLayout) {
  TestApp();
  TTextQuery query;
  query.Title = "Go to Offset";
  query.Label = "&Offset:";
  query.Note =
      "Offsets on this page count words of 2 bytes: 0x100 is byte 0x200.\n"
      "Hex as 0x1F0 or 1F0h, decimal as 496, relative to the caret as +0x20 or -16.";
  query.Text = "0x0";
  QStringList refusals = {
      "Offset 0x2000 is outside the image (0x0 to 0xFFF)",
      "\"zz\" is not an offset: write hex as 0x1F0 or 1F0h, decimal as 496, or relative as "
      "+0x20 or -16",
      "A message much longer than any the program gives, to see that the dialog makes room for "
      "it below the field and the help line and cuts none of them, however many lines it "
      "takes."};
  query.Check = [&refusals](const QString&) {
    return refusals.isEmpty() ? QString() : refusals.takeFirst();
  };
  TTextQueryDialog dialog(query);
  auto* edText = Named<QLineEdit>(dialog, "edText");
  auto* lblNote = Named<QLabel>(dialog, "lblNote");
  auto* lblMessage = Named<QLabel>(dialog, "lblMessage");
  auto* btnOK = Named<QPushButton>(dialog, "btnOK");
  Activate(dialog);
  RunUntilIdle();
  // The label, field and help line, and the buttons and the dialog's size.
  const auto places = [&] { return std::vector<QRect>{edText->geometry(), lblNote->geometry()}; };
  const auto frame = [&] {
    return std::vector<QRect>{QRect(btnOK->mapTo(&dialog, QPoint()), btnOK->size()),
                              QRect(QPoint(), dialog.size())};
  };
  const std::vector<QRect> before = places();
  const std::vector<QRect> frameBefore = frame();
  const auto expectStable = [&](const char* when) {
    RunUntilIdle();
    EXPECT_EQ(places(), before) << when;
    EXPECT_TRUE(lblNote->isVisible()) << when;
    EXPECT_GE(lblNote->height(), lblNote->heightForWidth(lblNote->width()))
        << when << ": the help line is cut";
    if (!dialog.Message().isEmpty()) {
      EXPECT_GE(lblMessage->height(), lblMessage->heightForWidth(lblMessage->width()))
          << when << ": the message is cut";
    }
  };
  QTest::keyClick(edText, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Message(), "Offset 0x2000 is outside the image (0x0 to 0xFFF)");
  expectStable("first error");
  EXPECT_EQ(frame(), frameBefore) << "a one-line message has its room";
  QTest::keyClick(edText, Qt::Key_Return);
  EXPECT_TRUE(dialog.Message().startsWith("\"zz\" is not an offset"));
  expectStable("second error");
  EXPECT_EQ(frame(), frameBefore) << "so has one of two lines";
  QTest::keyClicks(edText, "1");
  EXPECT_EQ(dialog.Message(), QString());
  expectStable("typing");
  // A longer one makes the dialog taller, below the help line.
  QTest::keyClick(edText, Qt::Key_Return);
  EXPECT_TRUE(dialog.Message().startsWith("A message much longer"));
  expectStable("long error");
  EXPECT_GT(dialog.height(), frameBefore[1].height());
  QTest::keyClick(edText, Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// ---- The status line ---------------------------------------------------------

// Every command leaves one line saying what it did; an edit clears what
// the last command said, a command's own change of an image does not.
TEST(StatusLine, EachCommandSaysWhatItDidAndAnEditClearsIt) {
  TCardCommandsRig rig(CardConfig(4, 0));  // AT90S2323, 24C64
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(2048, 500, 16);
  rig.SetImage(f.Editor(ikFlash), flash);

  rig.Card().Faults().StuckFlashByte = 3;
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(f.CardHost().StatusText(), "Programming error.");
  // A command putting bytes into an image (a kept backup) leaves it.
  f.SetImageBytes(ikIntEE, std::vector<uint8_t>(128, 0x5A), true);
  EXPECT_EQ(f.CardHost().StatusText(), "Programming error.");
  // The user mends the image: the failure is no longer about it.
  RunUntilIdle();
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  Activate(f);
  f.Editor(ikFlash)->setFocus();
  const auto typeDigit = [&f] {
    // A digit other than the one under the caret: the byte changes.
    const bool c = f.Editor(ikFlash)->PeekByte(0) >> 4 == 0xC;
    QTest::keyClick(f.Editor(ikFlash), c ? Qt::Key_D : Qt::Key_C);
    EXPECT_EQ(f.Editor(ikFlash)->PeekByte(0) >> 4, c ? 0xD : 0xC);
  };
  typeDigit();
  EXPECT_EQ(f.CardHost().StatusText(), "");
  rig.Card().Faults().StuckFlashByte = -1;
  rig.Card().InternalEeprom() = RandomBytes(128, 501);
  rig.Card().ExternalEeprom().Memory = RandomBytes(8192, 502);

  rig.Dialogs->SaveChoices = {scDiscard, scDiscard};
  rig.Trigger(Named<QAction>(f, "actReadCard"));
  EXPECT_EQ(f.CardHost().StatusText(), "Card read: flash, internal eeprom, external eeprom.");
  rig.Trigger(Named<QAction>(f, "actReadFlash"));
  EXPECT_EQ(f.CardHost().StatusText(), "Flash image read from the card.");

  const QString card = rig.Dir.filePath("card.hex");
  rig.Dialogs->SaveAnswers = {card};
  rig.Trigger(Named<QAction>(f, "actSaveCardImage"));
  EXPECT_EQ(f.CardHost().StatusText(),
            "Card image card.hex written: flash, internal eeprom, external eeprom.");
  typeDigit();  // the read put the caret back on the first digit
  EXPECT_EQ(f.CardHost().StatusText(), "");
  rig.Dialogs->SaveChoices = {scDiscard};
  rig.Dialogs->OpenAnswers = {card};
  rig.Trigger(Named<QAction>(f, "actLoadCardImage"));
  EXPECT_EQ(f.CardHost().StatusText(),
            "Card image card.hex loaded: flash, internal eeprom, external eeprom.");

  const QString image = rig.Dir.filePath("eeprom.hex");
  rig.Dialogs->SaveAnswers = {image};
  rig.Trigger(Named<QAction>(f, "actSaveIntEE"));
  EXPECT_EQ(f.CardHost().StatusText(), "Internal eeprom image saved to eeprom.hex.");
  f.CardHost().SetStatusText("Device verified.");
  rig.Dialogs->OpenAnswers = {image};
  rig.Trigger(Named<QAction>(f, "actLoadIntEE"));
  EXPECT_EQ(f.CardHost().StatusText(), "Internal eeprom image loaded from eeprom.hex.");
  EXPECT_TRUE(rig.Dialogs->Errors.empty()) << rig.Dialogs->Errors[0].Text.toStdString();
}

// ---- Message boxes -----------------------------------------------------------

// The window's message boxes stand centred over it; an error box (the
// page-verify error among them) carries the program's name like the
// window's other error boxes, the others keep their kind's caption.
TEST(MessageBoxes, TheWindowsBoxesStandOverItAndErrorsCarryTheProgramsName) {
  TestApp();
  QWidget window;
  window.setGeometry(180, 140, 601, 407);
  Activate(window);
  TQtUserDialogs dialogs;
  struct TSeen {
    QString Title;
    QWidget* Parent = nullptr;
    QPoint Centre;
  };
  const auto show = [&](const QString& text, TMessageKind kind, TMessageButtons buttons) {
    TSeen seen;
    QTimer::singleShot(0, [&seen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->parentWidget(), box->frameGeometry().center()};
      box->defaultButton()->click();
    });
    dialogs.MessageDialog(&window, text, kind, buttons);
    return seen;
  };
  const QPoint centre = window.frameGeometry().center();
  const TSeen error = show("Page verify error at: 0x1E0", mkError, mbOK);
  EXPECT_EQ(error.Title, "Pellar Remake");
  EXPECT_EQ(error.Parent, &window);
  EXPECT_LE((error.Centre - centre).manhattanLength(), 4)
      << error.Centre.x() << "," << error.Centre.y();
  const TSeen question = show("Do you really want to erase?", mkConfirmation, mbYesNo);
  EXPECT_EQ(question.Title, "Confirm");
  EXPECT_LE((question.Centre - centre).manhattanLength(), 4);
}

// ---- The user guide window -----------------------------------------------------

// The guide's headings, as its Markdown writes them (outside code blocks),
// as text: code spans show without their backticks.
QStringList GuideHeadings() {
  QFile guide(TUserGuideWindow::GuideResource());
  EXPECT_TRUE(guide.open(QIODevice::ReadOnly));
  QStringList headings;
  bool code = false;
  static const QRegularExpression heading(QStringLiteral("^#{1,6}\\s+(.*\\S)\\s*$"));
  for (const QString& line : QString::fromUtf8(guide.readAll()).split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("```"))) code = !code;
    const QRegularExpressionMatch m = heading.match(line);
    if (!code && m.hasMatch()) headings << m.captured(1).remove(QLatin1Char('`'));
  }
  return headings;
}

QTreeWidgetItem* Entry(TUserGuideWindow& w, const QString& text) {
  const QList<QTreeWidgetItem*> found =
      Named<QTreeWidget>(w, "UserGuideContents")
          ->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.front();
}

// The heading at the top of the guide's view.
QString TopHeading(TUserGuideWindow& w) {
  return Named<QTextBrowser>(w, "UserGuideBrowser")->cursorForPosition(QPoint(4, 4)).block().text();
}

TEST(UserGuideWindow, ContentsListTheHeadingsAndShowTheirSections) {
  TestApp();
  TUserGuideWindow w;
  auto* contents = Named<QTreeWidget>(w, "UserGuideContents");
  auto* browser = Named<QTextBrowser>(w, "UserGuideBrowser");
  Activate(w);
  RunUntilIdle();
  QStringList entries;
  for (QTreeWidgetItemIterator it(contents); *it; ++it) entries << (*it)->text(0);
  const QStringList headings = GuideHeadings();
  EXPECT_GE(headings.size(), 10);
  EXPECT_EQ(entries, headings);
  QTreeWidgetItem* keys = Entry(w, "Menus and keys");
  ASSERT_NE(keys, nullptr);
  ASSERT_NE(keys->parent(), nullptr);
  EXPECT_EQ(keys->parent()->text(0), "The window");

  // A click on an entry brings its heading to the top.
  for (const char* section : {"File formats", "Menus and keys", "The virtual card"}) {
    QTreeWidgetItem* item = Entry(w, section);
    ASSERT_NE(item, nullptr) << section;
    contents->scrollToItem(item);
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, Qt::NoModifier,
                      contents->visualItemRect(item).center());
    EXPECT_EQ(TopHeading(w), section);
  }
  // Reading on moves the list's mark along.
  browser->verticalScrollBar()->setValue(0);
  EXPECT_EQ(contents->currentItem(), contents->topLevelItem(0));
  w.ShowSection(Entry(w, "Loading and saving"));
  browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->value() + 40);
  EXPECT_EQ(contents->currentItem(), Entry(w, "Loading and saving"));
}

TEST(UserGuideWindow, CtrlFFindsInTheGuide) {
  TestApp();
  TUserGuideWindow w;
  auto* browser = Named<QTextBrowser>(w, "UserGuideBrowser");
  auto* findBar = Named<TGuideFindBar>(w, "GuideFindBar");
  auto* edFind = Named<QLineEdit>(w, "edGuideFind");
  Activate(w);
  browser->setFocus();
  RunUntilIdle();
  EXPECT_FALSE(findBar->isVisible());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(findBar->isVisible());
  ASSERT_EQ(QApplication::focusWidget(), edFind);

  // Typing finds the first match; Enter goes through all of them in
  // order and then round the end; Shift+Enter goes back round the start.
  const QString plain = browser->toPlainText();
  const int count = int(plain.count(QStringLiteral("virtual card"), Qt::CaseInsensitive));
  ASSERT_GE(count, 3);
  QTest::keyClicks(edFind, "Virtual Card");
  const auto match = [browser] { return browser->textCursor().selectionStart(); };
  EXPECT_EQ(match(), int(plain.indexOf(QStringLiteral("virtual card"), 0, Qt::CaseInsensitive)));
  EXPECT_EQ(browser->textCursor().selectedText().toLower(), "virtual card");
  const int first = match();
  int last = first;
  for (int i = 1; i < count; ++i) {
    QTest::keyClick(edFind, Qt::Key_Return);
    EXPECT_GT(match(), last) << i;
    EXPECT_EQ(findBar->Note(), "");
    EXPECT_TRUE(browser->viewport()->rect().contains(browser->cursorRect())) << "in view";
    last = match();
  }
  QTest::keyClick(edFind, Qt::Key_Return);
  EXPECT_EQ(match(), first);
  EXPECT_EQ(findBar->Note(), "Reached the end, continued from the start");
  QTest::keyClick(edFind, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(match(), last);
  EXPECT_EQ(findBar->Note(), "Reached the start, continued from the end");

  edFind->selectAll();
  QTest::keyClicks(edFind, "no such words in the guide");
  EXPECT_EQ(findBar->Note(), "Not found");
  // Escape closes the bar, not the guide.
  QTest::keyClick(edFind, Qt::Key_Escape);
  EXPECT_FALSE(findBar->isVisible());
  EXPECT_TRUE(w.isVisible());
}

}  // namespace
