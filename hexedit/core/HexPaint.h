#pragma once
// What the hex editor paints, decided in plain C++.
//
// The core walks the cells of a paint in a fixed order (corner, ruler,
// gutter, data cells, then the strips beside them and the gutter and
// ruler edges) and tells a THexPainter what to draw, cell by cell. The
// widget's painter turns that into QPainter calls; tests record it.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/HexColors.h"
#include "hexedit/core/HexGrid.h"

enum THexCaretKind : uint8_t { ckFull, ckLeft, ckBottom, ckAuto };

enum THexCellKind : uint8_t { hckCorner, hckRuler, hckGutter, hckData };

// A small picture: Width x Height pixels, row by row.
struct THexBitmap {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Pixels;

  TColor Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y * Width + x)]; }
  bool operator==(const THexBitmap&) const = default;
};

inline constexpr int BookmarkBitmapWidth = 200;
inline constexpr int BookmarkBitmapHeight = 10;
inline constexpr int BookmarkIconSize = 10;

// The built-in bookmark icons, 200 x 10: icon i (0..9) marks bookmark i
// placed in the hex field, icon 10 + i the same bookmark placed in the
// character field. Each is a black-bordered square with its digit in
// black; its left (hex field) or right (character field) half is yellow,
// the other half light gray; its corner pixels have the colour of the
// top-left pixel, which is drawn transparent.
THexBitmap BuiltInBookmarkBitmap();

// What a cell's text step draws.
struct THexCellText {
  bool Present = false;  // the cell has text (OnDrawCell is called for it)
  std::u16string Text;
  TColor CellBackground = 0;  // RGB: fills the whole cell
  TColor TextColor = 0;       // RGB
  TColor TextBackground = 0;  // RGB: fills the text box under the text
  // The gutter's text is right-aligned 4 px from the cell's right edge and
  // its background fills the whole cell; other texts start at the text
  // box's left edge.
  bool RightAligned = false;
};

enum THexFrameKind : uint8_t { hfkNone, hfkFocus, hfkSolid };

struct THexLine {
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;  // the end point is not drawn
  TColor Color = 0;                    // RGB
  bool operator==(const THexLine&) const = default;
};

struct THexBookmarkIcon {
  int Image = 0;  // 0..19
  int X = 0, Y = 0;
};

// Everything one cell draws, in drawing order: the fill (corner cells),
// the text step, the bookmark icons, the frame, the grid lines.
struct THexCellPaint {
  THexCellKind Kind = hckData;
  int Col = 0, Row = 0;
  TRect Rect;     // the whole cell
  TRect TextBox;  // (left, top) - (left + CharWidth, bottom)
  bool Fill = false;
  TColor FillColor = 0;
  THexCellText Text;
  // Data cells: the byte shown, and how it is marked.
  int Position = -1;
  bool Changed = false;
  bool Selected = false;
  bool CaretCell = false;  // the caret stands here (and the editor has the focus)
  THexFrameKind Frame = hfkNone;
  TColor FrameColor = 0;  // RGB, for hfkSolid
  TRect FrameRect;
  std::array<THexLine, 2> Lines{};
  int LineCount = 0;
  std::array<THexBookmarkIcon, 10> Bookmarks{};
  int BookmarkCount = 0;

  void AddLine(int x1, int y1, int x2, int y2, TColor color) {
    if (LineCount < int(Lines.size())) Lines[size_t(LineCount++)] = THexLine{x1, y1, x2, y2, color};
  }
};

// The drawing operations a paint uses. Colours are RGB (0x00BBGGRR).
class THexPainter {
public:
  virtual ~THexPainter() = default;
  virtual void FillRect(const TRect& rect, TColor color) = 0;
  // The default text step of one cell, after OnDrawCell left it to the
  // editor: fill cell with text.CellBackground, then the text, opaque on
  // text.TextBackground and clipped to textBox (the whole cell for
  // right-aligned texts).
  virtual void DrawCellText(const TRect& cell, const TRect& textBox, const THexCellText& text) = 0;
  virtual void DrawLine(const THexLine& line) = 0;
  // A dotted focus rectangle (drawn inverting).
  virtual void DrawFocusRect(const TRect& rect) = 0;
  // A one-pixel outline inside rect.
  virtual void FrameRect(const TRect& rect, TColor color) = 0;
  virtual void DrawBookmark(int image, int x, int y) = 0;
  // Called before and after a paint's cells; a painter may batch between.
  virtual void BeginPaint() {}
  virtual void EndPaint() {}
  // Before the host's cell hook runs: the colours the text step uses (a
  // painter hands them to the host's canvas).
  virtual void BeforeCellHook(const THexCellText& /*text*/) {}
};

// The host's hook into the text step: called for every gutter, ruler and
// data cell with text, with the text and the rectangle (the whole cell for
// column 0, else the text box), both of which it may change; clearing
// defaultDraw leaves the cell to the host (frames and grid lines are
// still drawn).
using THexDrawCellHook = std::function<void(int ACol, int ARow, std::u16string& AWideText,
                                            TRect& ARect, bool& ADefaultDraw)>;
