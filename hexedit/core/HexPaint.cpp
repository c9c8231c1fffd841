// Painting decisions: what each cell shows, in which colours and frames,
// the order of a paint, the caret shape, the bookmark images and the
// small repaint requests.

#include <algorithm>

#include "hexedit/core/HexEditorCore.h"

namespace {

// UTF-8 to UTF-16; a broken sequence reads as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int extra = b < 0x80                ? 0
                      : b >= 0xF0 && b < 0xF8 ? 3
                      : b >= 0xE0 && b < 0xF0 ? 2
                      : b >= 0xC0 && b < 0xE0 ? 1
                                              : -1;
    char32_t cp = 0xFFFD;
    size_t len = 1;
    if (extra == 0) {
      cp = b;
    } else if (extra > 0 && i + size_t(extra) < s.size()) {
      char32_t v = b & (0x3F >> extra);
      bool ok = true;
      for (int k = 1; ok && k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + size_t(k)]);
        ok = (c & 0xC0) == 0x80;
        v = (v << 6) | (c & 0x3F);
      }
      if (ok && v <= 0x10FFFF) {
        cp = v;
        len = size_t(extra) + 1;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
    i += len;
  }
  return out;
}

}  // namespace

// ---- Settings -------------------------------------------------------------

void THexEditorCore::SetSystemColors(const THexSystemColors& value) {
  SetViewSetting(FSystemColors, value);
}

void THexEditorCore::SetFontColor(TColor value) { SetViewSetting(FFontColor, value); }

void THexEditorCore::SetFocused(bool value) {
  if (value == FFocused) return;
  FFocused = value;
  if (value) {
    UpdateCaretPosition();
  } else {
    FCaretX = FCaretY = -50;
    FSelection.Selecting = false;
    // Key and button releases go elsewhere now; a drag ends here.
    FShiftDown = FLeftButtonDown = false;
    FPendingClick = false;
    FGrid.EndDrag();
  }
  Invalidate();
}

void THexEditorCore::SetCaretKind(THexCaretKind value) {
  if (value == FCaretKind) return;
  FCaretKind = value;
  if (FFocused) {
    PlaceCaret(-50, -50);
    Invalidate();
  }
}

void THexEditorCore::SetFocusFrame(bool value) { SetViewSetting(FPaintOptions.FocusFrame, value); }
void THexEditorCore::SetDrawGridLines(bool value) {
  SetViewSetting(FPaintOptions.DrawGridLines, value);
}
void THexEditorCore::SetDrawGutter3D(bool value) {
  SetViewSetting(FPaintOptions.DrawGutter3D, value);
}
void THexEditorCore::SetShowPositionIfNotFocused(bool value) {
  SetViewSetting(FPaintOptions.ShowPositionIfNotFocused, value);
}

void THexEditorCore::SetHideSelection(bool value) {
  if (value == FPaintOptions.HideSelection) return;
  FPaintOptions.HideSelection = value;
  if (!FFocused && HasSelection()) Invalidate();
}

void THexEditorCore::SetGraySelectionIfNotFocused(bool value) {
  if (value == FPaintOptions.GraySelectionIfNotFocused) return;
  FPaintOptions.GraySelectionIfNotFocused = value;
  if (!FFocused && HasSelection() && !FPaintOptions.HideSelection) Invalidate();
}

// ---- Bookmark images ------------------------------------------------------

void THexEditorCore::SetBookmarkBitmap(const THexBitmap* value) {
  if (value == nullptr) {
    FBookmarkBitmap = BuiltInBookmarkBitmap();
    FOwnBookmarkBitmap = false;
  } else {
    if (value->Width != BookmarkBitmapWidth || value->Height != BookmarkBitmapHeight ||
        value->Pixels.size() != size_t(BookmarkBitmapWidth * BookmarkBitmapHeight))
      throw EHexEditor(HexMsg::InvalidBookmarkBitmap);
    FBookmarkBitmap = *value;
    FOwnBookmarkBitmap = true;
  }
  BookmarkBitmapChanged();
}

void THexEditorCore::BookmarkBitmapChanged() {
  ++FBookmarkImagesVersion;
  InvalidateGutter();
}

bool THexEditorCore::BookmarkImagePixel(int image, int x, int y, TColor& color) const {
  if (image < 0 || image >= 20 || x < 0 || x >= BookmarkIconSize || y < 0 || y >= BookmarkIconSize)
    return false;
  color = FBookmarkBitmap.Pixel(image * BookmarkIconSize + x, y);
  return color != FBookmarkBitmap.Pixel(0, 0);
}

// ---- The caret ------------------------------------------------------------

int THexEditorCore::CaretShapeWidth() const { return std::max(0, FCharWidth); }
int THexEditorCore::CaretShapeHeight() const { return std::max(0, FRowHeight - 2); }

TRect THexEditorCore::CaretShapeWhite() const {
  const int w = CaretShapeWidth(), h = CaretShapeHeight();
  const TRect bar{0, 0, std::min(2, w), h};
  switch (FCaretKind) {
    case ckFull: return TRect{0, 0, w, h};
    case ckLeft: return bar;
    case ckBottom: return TRect{0, std::max(0, h - 2), w, h};
    case ckAuto:
    default: return InsertMode() ? bar : TRect{0, 0, w, h};
  }
}

void THexEditorCore::PlaceCaret(int x, int y) {
  if (!FFocused) return;
  FCaretX = x;
  FCaretY = y;
}

void THexEditorCore::PlaceCaretOnCell(int col, int row) {
  const TRect r = FGrid.CellRect(col, row);
  if (r.Left + r.Bottom == 0)
    PlaceCaret(-50, -50);
  else
    PlaceCaret(r.Left, r.Top);
}

void THexEditorCore::UpdateCaretPosition() {
  const TGridCoord c = CaretCell();
  PlaceCaretOnCell(c.Col, c.Row);
}

// ---- Repaint requests -----------------------------------------------------

void THexEditorCore::RepaintRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  if (RequestRepaintRect)
    RequestRepaintRect(rect);
  else
    Invalidate();
}

void THexEditorCore::InvalidateCell(int col, int row) { RepaintRect(FGrid.CellRect(col, row)); }

void THexEditorCore::InvalidateGutter() {
  RepaintRect(FGrid.BoxRect(0, FGrid.TopRow(), 0, RowCount() - 1));
}

void THexEditorCore::RepaintCaretMove(const THexCaret& from, const THexCaret& to) {
  for (const THexCaret& c : {from, to}) {
    const TGridCoord cell = CaretToCell(c);
    InvalidateCell(cell.Col, cell.Row);
    InvalidateCell(std::max(2, TwinColumn(cell.Col).Position), cell.Row);
    InvalidateCell(0, cell.Row);
  }
  if (FShowRuler) RepaintRect(FGrid.BoxRect(0, 0, ColCount() - 1, 1));
}

// ---- Cell decisions -------------------------------------------------------

THexCellPaint THexEditorCore::DecideCell(int col, int row) const {
  return DecideCell(col, row, FGrid.CellRect(col, row));
}

THexCellPaint THexEditorCore::DecideCell(int col, int row, const TRect& rect) const {
  THexCellPaint cell;
  cell.Col = col;
  cell.Row = row;
  cell.Rect = rect;
  cell.TextBox = TRect{rect.Left, rect.Top, rect.Left + std::max(0, FCharWidth), rect.Bottom};
  if (row < 2 && col < 2) {
    cell.Kind = hckCorner;
    cell.Fill = true;
    cell.FillColor = ToRGB(FColors.OffsetBackGround());
  } else if (row < 2) {
    cell.Kind = hckRuler;
    if (row == 0) DecideRuler(cell);
  } else if (col < 2) {
    cell.Kind = hckGutter;
    if (col == 0)
      DecideGutter(cell);
    else if (FPaintOptions.DrawGridLines)
      cell.AddLine(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1, ToRGB(FColors.Grid()));
  } else {
    cell.Kind = hckData;
    DecideData(cell);
  }
  return cell;
}

void THexEditorCore::DecideRuler(THexCellPaint& cell) const {
  const int c = cell.Col;
  THexCellText& t = cell.Text;
  t.Present = true;
  t.CellBackground = ToRGB(FColors.OffsetBackGround());
  const bool caretColumn = c == CaretCell().Col;
  t.TextBackground =
      ToRGB(caretColumn ? FColors.CurrentOffsetBackground() : FColors.OffsetBackGround());
  t.TextColor = ToRGB(caretColumn ? FColors.CurrentOffset() : FColors.Offset());
  if (c == SeparatorColumn()) {
    t.Text.assign(2, u' ');
  } else if (c < SeparatorColumn()) {
    const size_t i = static_cast<size_t>(c - 2);
    if (i < FRulerText.size()) t.Text = char16_t(static_cast<unsigned char>(FRulerText[i]));
  } else {
    const int k = c - FirstCharColumn();
    const int unit = std::max(1, RulerUnit());
    if (FUnicodeChars) {
      const int half = std::max(1, unit / 2);
      t.Text = char16_t(FHexDigits[static_cast<size_t>((k / half) % 16)]);
    } else if (k % unit == unit - 1) {
      t.Text = char16_t(FHexDigits[static_cast<size_t>((k / unit) % 16)]);
    } else {
      t.Text.assign(1, u' ');
    }
  }
}

void THexEditorCore::DecideGutter(THexCellPaint& cell) const {
  const int r = cell.Row;
  THexCellText& t = cell.Text;
  const bool caretRow = r == CaretCell().Row;
  t.Present = true;
  t.RightAligned = true;
  t.CellBackground = t.TextBackground =
      ToRGB(caretRow ? FColors.CurrentOffsetBackground() : FColors.OffsetBackGround());
  t.TextColor = ToRGB(caretRow ? FColors.CurrentOffset() : FColors.Offset());
  const int64_t offset = int64_t(r - 2) * FBytesPerRow;
  t.Text = Utf8ToUtf16(GetOffsetText(static_cast<uint32_t>(offset)));
  for (int i = 0; i < HexBookmarkCount; ++i) {
    const THexBookmark& b = FBookmarks[static_cast<size_t>(i)];
    if (b.Position >= 0 && b.Position / FBytesPerRow == r - 2)
      cell.Bookmarks[static_cast<size_t>(cell.BookmarkCount++)] =
          THexBookmarkIcon{b.InCharField ? 10 + i : i, cell.Rect.Left + 3,
                           cell.Rect.Top + (cell.Rect.Height() - BookmarkIconSize) / 2};
  }
}

void THexEditorCore::DecideData(THexCellPaint& cell) const {
  const int c = cell.Col, r = cell.Row;
  const TRect& rect = cell.Rect;
  const TColor grid = ToRGB(FColors.Grid());
  if (c == SeparatorColumn()) {
    if (FPaintOptions.DrawGridLines) {
      cell.AddLine(rect.Left, rect.Top, rect.Left, rect.Bottom - 1, grid);
      cell.AddLine(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1, grid);
    }
    return;
  }
  const TGridCoord caret = CaretCell();
  cell.CaretCell = c == caret.Col && r == caret.Row && FFocused;
  const int p = CellToPosition(c, r).Position;
  cell.Position = p;
  const bool inChar = c > SeparatorColumn();
  const int size = DataSize();
  if (p < size) {
    THexCellText& t = cell.Text;
    t.Present = true;
    const TColor background = ToRGB(FColors.Background());
    TColor cellBackground = background;
    // Text.
    if (!inChar) {
      const uint8_t b = PeekByte(p);
      const bool high = (c - 2) % 2 == (FSwapNibbles ? 1 : 0);
      t.Text = char16_t(FHexDigits[high ? b >> 4 : b & 0x0F]);
    } else if (FUnicodeChars) {
      t.Text = UnicodeCharAt(p);
    } else {
      t.Text = ByteToDisplayChar(PeekByte(p));
    }
    // Change marks and column groups.
    cell.Changed = ByteChanged(p) || (inChar && FUnicodeChars && ByteChanged(p + 1));
    if (cell.Changed) {
      t.TextColor = ToRGB(FColors.ChangedText());
      t.TextBackground = ToRGB(FColors.ChangedBackground());
    } else {
      t.TextBackground = background;
      if (inChar)
        t.TextColor = ToRGB(FFontColor);
      else
        t.TextColor = ToRGB(((c - 2) / NibblesPerColumn()) % 2 == 0 ? FColors.OddColumn()
                                                                    : FColors.EvenColumn());
    }
    // The selection: the gaps between selected cells are filled too, but
    // not after the last selected byte nor after the last column of a field.
    if (IsSelected(p) && FPaintOptions.SelectionShown(FFocused)) {
      cell.Selected = true;
      if (c < ColCount() - 1 && c != HexColumnCount() + 1 && p != FSelection.High)
        cellBackground = InvertColor(cellBackground);
      t.TextBackground = InvertColor(t.TextBackground);
      t.TextColor = InvertColor(t.TextColor);
      if (!FFocused && FPaintOptions.GraySelectionIfNotFocused) {
        t.TextBackground = GrayColor(t.TextBackground);
        t.TextColor = GrayColor(t.TextColor);
      }
    }
    t.CellBackground = cellBackground;
  }
  // The caret's position in the other field, and with the focus elsewhere
  // optionally the caret cell itself.
  const TRect frame{rect.Left, rect.Top, rect.Left + std::max(0, FCharWidth), rect.Bottom - 1};
  if (r == caret.Row && FFocused && c == TwinColumn(caret.Col).Position) {
    cell.Frame = FPaintOptions.CaretFrame();
    cell.FrameColor = ToRGB(FColors.CursorFrame());
    cell.FrameRect = frame;
  } else if (FPaintOptions.ShowPositionIfNotFocused && r == caret.Row && !FFocused &&
             c == caret.Col) {
    cell.Frame = FPaintOptions.CaretFrame();
    cell.FrameColor = ToRGB(FColors.NonFocusCursorFrame());
    cell.FrameRect = frame;
  }
  if (FPaintOptions.DrawGridLines) {
    if (c == ColCount() - 1)
      cell.AddLine(rect.Right - 1, rect.Top, rect.Right - 1, rect.Bottom - 1, grid);
    cell.AddLine(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1, grid);
  }
}

// ---- The paint ------------------------------------------------------------

void THexEditorCore::TextStep(THexPainter& painter, THexCellPaint& cell) {
  TRect box = cell.Col == 0 ? cell.Rect : cell.TextBox;
  bool defaultDraw = true;
  if (OnDrawCell) {
    painter.BeforeCellHook(cell.Text);
    OnDrawCell(cell.Col, cell.Row, cell.Text.Text, box, defaultDraw);
  }
  if (defaultDraw) painter.DrawCellText(cell.Rect, box, cell.Text);
}

void THexEditorCore::PaintCells(THexPainter& painter, const TRect& clip, int col, int row, int x,
                                int y, int stopX, int stopY) {
  const int rows = RowCount(), cols = ColCount();
  for (int r = row; y < stopY && r < rows; ++r) {
    const int h = FGrid.RowHeight(r);
    // Data rows all have the default height: none at all before a layout.
    if (h == 0 && r >= 2 && FGrid.DefaultRowHeight() == 0) break;
    const int bottom = y + h;
    if (h > 0 && bottom > clip.Top && y < clip.Bottom) {
      for (int c = col, left = x; left < stopX && c < cols; ++c) {
        const int w = FGrid.ColWidth(c);
        const TRect rect{left, y, left + w, bottom};
        left += w;
        if (w == 0 || !rect.Intersects(clip)) continue;
        THexCellPaint cell = DecideCell(c, r, rect);
        if (cell.Fill) painter.FillRect(cell.Rect, cell.FillColor);
        if (cell.CaretCell) PlaceCaret(rect.Left, rect.Top);
        if (cell.Text.Present) TextStep(painter, cell);
        for (int i = 0; i < cell.BookmarkCount; ++i) {
          const THexBookmarkIcon& icon = cell.Bookmarks[static_cast<size_t>(i)];
          painter.DrawBookmark(icon.Image, icon.X, icon.Y);
        }
        if (cell.Frame == hfkFocus) painter.DrawFocusRect(cell.FrameRect);
        if (cell.Frame == hfkSolid) painter.FrameRect(cell.FrameRect, cell.FrameColor);
        for (int i = 0; i < cell.LineCount; ++i)
          painter.DrawLine(cell.Lines[static_cast<size_t>(i)]);
      }
    }
    y = bottom;
  }
}

void THexEditorCore::Paint(THexPainter& painter, const TRect& clip) {
  painter.BeginPaint();
  const TGridAxisInfo h = FGrid.HorzInfo();
  const TGridAxisInfo v = FGrid.VertInfo();
  // Each cell's kind follows from its place: corner and ruler cells in
  // rows 0-1, gutter cells in columns 0-1, data cells elsewhere.
  if (FShowRuler) {
    PaintCells(painter, clip, 0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary);
    PaintCells(painter, clip, FGrid.LeftCol(), 0, h.FixedBoundary, 0, h.GridBoundary,
               v.FixedBoundary);
  }
  PaintCells(painter, clip, 0, FGrid.TopRow(), 0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary);
  PaintCells(painter, clip, FGrid.LeftCol(), FGrid.TopRow(), h.FixedBoundary, v.FixedBoundary,
             h.GridBoundary, v.GridBoundary);

  const TColor control = ToRGB(FColors.Background());
  const TColor offsetBackground = ToRGB(FColors.OffsetBackGround());
  const int fixedHeight = FGrid.RowHeight(0) + FGrid.RowHeight(1);
  const int g = FGrid.ColWidth(0);
  // The ruler strip runs on to the right edge, the gutter strip down to
  // the bottom.
  if (h.GridBoundary < h.GridExtent) {
    painter.FillRect(TRect{h.GridBoundary, 0, h.GridExtent, v.GridBoundary}, control);
    painter.FillRect(TRect{h.GridBoundary, 0, h.GridExtent, fixedHeight}, offsetBackground);
  }
  if (v.GridBoundary < v.GridExtent) {
    painter.FillRect(TRect{g + 1, v.GridBoundary, h.GridExtent, v.GridExtent}, control);
    painter.FillRect(TRect{0, v.GridBoundary, g, v.GridExtent}, offsetBackground);
  }
  // The gutter's right edge and the ruler's bottom edge.
  const int y0 = fixedHeight;
  const TColor shadow = ToRGB(clBtnShadow), highlight = ToRGB(clBtnHighlight);
  const TColor grid = ToRGB(FColors.Grid());
  if (g != 0) {
    if (FPaintOptions.DrawGutter3D) {
      painter.DrawLine(THexLine{g, y0, g, v.GridExtent, shadow});
      painter.DrawLine(THexLine{g - 1, y0, g - 1, v.GridExtent, highlight});
    } else if (FPaintOptions.DrawGridLines) {
      painter.DrawLine(THexLine{g - 1, y0, g - 1, v.GridExtent, grid});
    }
  }
  if (FShowRuler) {
    if (FPaintOptions.DrawGutter3D) {
      painter.DrawLine(THexLine{g - 1, y0 - 1, h.GridExtent, y0 - 1, shadow});
      painter.DrawLine(THexLine{g - 1, y0 - 2, h.GridExtent, y0 - 2, highlight});
    } else if (FPaintOptions.DrawGridLines) {
      painter.DrawLine(THexLine{g - 1, y0 - 1, h.GridExtent, y0 - 1, grid});
    }
  }
  painter.EndPaint();
}
