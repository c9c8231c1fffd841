// Painting decisions: what each cell shows, in which colours and frames,
// the order of a paint, the caret shape, the focus, what an appearance
// change repaints and the small repaint requests.

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

// ---- Focus and appearance -------------------------------------------------

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
    FLayout.Grid().EndDrag();
  }
  Invalidate();
}

// What an appearance change repaints: a selection only where it is drawn
// without the focus, the caret only while the editor has it.
void THexEditorCore::AppearanceChanged(THexAppearanceChange change) {
  switch (change) {
    case acView: Invalidate(); break;
    case acHiddenSelection:
      if (!FFocused && HasSelection()) Invalidate();
      break;
    case acGraySelection:
      if (!FFocused && HasSelection() && !FAppearance.HideSelection()) Invalidate();
      break;
    case acCaretKind:
      if (FFocused) {
        PlaceCaret(-50, -50);
        Invalidate();
      }
      break;
    case acBookmarkIcons: InvalidateGutter(); break;
  }
}

// ---- The caret ------------------------------------------------------------

// The caret is a CharWidth x (RowHeight - 2) box whose white part,
// relative to the caret's origin, inverts the screen.
TRect THexEditorCore::CaretShapeWhite() const {
  const int w = CaretShapeWidth(), h = CaretShapeHeight();
  const TRect bar{0, 0, std::min(2, w), h};
  switch (FAppearance.CaretKind()) {
    case ckFull: return TRect{0, 0, w, h};
    case ckLeft: return bar;
    case ckBottom: return TRect{0, std::max(0, h - 2), w, h};
    case ckAuto:
    default: return InsertMode() ? bar : TRect{0, 0, w, h};
  }
}

// Where the caret is shown (client pixels; -50, -50 = out of sight): moved
// only while the editor has the focus.
void THexEditorCore::PlaceCaret(int x, int y) {
  if (!FFocused) return;
  FCaretX = x;
  FCaretY = y;
}

// PlaceCaret on a cell's top-left corner, or out of sight when the cell
// is scrolled away.
void THexEditorCore::PlaceCaretOnCell(int col, int row) {
  const TRect r = FLayout.Grid().CellRect(col, row);
  if (r.Left + r.Bottom == 0)
    PlaceCaret(-50, -50);
  else
    PlaceCaret(r.Left, r.Top);
}

// The caret on its cell, or out of sight when that is scrolled away.
void THexEditorCore::UpdateCaretPosition() {
  const TGridCoord c = CaretCell();
  PlaceCaretOnCell(c.Col, c.Row);
}

// ---- Repaint requests -----------------------------------------------------

// A rectangle of the view (nothing when it is empty).
void THexEditorCore::RepaintRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  if (RequestRepaintRect)
    RequestRepaintRect(rect);
  else
    Invalidate();
}

void THexEditorCore::InvalidateCell(int col, int row) {
  RepaintRect(FLayout.Grid().CellRect(col, row));
}

// The gutter cells of the visible rows.
void THexEditorCore::InvalidateGutter() {
  RepaintRect(FLayout.Grid().BoxRect(0, FLayout.Grid().TopRow(), 0, FLayout.RowCount() - 1));
}

// What a caret move changes: both carets' cells, their twins and gutter
// cells, and the ruler.
void THexEditorCore::RepaintCaretMove(const THexCaret& from, const THexCaret& to) {
  for (const THexCaret& c : {from, to}) {
    const TGridCoord cell = FLayout.CaretToCell(c);
    InvalidateCell(cell.Col, cell.Row);
    InvalidateCell(std::max(2, FLayout.TwinColumn(cell.Col).Position), cell.Row);
    InvalidateCell(0, cell.Row);
  }
  if (FLayout.ShowRuler()) RepaintRect(FLayout.Grid().BoxRect(0, 0, FLayout.ColCount() - 1, 1));
}

// ---- Cell decisions -------------------------------------------------------

// What cell (col, row) draws where it is now (an empty rectangle when it
// is scrolled away), or when its rectangle is rect.
THexCellPaint THexEditorCore::DecideCell(int col, int row) const {
  return DecideCell(col, row, FLayout.Grid().CellRect(col, row));
}

THexCellPaint THexEditorCore::DecideCell(int col, int row, const TRect& rect) const {
  THexCellPaint cell;
  cell.Col = col;
  cell.Row = row;
  cell.Rect = rect;
  cell.TextBox =
      TRect{rect.Left, rect.Top, rect.Left + std::max(0, FLayout.CharWidth()), rect.Bottom};
  if (row < 2 && col < 2) {
    cell.Kind = hckCorner;
    cell.Fill = true;
    cell.FillColor = FAppearance.ToRGB(FAppearance.Colors().OffsetBackGround());
  } else if (row < 2) {
    cell.Kind = hckRuler;
    if (row == 0) DecideRuler(cell);
  } else if (col < 2) {
    cell.Kind = hckGutter;
    if (col == 0)
      DecideGutter(cell);
    else if (FAppearance.Options().DrawGridLines)
      cell.AddLine(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1,
                   FAppearance.ToRGB(FAppearance.Colors().Grid()));
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
  t.CellBackground = FAppearance.ToRGB(FAppearance.Colors().OffsetBackGround());
  const bool caretColumn = c == CaretCell().Col;
  t.TextBackground = FAppearance.ToRGB(caretColumn ? FAppearance.Colors().CurrentOffsetBackground()
                                                   : FAppearance.Colors().OffsetBackGround());
  t.TextColor = FAppearance.ToRGB(caretColumn ? FAppearance.Colors().CurrentOffset()
                                              : FAppearance.Colors().Offset());
  if (c == FLayout.SeparatorColumn()) {
    t.Text.assign(2, u' ');
  } else if (c < FLayout.SeparatorColumn()) {
    const size_t i = static_cast<size_t>(c - 2);
    if (i < FLayout.RulerText().size())
      t.Text = char16_t(static_cast<unsigned char>(FLayout.RulerText()[i]));
  } else {
    const int k = c - FLayout.FirstCharColumn();
    const int unit = std::max(1, FLayout.RulerUnit());
    if (FLayout.UnicodeChars()) {
      const int half = std::max(1, unit / 2);
      t.Text = char16_t(FLayout.HexDigits()[static_cast<size_t>((k / half) % 16)]);
    } else if (k % unit == unit - 1) {
      t.Text = char16_t(FLayout.HexDigits()[static_cast<size_t>((k / unit) % 16)]);
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
      FAppearance.ToRGB(caretRow ? FAppearance.Colors().CurrentOffsetBackground()
                                 : FAppearance.Colors().OffsetBackGround());
  t.TextColor = FAppearance.ToRGB(caretRow ? FAppearance.Colors().CurrentOffset()
                                           : FAppearance.Colors().Offset());
  const int64_t offset = int64_t(r - 2) * FLayout.BytesPerRow();
  t.Text = Utf8ToUtf16(FLayout.GetOffsetText(static_cast<uint32_t>(offset)));
  for (int i = 0; i < HexBookmarkCount; ++i) {
    const THexBookmark& b = FDocument.Bookmarks()[static_cast<size_t>(i)];
    if (b.Position >= 0 && b.Position / FLayout.BytesPerRow() == r - 2)
      cell.Bookmarks[static_cast<size_t>(cell.BookmarkCount++)] =
          THexBookmarkIcon{b.InCharField ? 10 + i : i, cell.Rect.Left + 3,
                           cell.Rect.Top + (cell.Rect.Height() - BookmarkIconSize) / 2};
  }
}

void THexEditorCore::DecideData(THexCellPaint& cell) const {
  const int c = cell.Col, r = cell.Row;
  const TRect& rect = cell.Rect;
  const TColor grid = FAppearance.ToRGB(FAppearance.Colors().Grid());
  if (c == FLayout.SeparatorColumn()) {
    if (FAppearance.Options().DrawGridLines) {
      cell.AddLine(rect.Left, rect.Top, rect.Left, rect.Bottom - 1, grid);
      cell.AddLine(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom - 1, grid);
    }
    return;
  }
  const TGridCoord caret = CaretCell();
  cell.CaretCell = c == caret.Col && r == caret.Row && FFocused;
  const int p = FLayout.CellToPosition(c, r).Position;
  cell.Position = p;
  const bool inChar = c > FLayout.SeparatorColumn();
  const int size = DataSize();
  if (p < size) {
    THexCellText& t = cell.Text;
    t.Present = true;
    const TColor background = FAppearance.ToRGB(FAppearance.Colors().Background());
    TColor cellBackground = background;
    // Text.
    if (!inChar) {
      const uint8_t b = PeekByte(p);
      const bool high = (c - 2) % 2 == (FLayout.SwapNibbles() ? 1 : 0);
      t.Text = char16_t(FLayout.HexDigits()[high ? b >> 4 : b & 0x0F]);
    } else if (FLayout.UnicodeChars()) {
      t.Text = FLayout.UnicodeCharAt(p);
    } else {
      t.Text = FLayout.ByteToDisplayChar(PeekByte(p));
    }
    // Change marks and column groups.
    cell.Changed = FDocument.ByteChanged(p) ||
                   (inChar && FLayout.UnicodeChars() && FDocument.ByteChanged(p + 1));
    if (cell.Changed) {
      t.TextColor = FAppearance.ToRGB(FAppearance.Colors().ChangedText());
      t.TextBackground = FAppearance.ToRGB(FAppearance.Colors().ChangedBackground());
    } else {
      t.TextBackground = background;
      if (inChar)
        t.TextColor = FAppearance.ToRGB(FAppearance.FontColor());
      else
        t.TextColor = FAppearance.ToRGB(((c - 2) / FLayout.NibblesPerColumn()) % 2 == 0
                                            ? FAppearance.Colors().OddColumn()
                                            : FAppearance.Colors().EvenColumn());
    }
    // The selection: the gaps between selected cells are filled too, but
    // not after the last selected byte nor after the last column of a field.
    if (FSelection.Contains(p) && FAppearance.Options().SelectionShown(FFocused)) {
      cell.Selected = true;
      if (c < FLayout.ColCount() - 1 && c != FLayout.HexColumnCount() + 1 && p != FSelection.High)
        cellBackground = InvertColor(cellBackground);
      t.TextBackground = InvertColor(t.TextBackground);
      t.TextColor = InvertColor(t.TextColor);
      if (!FFocused && FAppearance.Options().GraySelectionIfNotFocused) {
        t.TextBackground = GrayColor(t.TextBackground);
        t.TextColor = GrayColor(t.TextColor);
      }
    }
    t.CellBackground = cellBackground;
  }
  // The caret's position in the other field, and with the focus elsewhere
  // optionally the caret cell itself.
  const TRect frame{rect.Left, rect.Top, rect.Left + std::max(0, FLayout.CharWidth()),
                    rect.Bottom - 1};
  if (r == caret.Row && FFocused && c == FLayout.TwinColumn(caret.Col).Position) {
    cell.Frame = FAppearance.Options().CaretFrame();
    cell.FrameColor = FAppearance.ToRGB(FAppearance.Colors().CursorFrame());
    cell.FrameRect = frame;
  } else if (FAppearance.Options().ShowPositionIfNotFocused && r == caret.Row && !FFocused &&
             c == caret.Col) {
    cell.Frame = FAppearance.Options().CaretFrame();
    cell.FrameColor = FAppearance.ToRGB(FAppearance.Colors().NonFocusCursorFrame());
    cell.FrameRect = frame;
  }
  if (FAppearance.Options().DrawGridLines) {
    if (c == FLayout.ColCount() - 1)
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
  const int rows = FLayout.RowCount(), cols = FLayout.ColCount();
  for (int r = row; y < stopY && r < rows; ++r) {
    const int h = FLayout.Grid().RowHeight(r);
    // Data rows all have the default height: none at all before a layout.
    if (h == 0 && r >= 2 && FLayout.Grid().DefaultRowHeight() == 0) break;
    const int bottom = y + h;
    if (h > 0 && bottom > clip.Top && y < clip.Bottom) {
      for (int c = col, left = x; left < stopX && c < cols; ++c) {
        const int w = FLayout.Grid().ColWidth(c);
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

// Paints the view's cells that meet clip, in order, through painter.
void THexEditorCore::Paint(THexPainter& painter, const TRect& clip) {
  painter.BeginPaint();
  const TGridAxisInfo h = FLayout.Grid().HorzInfo();
  const TGridAxisInfo v = FLayout.Grid().VertInfo();
  // Each cell's kind follows from its place: corner and ruler cells in
  // rows 0-1, gutter cells in columns 0-1, data cells elsewhere.
  if (FLayout.ShowRuler()) {
    PaintCells(painter, clip, 0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary);
    PaintCells(painter, clip, FLayout.Grid().LeftCol(), 0, h.FixedBoundary, 0, h.GridBoundary,
               v.FixedBoundary);
  }
  PaintCells(painter, clip, 0, FLayout.Grid().TopRow(), 0, v.FixedBoundary, h.FixedBoundary,
             v.GridBoundary);
  PaintCells(painter, clip, FLayout.Grid().LeftCol(), FLayout.Grid().TopRow(), h.FixedBoundary,
             v.FixedBoundary, h.GridBoundary, v.GridBoundary);

  const TColor control = FAppearance.ToRGB(FAppearance.Colors().Background());
  const TColor offsetBackground = FAppearance.ToRGB(FAppearance.Colors().OffsetBackGround());
  const int fixedHeight = FLayout.Grid().RowHeight(0) + FLayout.Grid().RowHeight(1);
  const int g = FLayout.Grid().ColWidth(0);
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
  const TColor shadow = FAppearance.ToRGB(clBtnShadow),
               highlight = FAppearance.ToRGB(clBtnHighlight);
  const TColor grid = FAppearance.ToRGB(FAppearance.Colors().Grid());
  if (g != 0) {
    if (FAppearance.Options().DrawGutter3D) {
      painter.DrawLine(THexLine{g, y0, g, v.GridExtent, shadow});
      painter.DrawLine(THexLine{g - 1, y0, g - 1, v.GridExtent, highlight});
    } else if (FAppearance.Options().DrawGridLines) {
      painter.DrawLine(THexLine{g - 1, y0, g - 1, v.GridExtent, grid});
    }
  }
  if (FLayout.ShowRuler()) {
    if (FAppearance.Options().DrawGutter3D) {
      painter.DrawLine(THexLine{g - 1, y0 - 1, h.GridExtent, y0 - 1, shadow});
      painter.DrawLine(THexLine{g - 1, y0 - 2, h.GridExtent, y0 - 2, highlight});
    } else if (FAppearance.Options().DrawGridLines) {
      painter.DrawLine(THexLine{g - 1, y0 - 1, h.GridExtent, y0 - 1, grid});
    }
  }
  painter.EndPaint();
}
