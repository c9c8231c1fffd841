// The mouse in cell and pixel terms: clicks, drag selection, the pending
// click inside a selection, the hit adjustment at row ends, auto-scroll,
// the wheel and the cursor shape.

#include "tests/hexedit/core/HexInputFixture.h"

namespace {

struct MouseTest : InputTest {
  struct TPoint {
    int X, Y;
  };
  TPoint At(int col, int row, int dx = 2) const {
    const TRect r = Ed.Layout().Grid().CellRect(col, row);
    EXPECT_FALSE(r.IsEmpty()) << col << ", " << row;
    return {r.Left + dx, r.Top + r.Height() / 2};
  }
  void Press(TPoint p, THexShiftState s = 0) { Ed.MouseDown(mbLeft, s, p.X, p.Y); }
  void Move(TPoint p) { Ed.MouseMove(hsLeft, p.X, p.Y); }
  void Release(TPoint p) { Ed.MouseUp(mbLeft, hsLeft, p.X, p.Y); }
  void Click(TPoint p) {
    Press(p);
    Release(p);
  }
};

TEST_F(MouseTest, ClickAndDragSelect) {
  Sized(64);
  Press(At(7, 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{18, false, true}));
  EXPECT_TRUE(Ed.Selection().Selecting);
  EXPECT_TRUE(Ed.Dragging());
  EXPECT_TRUE(Selection().empty());
  Move(At(10, 4));
  EXPECT_EQ(Ed.Caret(), (THexCaret{36, false, false}));
  EXPECT_EQ(Selection(), (std::vector<int>{18, 36}));
  Move(At(40, 2));  // into the character field and back before the origin
  EXPECT_EQ(Ed.Caret(), (THexCaret{5, true, false}));
  EXPECT_EQ(Selection(), (std::vector<int>{5, 18}));
  EXPECT_EQ(Ed.SelStart(), 18);
  Release(At(38, 2));  // the last stretch counts
  EXPECT_FALSE(Ed.Dragging());
  EXPECT_EQ(Selection(), (std::vector<int>{3, 18}));
  Move(At(20, 5));  // no drag any more
  EXPECT_EQ(Selection(), (std::vector<int>{3, 18}));

  // A plain click elsewhere drops it.
  Click(At(20, 5));
  EXPECT_TRUE(Selection().empty());
  EXPECT_EQ(Ed.Caret(), (THexCaret{57, false, false}));
}

TEST_F(MouseTest, ClickInsideTheSelection) {
  Sized(64);
  Ed.SetSelStart(18);
  Ed.SetSelEnd(36);
  // Without moving: the selection goes on release, the caret comes.
  Press(At(6, 3));
  EXPECT_TRUE(Ed.PendingClick());
  EXPECT_EQ(Ed.Caret().Position, 18);
  Ed.MouseMove(hsLeft, At(6, 3).X + 1, At(6, 3).Y);  // a jitter is no move
  Release(At(6, 3));
  EXPECT_TRUE(Selection().empty());
  EXPECT_EQ(Ed.Caret(), (THexCaret{18, false, false}));

  // Dragging from inside keeps it, and the caret stays.
  Ed.SetSelStart(18);
  Ed.SetSelEnd(36);
  Press(At(8, 3));
  Move(At(14, 5));
  EXPECT_FALSE(Ed.PendingClick());
  Release(At(14, 5));
  EXPECT_EQ(Selection(), (std::vector<int>{18, 36}));
  EXPECT_EQ(Ed.Caret().Position, 18);
}

TEST_F(MouseTest, ClicksOutsideTheBytes) {
  Sized(40);
  Ed.SetSelStart(5);
  Ed.SetSelEnd(9);
  // The gutter: nothing moves, the selection stays.
  Click(At(0, 3));
  EXPECT_EQ(Ed.Caret().Position, 5);
  EXPECT_EQ(Selection(), (std::vector<int>{5, 9}));
  // The separator: the row's last digit instead.
  Click(At(Ed.Layout().SeparatorColumn(), 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{31, false, true}));
  EXPECT_TRUE(Selection().empty());
  // Past the data in the last row: the last byte.
  Click(At(30, 4));
  EXPECT_EQ(Ed.Caret(), (THexCaret{39, false, false}));
  EXPECT_TRUE(Selection().empty());
  Click(At(48, 4));  // the end, in the caret's field
  EXPECT_EQ(Ed.Caret(), (THexCaret{39, false, false}));
  Key(hkTab);
  // Below the rows, right of the columns, outside the view: nothing.
  const TGridAxisInfo h = Ed.Layout().Grid().HorzInfo(), v = Ed.Layout().Grid().VertInfo();
  for (TPoint p : {TPoint{100, v.GridBoundary + 3}, TPoint{h.GridBoundary + 3, 20}, TPoint{-5, -5},
                   TPoint{5000, 5000}}) {
    Click(p);
    EXPECT_EQ(Ed.Caret(), (THexCaret{39, true, false}));
  }
  // The right button moves nothing.
  Ed.MouseDown(mbRight, 0, At(2, 2).X, At(2, 2).Y);
  Ed.MouseUp(mbRight, hsRight, At(2, 2).X, At(2, 2).Y);
  EXPECT_EQ(Ed.Caret().Position, 39);
  // A double-click moves nothing and starts no selection.
  Click(At(4, 2));
  Ed.MouseDown(mbLeft, hsDouble, At(4, 2).X, At(4, 2).Y);
  EXPECT_FALSE(Ed.Selection().Selecting);
  EXPECT_FALSE(Ed.Dragging());
  EXPECT_EQ(Ed.Caret().Position, 1);
}

TEST_F(MouseTest, RowEndsInInsertMode) {
  Sized(32);
  const int lastDigit = Ed.Layout().HexColumnCount() + 1;
  const int lastChar = Ed.Layout().ColCount() - 1;
  // Overwrite mode: the gap after the last digit is that digit.
  Click(At(lastDigit, 2, W + 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, true}));
  Ed.SetInsertMode(true);
  Click(At(lastDigit, 2, W - 1));  // on the digit itself
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, true}));
  Click(At(lastDigit, 2, W + 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{16, false, false}));
  Click(At(lastChar, 3, W + 3));  // after the data: the append position
  EXPECT_EQ(Ed.Caret(), (THexCaret{32, true, false}));
  Click(At(lastDigit, 3, W + 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{32, false, false}));
}

TEST_F(MouseTest, DraggingOutOfTheViewScrolls) {
  Sized(16 * 100);
  const int x = At(6, 3).X;
  Press(At(6, 3));
  EXPECT_EQ(Ed.Caret().Position, 18);
  // Below the view: the rows lying there.
  Ed.MouseMove(hsLeft, x, 150 + 20);
  EXPECT_EQ(Ed.CaretCell().Row, 2 + 11);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 4);
  for (int i = 0; i < 5; ++i) Ed.AutoScrollTick(x, 150 + 20);
  EXPECT_EQ(Ed.CaretCell().Row, 18);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 9);
  EXPECT_EQ(Selection(), (std::vector<int>{18, 16 * 16 + 2}));
  // Above it: up again, row by row, not past the first row.
  for (int i = 0; i < 40; ++i) Ed.AutoScrollTick(x, -10);
  EXPECT_EQ(Ed.CaretCell().Row, 2);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 2);
  EXPECT_EQ(Selection(), (std::vector<int>{2, 18}));
  Release(TPoint{x, -10});
  EXPECT_FALSE(Ed.Dragging());
  // No drag, no scrolling.
  Ed.AutoScrollTick(10, 1000);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 2);
}

TEST_F(MouseTest, WheelMovesTheCaretByRows) {
  Sized(16 * 30);
  Ed.MoveCaret(THexCaret{3, false, true});
  Ed.MouseWheel(-3);
  EXPECT_EQ(Ed.Caret(), (THexCaret{51, false, true}));
  Ed.MouseWheel(1);
  EXPECT_EQ(Ed.Caret().Position, 35);
  Ed.MouseWheel(10);
  EXPECT_EQ(Ed.Caret().Position, 3);
  Ed.MouseWheel(-1000000);
  EXPECT_EQ(Ed.CaretCell().Row, 31);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 22);
}

TEST_F(MouseTest, CursorShapes) {
  Sized(64);
  Ed.SetSelStart(18);
  Ed.SetSelEnd(36);
  const TPoint in = At(6, 3), out = At(20, 5), gutter = At(0, 3);
  EXPECT_EQ(Ed.CursorAt(0, in.X, in.Y), hcArrow);
  EXPECT_EQ(Ed.CursorAt(0, gutter.X, gutter.Y), hcArrow);
  EXPECT_EQ(Ed.CursorAt(0, out.X, out.Y), hcIBeam);
  EXPECT_EQ(Ed.CursorAt(hsLeft, in.X, in.Y), hcIBeam);
  EXPECT_EQ(Ed.CursorAt(hsCtrl, gutter.X, gutter.Y), hcIBeam);
  EXPECT_TRUE(Ed.OverSelectedByte(in.X, in.Y));
  EXPECT_FALSE(Ed.OverSelectedByte(gutter.X, gutter.Y));
}

TEST_F(MouseTest, LosingTheFocusEndsADrag) {
  Sized(64);
  Press(At(6, 3));
  Ed.SetFocused(false);
  EXPECT_FALSE(Ed.Dragging());
  EXPECT_FALSE(Ed.Selection().Selecting);
  Move(At(20, 4));
  EXPECT_EQ(Ed.Caret().Position, 18);
}

}  // namespace
