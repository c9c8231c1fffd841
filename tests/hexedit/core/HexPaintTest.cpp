// Paint decisions of the editor: texts, colours, frames, grid lines,
// bookmark icons, the paint order and the caret shapes.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "hexedit/core/HexEditorCore.h"

namespace {

constexpr int W = 8;
constexpr int TextH = 13;  // rows of 15 px

// Everything a paint asked for, in order.
struct TRecordingPainter : THexPainter {
  enum TKind { Fill, Text, Line, Focus, Frame, Icon };
  struct TOp {
    TKind Kind;
    TRect Rect;  // fill, text cell, focus, frame; icon origin in Left/Top
    TRect Box;   // text box
    THexCellText Text;
    THexLine Line;
    TColor Color = 0;
    int Image = -1;
  };
  std::vector<TOp> Ops;

  void FillRect(const TRect& r, TColor c) override { Ops.push_back({Fill, r, {}, {}, {}, c}); }
  void DrawCellText(const TRect& cell, const TRect& box, const THexCellText& t) override {
    Ops.push_back({Text, cell, box, t, {}, 0});
  }
  void DrawLine(const THexLine& l) override { Ops.push_back({Line, {}, {}, {}, l, l.Color}); }
  void DrawFocusRect(const TRect& r) override { Ops.push_back({Focus, r, {}, {}, {}, 0}); }
  void FrameRect(const TRect& r, TColor c) override { Ops.push_back({Frame, r, {}, {}, {}, c}); }
  void DrawBookmark(int image, int x, int y) override {
    Ops.push_back({Icon, {x, y, x + 10, y + 10}, {}, {}, {}, 0, image});
  }

  const TOp* TextAt(const TRect& cell) const {
    for (const TOp& op : Ops)
      if (op.Kind == Text && op.Rect == cell) return &op;
    return nullptr;
  }
  int Count(TKind kind) const {
    int n = 0;
    for (const TOp& op : Ops) n += op.Kind == kind;
    return n;
  }
};

struct PaintTest : ::testing::Test {
  THexEditorCore Ed;
  THexSystemColors Sys;

  PaintTest() {
    Ed.Layout().SetFontMetrics(W, TextH);
    Ed.Layout().Grid().SetClientSize(600, 300);
    Ed.ResetData();
    Ed.SetDataSize(256);
    for (int i = 0; i < 256; ++i) Ed.Document().PokeByte(i, uint8_t(i));
  }
  TColor RGB(TColor c) const { return Sys.ToRGB(c); }
  int HexCol(int pos) const { return Ed.Layout().PositionToCell(pos, false).Col; }
  int CharCol(int pos) const { return Ed.Layout().PositionToCell(pos, true).Col; }
  int Row(int pos) const { return Ed.Layout().RowOfPosition(pos); }
};

}  // namespace

TEST(HexColors, DefaultsCopiesAndForeignSources) {
  THexColors c;
  EXPECT_EQ(c.Background(), clWindow);
  EXPECT_EQ(c.ChangedBackground(), 0xA8FFFFu);
  EXPECT_EQ(c.ChangedText(), 0x000080u);
  EXPECT_EQ(c.CursorFrame(), 0x800000u);
  EXPECT_EQ(c.Offset(), 0u);
  EXPECT_EQ(c.OddColumn(), 0xFF0000u);
  EXPECT_EQ(c.EvenColumn(), 0x800000u);
  EXPECT_EQ(c.CurrentOffsetBackground(), clBtnShadow);
  EXPECT_EQ(c.OffsetBackGround(), clBtnFace);
  EXPECT_EQ(c.CurrentOffset(), clBtnHighlight);
  EXPECT_EQ(c.Grid(), clBtnFace);
  EXPECT_EQ(c.NonFocusCursorFrame(), 0xFFFF00u);

  THexEditorCore ed;
  int repaints = 0;
  ed.RequestRepaint = [&] { ++repaints; };
  c.SetGrid(0x123456);
  c.SetBackground(0x010203);
  ed.Appearance().SetColors(c);
  EXPECT_EQ(ed.Appearance().Colors().Grid(), 0x123456u);
  EXPECT_EQ(ed.Appearance().Colors().Background(), 0x010203u);
  EXPECT_EQ(repaints, 2);  // one per colour that changed
  ed.Appearance().SetColors(c);
  EXPECT_EQ(repaints, 2);

  // Only another colour set is copied from.
  THexPersistent other;
  ed.Appearance().Colors().Assign(&other);
  ed.Appearance().Colors().Assign(nullptr);
  EXPECT_EQ(ed.Appearance().Colors().Grid(), 0x123456u);
  EXPECT_EQ(repaints, 2);

  EXPECT_EQ(InvertColor(0xA8FFFF), 0x570000u);
  EXPECT_EQ(GrayColor(RGBColor(255, 0, 0)), RGBColor(73, 73, 73));
  EXPECT_EQ(GrayColor(clWhite), RGBColor(255, 255, 255));
}

TEST_F(PaintTest, HexDigitsCharactersAndColumnGroups) {
  Ed.Document().PokeByte(0x10, 0x4A);
  auto text = [&](int col, int row) { return Ed.DecideCell(col, row).Text.Text; };
  EXPECT_EQ(text(2, 3), u"4");
  EXPECT_EQ(text(3, 3), u"A");
  EXPECT_EQ(text(CharCol(0x10), 3), u"J");
  EXPECT_EQ(text(CharCol(0x0A), 2), u".");  // masked
  Ed.Layout().SetSwapNibbles(true);
  EXPECT_EQ(text(2, 3), u"A");
  EXPECT_EQ(text(3, 3), u"4");
  Ed.Layout().SetHexLowerCase(true);
  EXPECT_EQ(text(2, 3), u"a");

  // Column groups of 2 bytes: digit colours alternate every 4 columns.
  const THexCellPaint first = Ed.DecideCell(2, 2), second = Ed.DecideCell(6, 2);
  EXPECT_EQ(first.Text.TextColor, RGB(clBlue));
  EXPECT_EQ(second.Text.TextColor, RGB(clNavy));
  EXPECT_EQ(Ed.DecideCell(5, 2).Text.TextColor, RGB(clBlue));
  EXPECT_EQ(first.Text.TextBackground, RGB(clWindow));
  EXPECT_EQ(first.Text.CellBackground, RGB(clWindow));
  EXPECT_EQ(Ed.DecideCell(CharCol(1), 2).Text.TextColor, RGB(clWindowText));
}

TEST_F(PaintTest, ChangedAndSelectedBytes) {
  Ed.ChangeByte(Ed.PeekByte(3), 0x99, 3);
  Ed.SetFocused(true);
  const THexCellPaint changed = Ed.DecideCell(HexCol(3), 2);
  EXPECT_TRUE(changed.Changed);
  EXPECT_EQ(changed.Text.TextColor, RGB(clMaroon));
  EXPECT_EQ(changed.Text.TextBackground, 0xA8FFFFu);
  EXPECT_EQ(changed.Text.CellBackground, RGB(clWindow));

  Ed.SelectRange(2, 5);
  const THexCellPaint both = Ed.DecideCell(HexCol(3) + 1, 2);
  EXPECT_TRUE(both.Selected);
  EXPECT_EQ(both.Text.TextColor, InvertColor(RGB(clMaroon)));
  EXPECT_EQ(both.Text.TextBackground, InvertColor(0xA8FFFF));
  EXPECT_EQ(both.Text.CellBackground, InvertColor(RGB(clWindow)));  // gap filled
  // No filled gap after the last selected byte.
  const THexCellPaint last = Ed.DecideCell(HexCol(5) + 1, 2);
  EXPECT_TRUE(last.Selected);
  EXPECT_EQ(last.Text.CellBackground, RGB(clWindow));
  EXPECT_EQ(last.Text.TextBackground, InvertColor(RGB(clWindow)));
  EXPECT_FALSE(Ed.DecideCell(HexCol(6), 2).Selected);

  // Unfocused: shown, hidden, or grayed.
  Ed.SetFocused(false);
  EXPECT_TRUE(Ed.DecideCell(HexCol(4), 2).Selected);
  Ed.Appearance().SetHideSelection(true);
  EXPECT_FALSE(Ed.DecideCell(HexCol(4), 2).Selected);
  EXPECT_EQ(Ed.DecideCell(HexCol(4), 2).Text.TextBackground, RGB(clWindow));
  Ed.Appearance().SetHideSelection(false);
  Ed.Appearance().SetGraySelectionIfNotFocused(true);
  const THexCellPaint gray = Ed.DecideCell(HexCol(4), 2);
  EXPECT_EQ(gray.Text.TextBackground, GrayColor(InvertColor(RGB(clWindow))));
  EXPECT_EQ(gray.Text.TextColor, GrayColor(InvertColor(RGB(clBlue))));
  Ed.SetFocused(true);
  EXPECT_EQ(Ed.DecideCell(HexCol(4), 2).Text.TextColor, InvertColor(RGB(clBlue)));

  // Insert mode shows no change marks.
  Ed.SetInsertMode(true);
  EXPECT_FALSE(Ed.DecideCell(HexCol(3), 2).Changed);
}

TEST_F(PaintTest, UnicodeCharacters) {
  Ed.SetDataSize(4);
  Ed.Document().PokeByte(0, 0x05);
  Ed.Document().PokeByte(1, 0x00);
  Ed.SetUnicodeChars(true);
  Ed.SetDataSize(5);  // an odd last byte
  Ed.Document().PokeByte(4, 0x41);
  const int lastChar = Ed.Layout().FirstCharColumn() + 2;
  EXPECT_EQ(Ed.DecideCell(Ed.Layout().FirstCharColumn(), 2).Text.Text, u".");  // 0x0005 masked
  EXPECT_EQ(Ed.DecideCell(lastChar, 2).Text.Text, u"A");
  Ed.Layout().SetUnicodeBigEndian(true);
  EXPECT_EQ(Ed.DecideCell(lastChar, 2).Text.Text, u"\u4100");
  // A change of either byte marks the character.
  Ed.ChangeByte(Ed.PeekByte(3), 0x20, 3);
  EXPECT_TRUE(Ed.DecideCell(Ed.Layout().FirstCharColumn() + 1, 2).Changed);
}

TEST_F(PaintTest, GutterRulerAndCaretRow) {
  Ed.Layout().SetShowRuler(true);
  Ed.MoveCaret(THexCaret{0x23, false, true});  // row 4, column 9
  const THexCellPaint caretGutter = Ed.DecideCell(0, 4), other = Ed.DecideCell(0, 3);
  EXPECT_EQ(caretGutter.Kind, hckGutter);
  EXPECT_EQ(caretGutter.Text.Text, u"0x20");
  EXPECT_TRUE(caretGutter.Text.RightAligned);
  EXPECT_EQ(caretGutter.Text.CellBackground, RGB(clBtnShadow));
  EXPECT_EQ(caretGutter.Text.TextBackground, RGB(clBtnShadow));
  EXPECT_EQ(caretGutter.Text.TextColor, RGB(clBtnHighlight));
  EXPECT_EQ(other.Text.CellBackground, RGB(clBtnFace));
  EXPECT_EQ(other.Text.TextColor, RGB(clBlack));

  EXPECT_EQ(Ed.DecideCell(8, 0).Text.Text, u"0");
  EXPECT_EQ(Ed.DecideCell(9, 0).Text.Text, u"3");
  EXPECT_EQ(Ed.DecideCell(9, 0).Text.TextBackground, RGB(clBtnShadow));  // the caret column
  EXPECT_EQ(Ed.DecideCell(9, 0).Text.CellBackground, RGB(clBtnFace));
  EXPECT_EQ(Ed.DecideCell(8, 0).Text.TextBackground, RGB(clBtnFace));
  EXPECT_EQ(Ed.DecideCell(Ed.Layout().SeparatorColumn(), 0).Text.Text, u"  ");
  EXPECT_EQ(Ed.DecideCell(Ed.Layout().FirstCharColumn() + 10, 0).Text.Text, u"A");
  Ed.Layout().SetBytesPerUnit(4);
  EXPECT_EQ(Ed.DecideCell(Ed.Layout().FirstCharColumn() + 2, 0).Text.Text, u" ");
  EXPECT_EQ(Ed.DecideCell(Ed.Layout().FirstCharColumn() + 7, 0).Text.Text, u"1");
  EXPECT_EQ(Ed.DecideCell(0, 0).Kind, hckCorner);
  EXPECT_EQ(Ed.DecideCell(0, 0).FillColor, RGB(clBtnFace));

  // A caret move repaints the gutter cells of both rows.
  std::vector<TRect> repainted;
  Ed.RequestRepaintRect = [&](const TRect& r) { repainted.push_back(r); };
  Ed.MoveCaret(THexCaret{0x05, true, false});
  auto has = [&](const TRect& r) {
    return std::find(repainted.begin(), repainted.end(), r) != repainted.end();
  };
  EXPECT_TRUE(has(Ed.Layout().Grid().CellRect(0, 4)));
  EXPECT_TRUE(has(Ed.Layout().Grid().CellRect(0, 2)));
  EXPECT_TRUE(has(Ed.Layout().Grid().CellRect(HexCol(5), 2)));      // the new twin
  EXPECT_TRUE(has(Ed.Layout().Grid().CellRect(CharCol(0x23), 4)));  // the old twin
}

TEST_F(PaintTest, Frames) {
  Ed.MoveCaret(THexCaret{0x12, false, false});
  EXPECT_EQ(Ed.DecideCell(CharCol(0x12), 3).Frame, hfkNone);
  Ed.SetFocused(true);
  const THexCellPaint twin = Ed.DecideCell(CharCol(0x12), 3);
  EXPECT_EQ(twin.Frame, hfkFocus);
  EXPECT_EQ(twin.FrameRect,
            (TRect{twin.Rect.Left, twin.Rect.Top, twin.Rect.Left + W, twin.Rect.Bottom - 1}));
  EXPECT_TRUE(Ed.DecideCell(HexCol(0x12), 3).CaretCell);
  Ed.Appearance().SetFocusFrame(false);
  EXPECT_EQ(Ed.DecideCell(CharCol(0x12), 3).Frame, hfkSolid);
  EXPECT_EQ(Ed.DecideCell(CharCol(0x12), 3).FrameColor, RGB(clNavy));

  Ed.SetFocused(false);
  EXPECT_EQ(Ed.DecideCell(HexCol(0x12), 3).Frame, hfkNone);
  Ed.Appearance().SetShowPositionIfNotFocused(true);
  EXPECT_EQ(Ed.DecideCell(HexCol(0x12), 3).Frame, hfkSolid);
  EXPECT_EQ(Ed.DecideCell(HexCol(0x12), 3).FrameColor, RGB(clAqua));
  EXPECT_EQ(Ed.DecideCell(CharCol(0x12), 3).Frame, hfkNone);
}

TEST_F(PaintTest, BookmarkIconsInTheGutter) {
  Ed.ToggleBookmark(3, 40, false);
  Ed.ToggleBookmark(7, 47, true);
  const THexCellPaint g = Ed.DecideCell(0, 4);
  ASSERT_EQ(g.BookmarkCount, 2);
  EXPECT_EQ(g.Bookmarks[0].Image, 3);
  EXPECT_EQ(g.Bookmarks[1].Image, 17);
  EXPECT_EQ(g.Bookmarks[0].X, g.Rect.Left + 3);
  EXPECT_EQ(g.Bookmarks[0].Y, g.Rect.Top + (15 - 10) / 2);
  EXPECT_EQ(Ed.DecideCell(0, 3).BookmarkCount, 0);

  // The built-in images: transparent corners, a black border, the
  // yellow half on the field's side.
  TColor c = 0;
  EXPECT_FALSE(Ed.Appearance().BookmarkImagePixel(3, 0, 0, c));
  EXPECT_FALSE(Ed.Appearance().BookmarkImagePixel(13, 9, 9, c));
  ASSERT_TRUE(Ed.Appearance().BookmarkImagePixel(3, 0, 5, c));
  EXPECT_EQ(c, clBlack);
  ASSERT_TRUE(Ed.Appearance().BookmarkImagePixel(3, 1, 1, c));
  EXPECT_EQ(c, clYellow);
  ASSERT_TRUE(Ed.Appearance().BookmarkImagePixel(13, 1, 1, c));
  EXPECT_EQ(c, clSilver);
  ASSERT_TRUE(Ed.Appearance().BookmarkImagePixel(13, 8, 1, c));
  EXPECT_EQ(c, clYellow);

  // A bitmap of the wrong size is refused; none restores the built-in one.
  THexBitmap bad{10, 200, std::vector<TColor>(2000, 0)};
  try {
    Ed.Appearance().SetBookmarkBitmap(&bad);
    ADD_FAILURE();
  } catch (const EHexEditor& e) {
    EXPECT_STREQ(e.what(), "Invalid bookmark bitmap (must be 10 x 200 px)");
  }
  EXPECT_FALSE(Ed.Appearance().OwnBookmarkBitmap());
  THexBitmap own{200, 10, std::vector<TColor>(2000, clWhite)};
  own.Pixels[5] = clBlack;
  const int version = Ed.Appearance().BookmarkImagesVersion();
  Ed.Appearance().SetBookmarkBitmap(&own);
  EXPECT_TRUE(Ed.Appearance().OwnBookmarkBitmap());
  EXPECT_GT(Ed.Appearance().BookmarkImagesVersion(), version);
  EXPECT_TRUE(Ed.Appearance().BookmarkImagePixel(0, 5, 0, c));
  EXPECT_FALSE(Ed.Appearance().BookmarkImagePixel(0, 4, 0, c));
  Ed.Appearance().SetBookmarkBitmap(nullptr);
  EXPECT_FALSE(Ed.Appearance().OwnBookmarkBitmap());
  EXPECT_EQ(Ed.Appearance().BookmarkBitmap(), BuiltInBookmarkBitmap());
}

TEST_F(PaintTest, PaintOrderAndCellsPastTheData) {
  Ed.SetDataSize(20);  // two rows, the second with 4 bytes
  Ed.Layout().SetShowRuler(true);
  TRecordingPainter p;
  Ed.Paint(p, TRect{0, 0, 600, 300});
  // Corner, ruler, gutter, data: the first text of each in that order.
  std::vector<int> order;
  for (const auto& op : p.Ops) {
    int kind = -1;
    if (op.Kind == TRecordingPainter::Fill && op.Rect.Top == 0 && op.Rect.Left == 0) kind = 0;
    if (op.Kind == TRecordingPainter::Text) kind = op.Rect.Top == 0 ? 1 : op.Rect.Left == 0 ? 2 : 3;
    if (kind >= 0 && (order.empty() || order.back() != kind)) order.push_back(kind);
  }
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
  // Bytes past the data draw no text.
  const int y3 = Ed.Layout().Grid().CellRect(2, 3).Top;
  EXPECT_NE(p.TextAt(Ed.Layout().Grid().CellRect(HexCol(3), 3)), nullptr);
  EXPECT_EQ(p.TextAt(Ed.Layout().Grid().CellRect(HexCol(4), 3)), nullptr);
  EXPECT_EQ(p.TextAt(Ed.Layout().Grid().CellRect(CharCol(4), 3)), nullptr);
  EXPECT_GT(y3, 0);
  // The gutter strip runs to the bottom, the ruler strip to the right.
  const int g = Ed.Layout().Grid().ColWidth(0);
  bool gutterStrip = false;
  for (const auto& op : p.Ops)
    gutterStrip |= op.Kind == TRecordingPainter::Fill && op.Rect == TRect{0, y3 + 15, g, 300} &&
                   op.Color == RGB(clBtnFace);
  EXPECT_TRUE(gutterStrip);
}

TEST_F(PaintTest, DrawCellHookCanTakeOverACell) {
  Ed.Appearance().SetDrawGridLines(true);
  std::vector<TGridCoord> asked;
  Ed.OnDrawCell = [&](int col, int row, std::u16string& text, TRect&, bool& defaultDraw) {
    asked.push_back({col, row});
    if (col == 2 && row == 2) defaultDraw = false;
    if (col == 3 && row == 2) text = u"Z";
  };
  TRecordingPainter p;
  Ed.Paint(p, Ed.Layout().Grid().BoxRect(0, 2, Ed.Layout().ColCount() - 1, 2));
  EXPECT_EQ(p.TextAt(Ed.Layout().Grid().CellRect(2, 2)), nullptr);
  ASSERT_NE(p.TextAt(Ed.Layout().Grid().CellRect(3, 2)), nullptr);
  EXPECT_EQ(p.TextAt(Ed.Layout().Grid().CellRect(3, 2))->Text.Text, u"Z");
  // The grid line under the cell the host drew is still there.
  const TRect r = Ed.Layout().Grid().CellRect(2, 2);
  bool line = false;
  for (const auto& op : p.Ops)
    line |= op.Kind == TRecordingPainter::Line &&
            op.Line == THexLine{r.Left, r.Bottom - 1, r.Right, r.Bottom - 1, RGB(clBtnFace)};
  EXPECT_TRUE(line);
  EXPECT_NE(std::find(asked.begin(), asked.end(), TGridCoord{0, 2}),
            asked.end());  // the gutter too
}

TEST_F(PaintTest, GutterEdgeLines) {
  TRecordingPainter p;
  Ed.Paint(p, TRect{0, 0, 600, 300});
  const int g = Ed.Layout().Grid().ColWidth(0);
  auto lines = [&](const TRecordingPainter& rec) {
    std::vector<THexLine> v;
    for (const auto& op : rec.Ops)
      if (op.Kind == TRecordingPainter::Line) v.push_back(op.Line);
    return v;
  };
  // 3D without grid lines: shadow right of the gutter, highlight on it.
  EXPECT_EQ(lines(p), (std::vector<THexLine>{{g, 0, g, 300, RGB(clBtnShadow)},
                                             {g - 1, 0, g - 1, 300, RGB(clBtnHighlight)}}));
  Ed.Appearance().SetDrawGutter3D(false);
  TRecordingPainter flat;
  Ed.Paint(flat, TRect{0, 0, 600, 300});
  EXPECT_TRUE(lines(flat).empty());
  Ed.Appearance().SetDrawGridLines(true);
  Ed.Layout().SetShowRuler(true);
  TRecordingPainter grid;
  Ed.Paint(grid, TRect{0, 0, 600, 300});
  const int y0 = Ed.Layout().Grid().RowHeight(0);
  const auto all = lines(grid);
  EXPECT_NE(std::find(all.begin(), all.end(), THexLine{g - 1, y0, g - 1, 300, RGB(clBtnFace)}),
            all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), THexLine{g - 1, y0 - 1, 600, y0 - 1, RGB(clBtnFace)}),
            all.end());
}

TEST_F(PaintTest, CaretShapes) {
  const int h = Ed.Layout().RowHeight() - 2;
  EXPECT_EQ(Ed.CaretShapeWidth(), W);
  EXPECT_EQ(Ed.CaretShapeHeight(), h);
  EXPECT_EQ(Ed.CaretShapeWhite(), (TRect{0, 0, W, h}));  // ckAuto, overwrite
  Ed.SetInsertMode(true);
  EXPECT_EQ(Ed.CaretShapeWhite(), (TRect{0, 0, 2, h}));
  Ed.Appearance().SetCaretKind(ckBottom);
  EXPECT_EQ(Ed.CaretShapeWhite(), (TRect{0, h - 2, W, h}));
  Ed.Appearance().SetCaretKind(ckFull);
  EXPECT_EQ(Ed.CaretShapeWhite(), (TRect{0, 0, W, h}));
  Ed.Appearance().SetCaretKind(ckLeft);
  EXPECT_EQ(Ed.CaretShapeWhite(), (TRect{0, 0, 2, h}));

  // The caret shows only with the focus, on its cell or out of sight.
  Ed.MoveCaret(THexCaret{0x11, false, false});
  Ed.UpdateCaretPosition();
  EXPECT_EQ(Ed.CaretX(), -50);
  Ed.SetFocused(true);
  const TRect cell = Ed.Layout().Grid().CellRect(HexCol(0x11), 3);
  EXPECT_EQ(Ed.CaretX(), cell.Left);
  EXPECT_EQ(Ed.CaretY(), cell.Top);
  Ed.Layout().Grid().SetClientSize(600, 60);
  Ed.Layout().Grid().SetTopRow(5);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 5);
  EXPECT_EQ(Ed.CaretX(), -50);
}

// Whatever the settings and sizes, a paint only visits cells that meet
// its clip (the widget's painter clips the rest away), and never crashes.
TEST_F(PaintTest, RandomSettingsPaintOnlyTheClip) {
  std::mt19937 rng(7);
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  for (int round = 0; round < 300; ++round) {
    THexEditorCore ed;
    ed.Layout().SetFontMetrics(pick(20), pick(30));
    const int cw = pick(700), ch = pick(400);
    ed.Layout().Grid().SetClientSize(cw, ch);
    ed.ResetData();
    ed.SetDataSize(pick(3) == 0 ? 0 : pick(5000));
    ed.SetBytesPerRow(1 + pick(64));
    ed.Layout().SetBytesPerColumn(1 + pick(8));
    ed.Layout().SetBytesPerBlock(pick(10) - 2);
    ed.Layout().SetShowRuler(pick(2));
    ed.Appearance().SetDrawGridLines(pick(2));
    ed.Appearance().SetDrawGutter3D(pick(2));
    ed.SetFocused(pick(2));
    ed.Layout().SetGutterWidth(pick(3) == 0 ? pick(200) - 10 : -1);
    ed.Layout().SetRulerBytesPerUnit(std::vector<int>{-1, 1, 2, 4, 8}[size_t(pick(5))]);
    if (ed.DataSize() > 0) {
      ed.SelectRange(pick(ed.DataSize()), pick(ed.DataSize()));
      ed.MoveCaret(THexCaret{pick(ed.DataSize()), bool(pick(2)), bool(pick(2))});
      ed.ToggleBookmark(pick(10), pick(ed.DataSize()), pick(2));
    }
    ed.Layout().Grid().SetTopRow(pick(ed.Layout().RowCount() + 3));
    ed.Layout().Grid().SetLeftCol(pick(ed.Layout().ColCount() + 3));
    TRecordingPainter p;
    const TRect clip{pick(cw + 1), pick(ch + 1), cw, ch};
    ed.Paint(p, clip);
    for (const auto& op : p.Ops) {
      SCOPED_TRACE(round);
      if (op.Kind == TRecordingPainter::Line) {
        EXPECT_GE(std::min(op.Line.X1, op.Line.X2), -1);
        EXPECT_GE(std::min(op.Line.Y1, op.Line.Y2), -1);
      } else if (op.Kind == TRecordingPainter::Text) {
        EXPECT_TRUE(op.Rect.Intersects(clip));
      }
    }
  }
}
