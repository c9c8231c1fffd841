// The editing tools as a user reaches them, with real key and mouse
// events: undo and redo keys, the clipboard, the find bar, Shift+click and
// double click, window shortcuts that must not take the editor's keys,
// and the colours of a dark palette.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"

namespace {

struct TToolsEditor {
  QMainWindow Window;
  THexEditor* Ed;
  THexFindBar* Bar;
  QStringList Errors;

  explicit TToolsEditor(int size = 512) {
    auto* page = new QWidget(&Window);
    auto* layout = new QVBoxLayout(page);
    Ed = new THexEditor(page);
    Bar = new THexFindBar(Ed, page);
    layout->addWidget(Ed);
    layout->addWidget(Bar);
    Window.setCentralWidget(page);
    Window.resize(900, 400);
    Window.show();
    QApplication::setActiveWindow(&Window);
    Ed->setFocus();
    QCoreApplication::processEvents();
    Ed->ResetData();
    Ed->SetDataSize(size);
    for (int i = 0; i < size; ++i) Ed->PokeByte(i, uint8_t(i));
    Ed->ClearUndo();
    QObject::connect(Ed, &TCustomHexEditor::errorRaised, [this](const QString& e) { Errors << e; });
  }
  THexEditorCore& Core() { return Ed->Core(); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Ed, key, mods);
  }
  void Type(const char* text) { QTest::keyClicks(Ed, QString::fromLatin1(text)); }
  std::vector<int> Selection() {
    if (!Core().HasSelection()) return {};
    return {Core().SelectionLow(), Core().SelectionHigh()};
  }
  QPoint At(int pos, bool inChar = false) {
    const TGridCoord c = Core().Layout().PositionToCell(pos, inChar);
    const TRect r = Core().Layout().Grid().CellRect(c.Col, c.Row);
    return QPoint(r.Left + 2, r.Top + r.Height() / 2);
  }
  // The background of a byte's hex cell as the screen shows it (the
  // window's backing store, which changes only where a repaint was asked
  // for) and as a full paint of the view draws it now.
  std::pair<QString, QString> ShownAndPainted(int pos) {
    QCoreApplication::processEvents();
    const TGridCoord c = Core().Layout().PositionToCell(pos, false);
    const TRect r = Core().Layout().Grid().CellRect(c.Col, c.Row);
    const QPoint p(r.Left + 1, r.Top + 1);
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(Window.winId()).toImage();
    const QImage painted = Ed->viewport()->grab().toImage();
    return {screen.pixelColor(Ed->viewport()->mapTo(&Window, p)).name(),
            painted.pixelColor(p).name()};
  }
};

TEST(HexEditorTools, UndoAndRedoKeys) {
  TToolsEditor t;
  // A caret move between a byte's two digits makes them two undo steps.
  t.Type("a");
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Left);
  t.Type("5");
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA5);
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA0);
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0x00);
  EXPECT_EQ(t.Core().Caret(), (THexCaret{0, false, false}));
  t.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA0);
  t.Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA5);
  EXPECT_FALSE(t.Ed->CanRedo());

  // Insert mode comes back with the edit it was on for.
  t.Key(Qt::Key_Insert);
  t.Type("7");
  EXPECT_EQ(t.Ed->DataSize(), 513);
  t.Key(Qt::Key_Insert);
  EXPECT_FALSE(t.Ed->InsertMode());
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->DataSize(), 512);
  EXPECT_TRUE(t.Ed->InsertMode());

  // Nothing is undone while the main window's lock is on.
  t.Ed->SetReadOnlyView(true);
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA5);
  t.Ed->SetReadOnlyView(false);
}

TEST(HexEditorTools, UndoTakesBackAWholeTypedByte) {
  TToolsEditor t;
  t.Ed->PokeByte(0, 0x79);
  t.Type("AB");
  EXPECT_EQ(t.Ed->PeekByte(0), 0xAB);
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0x79);
  EXPECT_FALSE(t.Ed->CanUndo());
  t.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 0xAB);
}

TEST(HexEditorTools, ClipboardKeys) {
  TToolsEditor t(16);
  t.Key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0, 15}));
  t.Key(Qt::Key_C, Qt::ControlModifier);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(mime, nullptr);
  EXPECT_EQ(mime->text(), QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"));
  EXPECT_EQ(mime->data(QLatin1String(HexBytesMimeType)).size(), 16);

  // Text pasted in insert mode goes in at the caret, as one undo step.
  QGuiApplication::clipboard()->setText(QStringLiteral("de ad be ef"));
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Right);
  t.Key(Qt::Key_Insert);
  t.Key(Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(t.Ed->DataSize(), 20);
  EXPECT_EQ(t.Ed->PeekByte(1), 0xDE);
  EXPECT_EQ(t.Ed->PeekByte(4), 0xEF);
  EXPECT_EQ(t.Ed->PeekByte(5), 0x01);
  EXPECT_EQ(t.Core().Caret().Position, 5);
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->DataSize(), 16);

  // Text that is not hex: a message, nothing changed.
  QGuiApplication::clipboard()->setText(QStringLiteral("de ad xyz"));
  t.Key(Qt::Key_V, Qt::ControlModifier);
  ASSERT_EQ(t.Errors.size(), 1);
  EXPECT_EQ(
      t.Errors[0],
      QStringLiteral(
          "\"xyz\" is not hex: write bytes as hex digits, such as DE AD BE EF or 0xDEADBEEF"));
  EXPECT_EQ(t.Ed->DataSize(), 16);

  // Cut takes the bytes out; our own bytes paste back exactly, also into
  // the character field.
  t.Ed->SelectRange(4, 7);
  t.Key(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->DataSize(), 12);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("04 05 06 07"));
  t.Key(Qt::Key_Tab);
  ASSERT_TRUE(t.Ed->CaretInCharField());
  t.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->DataSize(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(t.Ed->PeekByte(i), i);

  // Characters from another program go into the character field as text.
  QGuiApplication::clipboard()->setText(QStringLiteral("Hi"));
  t.Key(Qt::Key_Insert);
  t.Key(Qt::Key_Home);
  t.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->PeekByte(0), 'H');
  EXPECT_EQ(t.Ed->PeekByte(1), 'i');
  EXPECT_EQ(t.Ed->DataSize(), 16);  // overwrite mode overwrites
}

TEST(HexEditorTools, WindowShortcutsDoNotTakeTheEditorsKeys) {
  TToolsEditor t(16);
  int windowUndos = 0, windowFinds = 0;
  auto* undo = new QAction(&t.Window);
  undo->setShortcut(QKeySequence::Undo);
  QObject::connect(undo, &QAction::triggered, [&] { ++windowUndos; });
  auto* find = new QAction(&t.Window);
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  QObject::connect(find, &QAction::triggered, [&] { ++windowFinds; });
  t.Window.addAction(undo);
  t.Window.addAction(find);
  t.Type("1");
  t.Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(windowUndos, 0);
  EXPECT_EQ(t.Ed->PeekByte(0), 0x00);
  // Keys the editor does not use go on to the window.
  t.Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(windowFinds, 1);
  // And the key table's own Ctrl keys still work: Ctrl+T switches field.
  t.Key(Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(t.Ed->CaretInCharField());
}

TEST(HexEditorTools, FindBarSelectsMatches) {
  TToolsEditor t;
  const char* word = "Pellar";
  for (int i = 0; word[i]; ++i) t.Ed->PokeByte(0x180 + i, uint8_t(word[i]));
  t.Bar->OpenFind();
  ASSERT_TRUE(t.Bar->isVisible());
  ASSERT_TRUE(t.Bar->edFind->hasFocus());
  // Hex bytes.
  const QString unselected = t.ShownAndPainted(0x11).first;
  QTest::keyClicks(t.Bar->edFind, QStringLiteral("10 11 12"));
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x10, 0x12}));
  // The match shows on the screen, as a full paint would draw it.
  auto [shown, painted] = t.ShownAndPainted(0x11);
  EXPECT_EQ(shown, painted);
  EXPECT_NE(shown, unselected);
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x110, 0x112}));
  std::tie(shown, painted) = t.ShownAndPainted(0x11);
  EXPECT_EQ(shown, unselected);
  EXPECT_EQ(painted, unselected);
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x10, 0x12}));
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("Reached the end, continued from the start"));
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x110, 0x112}));
  // Text, without case.
  t.Bar->SetHexMode(false);
  t.Bar->edFind->clear();
  QTest::keyClicks(t.Bar->edFind, QStringLiteral("pELLAR"));
  t.Bar->btnNext->click();
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x180, 0x185}));
  t.Bar->cbMatchCase->setChecked(true);
  t.Bar->btnNext->click();
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("Not found"));
  // Bad hex: a note, the selection stays.
  t.Bar->SetHexMode(true);
  t.Bar->edFind->setText(QStringLiteral("zz"));
  t.Bar->btnNext->click();
  EXPECT_TRUE(t.Bar->Note().startsWith(QStringLiteral("\"zz\" is not hex")));
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x180, 0x185}));

  // Replace all is one step.
  t.Bar->OpenReplace();
  t.Bar->edFind->setText(QStringLiteral("10"));
  t.Bar->edReplace->setText(QStringLiteral("ee ff"));
  t.Bar->btnReplaceAll->click();
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("2 matches replaced"));
  EXPECT_EQ(t.Ed->DataSize(), 514);
  std::tie(shown, painted) = t.ShownAndPainted(0x11);
  EXPECT_EQ(shown, painted);
  t.Ed->Undo();
  EXPECT_EQ(t.Ed->DataSize(), 512);
  // Replace: the first click finds, the second replaces and finds on.
  t.Bar->btnReplace->click();
  t.Bar->btnReplace->click();
  EXPECT_EQ(t.Ed->PeekByte(0x11), 0xFF);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x111, 0x111}));
  std::tie(shown, painted) = t.ShownAndPainted(0x11);
  EXPECT_EQ(shown, painted);
  t.Ed->Undo();
  // A selection in the character field seeds the bar as text, unless a
  // byte shows as the mask character: then as hex bytes.
  QTest::keyClick(t.Bar->edFind, Qt::Key_Escape);
  t.Core().MoveCaret(THexCaret{0x180, true, false});
  t.Core().SelectRange(0x180, 0x185);
  t.Bar->OpenFind();
  EXPECT_FALSE(t.Bar->HexMode());
  EXPECT_EQ(t.Bar->edFind->text(), QStringLiteral("Pellar"));
  t.Bar->Close();
  t.Core().ClearSelection(true);
  t.Core().MoveCaret(THexCaret{0x1E, true, false});
  t.Core().SelectRange(0x1E, 0x21);  // 1E and 1F show as the mask character
  t.Bar->OpenFind();
  EXPECT_TRUE(t.Bar->HexMode());
  EXPECT_EQ(t.Bar->edFind->text(), QStringLiteral("1E 1F 20 21"));
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x11E, 0x121}));
  QTest::keyClick(t.Bar->edFind, Qt::Key_Return);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x1E, 0x21}));
  // Nothing to replace in a read-only view, nor in no data.
  t.Bar->OpenReplace();
  t.Ed->SetReadOnlyView(true);
  t.Bar->btnReplaceAll->click();
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("The image cannot be changed now"));
  t.Bar->btnReplace->click();
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("The image cannot be changed now"));
  EXPECT_EQ(t.Ed->DataSize(), 512);
  t.Ed->SetReadOnlyView(false);
  t.Ed->ResetData();
  t.Bar->btnReplaceAll->click();
  EXPECT_EQ(t.Bar->Note(), QStringLiteral("Not found"));
  // Escape closes the bar and the editor has the focus again.
  QTest::keyClick(t.Bar->edFind, Qt::Key_Escape);
  EXPECT_FALSE(t.Bar->isVisible());
  EXPECT_TRUE(t.Ed->hasFocus());
}

TEST(HexEditorTools, GotoShiftClickAndDoubleClick) {
  TToolsEditor t;
  t.Ed->GotoOffset(QStringLiteral("0x100"));
  EXPECT_EQ(t.Core().Caret().Position, 0x100);
  EXPECT_GE(t.Core().Layout().RowOfPosition(0x100),
            t.Core().Layout().Grid().TopRow());  // scrolled into view

  QTest::mouseClick(t.Ed->viewport(), Qt::LeftButton, Qt::NoModifier, t.At(0x104));
  QTest::mouseClick(t.Ed->viewport(), Qt::LeftButton, Qt::ShiftModifier, t.At(0x112));
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x104, 0x112}));
  t.Ed->SetBytesPerUnit(2);
  QTest::mouseDClick(t.Ed->viewport(), Qt::LeftButton, Qt::NoModifier, t.At(0x109, true));
  EXPECT_EQ(t.Selection(), (std::vector<int>{0x108, 0x109}));
}

TEST(HexEditorTools, DarkPaletteColours) {
  TToolsEditor t(16);
  const THexColors light;
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::Dark, QColor(0x14, 0x14, 0x14));
  dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  const QPalette was = t.Ed->palette();
  t.Ed->setPalette(dark);
  EXPECT_FALSE(t.Ed->Colors().SameColors(light));
  const TColor back = t.Core().Appearance().ToRGB(t.Ed->Colors().Background());
  EXPECT_GE(ContrastRatio(t.Core().Appearance().ToRGB(t.Ed->Colors().OddColumn()), back), 4.5);
  t.Ed->setPalette(was);
  EXPECT_TRUE(t.Ed->Colors().SameColors(light));
  // A colour the host chose stays.
  t.Ed->Colors().SetOddColumn(clFuchsia);
  t.Ed->setPalette(dark);
  EXPECT_EQ(t.Ed->Colors().OddColumn(), clFuchsia);
  EXPECT_EQ(t.Ed->Colors().EvenColumn(), light.EvenColumn());
}

}  // namespace
