// The widget driven as a user drives it, with QTest key, text and mouse
// events on the offscreen platform: keys and typing, Tab and WantTabs,
// clicks and drags, the auto-scroll timer, the wheel, cursor shapes,
// focus, and ReadOnlyView as the main window uses it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "hexedit/widget/HexEditor.h"

namespace {

struct TInputEditor {
  QWidget Window;
  THexEditor* Ed;
  QLineEdit* Other;

  explicit TInputEditor(int size = 64) {
    auto* layout = new QHBoxLayout(&Window);
    Ed = new THexEditor(&Window);
    Other = new QLineEdit(&Window);
    layout->addWidget(Ed);
    layout->addWidget(Other);
    // Wide enough for a whole row of both fields.
    Other->setMaximumWidth(60);
    Window.resize(1000, 300);
    Window.show();
    QApplication::setActiveWindow(&Window);
    Ed->setFocus();
    QCoreApplication::processEvents();
    if (size > 0) {
      Ed->SetDataSize(size);
      for (int i = 0; i < size; ++i) Ed->PokeByte(i, uint8_t(i));
    }
  }
  THexEditorCore& Core() { return Ed->Core(); }
  QPoint At(int col, int row, int dx = 2) {
    const TRect r = Core().Layout().Grid().CellRect(col, row);
    EXPECT_FALSE(r.IsEmpty()) << col << ", " << row;
    return QPoint(r.Left + dx, r.Top + r.Height() / 2);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Ed, key, mods);
  }
  void Type(const char* text) { QTest::keyClicks(Ed, QString::fromLatin1(text)); }
  QWidget* View() { return Ed->viewport(); }
  std::vector<int> Selection() {
    if (!Core().HasSelection()) return {};
    return {Core().SelectionLow(), Core().SelectionHigh()};
  }
};

TEST(HexEditorInput, FocusedEditorTakesKeysAndText) {
  TInputEditor t;
  ASSERT_TRUE(t.Ed->hasFocus());
  t.Type("a5");
  EXPECT_EQ(t.Ed->PeekByte(0), 0xA5);
  EXPECT_EQ(t.Core().Caret(), (THexCaret{1, false, false}));
  QSignalSpy invalid(t.Ed, &TCustomHexEditor::invalidKey);
  t.Type("g");
  EXPECT_EQ(invalid.count(), 1);
  EXPECT_EQ(t.Ed->PeekByte(1), 0x01);
  t.Key(Qt::Key_Down);
  t.Key(Qt::Key_End);
  EXPECT_EQ(t.Core().Caret(), (THexCaret{31, false, true}));
  // Delete's and Backspace's own text is no typed character.
  t.Key(Qt::Key_Delete);
  t.Key(Qt::Key_Backspace);
  EXPECT_EQ(t.Ed->DataSize(), 64);
  EXPECT_EQ(t.Core().Caret(), (THexCaret{31, false, false}));
  t.Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->DataSize(), 63);
  EXPECT_EQ(t.Ed->PeekByte(31), 32);
  // Insert mode and typing into the character field.
  t.Key(Qt::Key_Insert);
  EXPECT_TRUE(t.Ed->InsertMode());
  t.Key(Qt::Key_Tab);
  t.Type("Hi");
  EXPECT_EQ(t.Ed->DataSize(), 65);
  EXPECT_EQ(t.Ed->PeekByte(31), 'H');
  EXPECT_EQ(t.Ed->PeekByte(32), 'i');
}

TEST(HexEditorInput, ShiftRightWithUnitsOfTwo) {
  TInputEditor t;
  t.Ed->SetBytesPerUnit(2);
  t.Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0, 3}));
  t.Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(t.Selection(), (std::vector<int>{0, 19}));
  t.Key(Qt::Key_Left);
  EXPECT_TRUE(t.Selection().empty());
}

TEST(HexEditorInput, SelectionNoticeOncePerLoopTurn) {
  TInputEditor t;
  QCoreApplication::processEvents();
  QSignalSpy spy(t.Ed, &TCustomHexEditor::selectionChanged);
  for (int i = 0; i < 5; ++i) t.Key(Qt::Key_Right, Qt::ShiftModifier);
  t.Key(Qt::Key_PageDown);
  EXPECT_EQ(spy.count(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.count(), 1);
}

TEST(HexEditorInput, BookmarksByKey) {
  TInputEditor t;
  QSignalSpy spy(t.Ed, &TCustomHexEditor::bookmarkChanged);
  t.Ed->SetSelStart(20);
  t.Key(Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(t.Core().Document().Bookmark(3), (THexBookmark{20, false}));
  // A keyboard that reports the shifted symbol of the number row.
  t.Key(Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(t.Core().Document().Bookmark(3).Position, -1);
  t.Key(Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
  t.Ed->SetSelStart(0);
  t.Key(Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->CaretPosition(), 20);
  EXPECT_EQ(spy.count(), 3);
}

TEST(HexEditorInput, TabFollowsWantTabs) {
  TInputEditor t;
  t.Key(Qt::Key_Tab);
  EXPECT_TRUE(t.Ed->CaretInCharField());
  t.Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(t.Ed->CaretInCharField());
  EXPECT_TRUE(t.Ed->hasFocus());
  t.Ed->SetWantTabs(false);
  t.Key(Qt::Key_Tab);
  EXPECT_FALSE(t.Ed->CaretInCharField());
  EXPECT_TRUE(t.Other->hasFocus());
}

TEST(HexEditorInput, HostKeyHooksComeFirst) {
  TInputEditor t;
  t.Ed->OnKeyDown = [](TCustomHexEditor*, int& key, THexShiftState) {
    if (key == hkDown) key = hkNone;
  };
  t.Ed->OnKeyPress = [](TCustomHexEditor*, char32_t& c) {
    if (c == U'z') c = U'f';
  };
  t.Key(Qt::Key_Down);
  EXPECT_EQ(t.Ed->CaretPosition(), 0);
  t.Type("z");
  EXPECT_EQ(t.Ed->PeekByte(0), 0xF0);
}

TEST(HexEditorInput, ClickDragAndClickInsideTheSelection) {
  TInputEditor t;
  QTest::mouseClick(t.View(), Qt::LeftButton, {}, t.At(7, 3));
  EXPECT_EQ(t.Core().Caret(), (THexCaret{18, false, true}));
  // A drag from byte 18 to byte 36.
  QTest::mousePress(t.View(), Qt::LeftButton, {}, t.At(6, 3));
  QTest::mouseMove(t.View(), t.At(8, 4));
  QTest::mouseMove(t.View(), t.At(10, 4));
  QTest::mouseRelease(t.View(), Qt::LeftButton, {}, t.At(10, 4));
  EXPECT_EQ(t.Selection(), (std::vector<int>{18, 36}));
  // The arrow over it while no button is held.
  QTest::mouseMove(t.View(), t.At(12, 3));
  EXPECT_EQ(t.View()->cursor().shape(), Qt::ArrowCursor);
  QTest::mouseMove(t.View(), t.At(12, 5));
  EXPECT_EQ(t.View()->cursor().shape(), Qt::IBeamCursor);
  // Dragging from inside keeps it; a click inside drops it.
  QTest::mousePress(t.View(), Qt::LeftButton, {}, t.At(12, 3));
  QTest::mouseMove(t.View(), t.At(20, 5));
  QTest::mouseRelease(t.View(), Qt::LeftButton, {}, t.At(20, 5));
  EXPECT_EQ(t.Selection(), (std::vector<int>{18, 36}));
  QTest::mouseClick(t.View(), Qt::LeftButton, {}, t.At(12, 3));
  EXPECT_TRUE(t.Selection().empty());
  EXPECT_EQ(t.Core().Caret(), (THexCaret{21, false, false}));
}

TEST(HexEditorInput, ClicksAnywhereKeepTheEditorSane) {
  TInputEditor t(40);
  t.Ed->SetShowRuler(true);
  const QSize view = t.View()->size();
  for (int y = -3; y < view.height() + 3; y += 7) {
    for (int x = -3; x < view.width() + 3; x += 11) {
      QTest::mouseClick(t.View(), Qt::LeftButton, {}, QPoint(x, y));
      const THexCaret c = t.Core().Caret();
      ASSERT_GE(c.Position, 0);
      ASSERT_LT(c.Position, 40) << x << ", " << y;
      ASSERT_TRUE(t.Selection().empty() || t.Core().SelectionHigh() < 40);
    }
  }
}

TEST(HexEditorInput, DragBelowTheViewScrollsOnTheTimer) {
  TInputEditor t(16 * 200);
  const QPoint start = t.At(6, 3);
  QTest::mousePress(t.View(), Qt::LeftButton, {}, start);
  QTest::mouseMove(t.View(), QPoint(start.x(), t.View()->height() + 5));
  const int top = t.Core().Layout().Grid().TopRow();
  QTest::qWait(400);
  EXPECT_GT(t.Core().Layout().Grid().TopRow(), top + 2);
  QTest::mouseRelease(t.View(), Qt::LeftButton, {}, QPoint(start.x(), t.View()->height() + 5));
  const int after = t.Core().Layout().Grid().TopRow();
  EXPECT_EQ(t.Core().SelectionLow(), 18);
  EXPECT_GT(t.Core().SelectionHigh(), 16 * (after - 2));
  QTest::qWait(150);
  EXPECT_EQ(t.Core().Layout().Grid().TopRow(), after);
}

TEST(HexEditorInput, WheelMovesTheCaretUnlessTheHostTakesIt) {
  TInputEditor t(16 * 50);
  auto wheel = [&](int delta) {
    QWheelEvent e(QPointF(50, 50), t.View()->mapToGlobal(QPointF(50, 50)), QPoint(),
                  QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(t.View(), &e);
  };
  wheel(-240);
  EXPECT_EQ(t.Ed->CaretPosition(), 32);
  wheel(60);  // half a notch
  EXPECT_EQ(t.Ed->CaretPosition(), 32);
  wheel(60);
  EXPECT_EQ(t.Ed->CaretPosition(), 16);
  t.Ed->OnMouseWheel = [](TCustomHexEditor*, THexShiftState, int, QPoint, bool& handled) {
    handled = true;
  };
  wheel(-120);
  EXPECT_EQ(t.Ed->CaretPosition(), 16);
}

TEST(HexEditorInput, LosingTheFocusEndsSelecting) {
  TInputEditor t;
  QTest::keyPress(t.Ed, Qt::Key_Shift);
  EXPECT_TRUE(t.Core().Selection().Selecting);
  t.Other->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(t.Core().Selection().Selecting);
  EXPECT_FALSE(t.Core().ShiftDown());
}

TEST(HexEditorInput, ReadOnlyViewDuringACardCommand) {
  // As the main window does around a card command.
  TInputEditor t;
  t.Key(Qt::Key_Insert);
  t.Ed->SetReadOnlyView(true);
  EXPECT_FALSE(t.Ed->InsertMode());
  const std::vector<uint8_t> before(t.Ed->DataPointer(), t.Ed->DataPointer() + 64);
  t.Type("12ab");
  for (Qt::Key k : {Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Insert}) t.Key(k);
  t.Key(Qt::Key_Delete, Qt::ControlModifier);
  t.Key(Qt::Key_Tab);
  t.Type("xyz");
  EXPECT_EQ(std::vector<uint8_t>(t.Ed->DataPointer(), t.Ed->DataPointer() + 64), before);
  // Navigation and selection still work.
  t.Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(t.Ed->CaretPosition(), 63);
  t.Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(t.Ed->SelCount(), 2);
  QTest::mouseClick(t.View(), Qt::LeftButton, {}, t.At(6, 2));
  EXPECT_EQ(t.Ed->CaretPosition(), 2);
  t.Ed->SetReadOnlyView(false);
  EXPECT_TRUE(t.Ed->InsertMode());
  t.Type("7");
  EXPECT_EQ(t.Ed->DataSize(), 65);
}

}  // namespace
