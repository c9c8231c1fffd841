// The editor's grid geometry: column widths, row heights, the mapping
// between cells and byte positions, the ruler text, and the settings that
// change the layout.

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"

// ---- The editor's grid ----------------------------------------------------

THexEditorGrid::THexEditorGrid(THexEditorCore& owner) : FOwner(owner) {
  // Until the first layout: the columns of 16 bytes per row, one empty
  // data row, every width and height 0.
  SetColCount(3 * 16 + 3);
  SetRowCount(3);
  SetFixedCols(2);
  SetFixedRows(2);
  SetDefaultColWidth(0);
  SetDefaultRowHeight(0);
  FReady = true;
}

TGridCoord THexEditorGrid::CurrentCell() const { return FOwner.CaretCell(); }

bool THexEditorGrid::SelectCell(int col, int row) { return FOwner.SelectCell(col, row); }

// The caret is the current cell: an accepted cell becomes the caret.
void THexEditorGrid::SetCurrentCell(TGridCoord cell) {
  FOwner.FCaret = FOwner.CellToCaret(cell.Col, cell.Row);
}

void THexEditorGrid::InvalidateRect(const TRect& rect) {
  if (FReady) FOwner.RepaintRect(rect);
}

void THexEditorGrid::InvalidateGrid() {
  if (FReady) FOwner.Invalidate();
}

void THexEditorGrid::TopLeftChanged() {
  if (!FReady) return;
  FOwner.TopLeftChanged();
  if (OnTopLeftChanged) OnTopLeftChanged();
}

// A layout change repaints through the setter that caused it.
void THexEditorGrid::SizeChanged() {
  if (FReady && OnSizeChanged) OnSizeChanged();
}

// ---- Cells and positions --------------------------------------------------

namespace {
int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, INT_MAX)); }
}  // namespace

THexEditorCore::TCellPosition THexEditorCore::CellToPosition(int col, int row) const {
  const int64_t rowBase = int64_t(row - 2) * FBytesPerRow;
  if (col > SeparatorColumn()) {
    const int64_t k = col - FirstCharColumn();
    return TCellPosition{ClampToInt(k * (FUnicodeChars ? 2 : 1) + rowBase), true};
  }
  // Hex digits and the separator, which so maps to the next row's start.
  return TCellPosition{ClampToInt((col - 2) / 2 + rowBase), false};
}

TGridCoord THexEditorCore::PositionToCell(int pos, bool inCharField) const {
  if (pos < 0) return TGridCoord{2, 2};
  const int row = pos / FBytesPerRow + 2;
  const int b = pos % FBytesPerRow;
  if (inCharField) return TGridCoord{FirstCharColumn() + (FUnicodeChars ? b / 2 : b), row};
  return TGridCoord{2 * b + 2, row};
}

int THexEditorCore::RowOfPosition(int pos) const { return pos / FBytesPerRow + 2; }

THexEditorCore::TCellPosition THexEditorCore::TwinColumn(int col) const {
  if (col <= SeparatorColumn())
    return TCellPosition{FirstCharColumn() + (col - 2) / (FUnicodeChars ? 4 : 2), false};
  const int k = col - FirstCharColumn();
  return TCellPosition{(FUnicodeChars ? 4 * k : 2 * k) + 2, true};
}

TGridCoord THexEditorCore::CaretToCell(const THexCaret& caret) const {
  TGridCoord c = PositionToCell(caret.Position, caret.InCharField);
  if (!caret.InCharField && caret.SecondDigit) ++c.Col;
  return c;
}

THexCaret THexEditorCore::CellToCaret(int col, int row) const {
  const TCellPosition p = CellToPosition(col, row);
  const bool second =
      !p.InCharField && col >= 2 && col <= HexColumnCount() + 1 && (col - 2) % 2 == 1;
  return THexCaret{p.Position, p.InCharField, second};
}

TRect THexEditorCore::RowsRect(int firstPos, int lastPos) const {
  return FGrid.BoxRect(2, RowOfPosition(firstPos), ColCount() - 1, RowOfPosition(lastPos));
}

// ---- Layout ---------------------------------------------------------------

int THexEditorCore::ExpectedColCount() const {
  return FUnicodeChars ? 2 * FBytesPerRow + FBytesPerRow / 2 + 3 : 3 * FBytesPerRow + 3;
}

void THexEditorCore::SetFontMetrics(int charWidth, int textHeight) {
  FFontCharWidth = charWidth;
  FFontTextHeight = textHeight;
  UpdateLayout();
  Invalidate();
}

void THexEditorCore::UpdateLayout() {
  FCharWidth = std::max(0, FFontCharWidth);
  const int w = FCharWidth;
  UpdateGutterWidth();

  const int cols = FGrid.ColCount();
  std::vector<int> widths(static_cast<size_t>(std::max(cols, 2)), 0);
  auto set = [&](int col, int value) {
    if (col >= 0 && col < cols) widths[static_cast<size_t>(col)] = value;
  };
  set(0, FGrid.ColWidth(0));
  set(1, 6);
  // Hex digits: a gap after each column group and each block; the last
  // digit of the row is followed by one digit's room before the separator.
  const int64_t nibbles = NibblesPerColumn();
  const int64_t blockNibbles = 2 * int64_t(FBytesPerBlock);
  const int lastDigit = HexColumnCount() + 1;
  for (int c = 2; c < SeparatorColumn(); ++c) {
    int width = w;
    if (c == lastDigit) {
      width = 2 * w;
    } else {
      if (c % nibbles == 1) width += w;
      if (FBytesPerBlock > 1 && c % blockNibbles == 1) width += w;
    }
    set(c, width);
  }
  set(SeparatorColumn(), w);
  // Characters: one pixel apart, wider at the end of each ruler unit and
  // of each block (when blocks show in this field too).
  const int unit = RulerUnit();
  const int charBlock = FUnicodeChars ? FBytesPerBlock / 2 : FBytesPerBlock;
  for (int k = 0; k < CharColumnCount(); ++k) {
    int width = w + 1;
    if (!FUnicodeChars && unit > 1 && k % unit == unit - 1) width = 3 * w / 2 + 1;
    if (FBytesPerBlock > 1 && FSeparateBlocksInCharField && charBlock > 0 &&
        k % charBlock == charBlock - 1)
      width += w;
    set(FirstCharColumn() + k, width);
  }
  set(cols - 1, 2 * w + 1);
  FGrid.SetColWidths(widths);

  FRowHeight = std::max(0, FFontTextHeight) + 2;
  if (FGrid.DefaultRowHeight() != FRowHeight) FGrid.SetDefaultRowHeight(FRowHeight);
  FGrid.SetRowHeight(1, 0);
  FGrid.SetRowHeight(0, FShowRuler ? FRowHeight + 3 : 0);
}

void THexEditorCore::UpdateGutterWidth() {
  const int64_t last = int64_t(std::max(0, RowCount() - 3)) * FBytesPerRow;
  FOffsetTextLength = MeasureGutterText(FOffsetFormat, last, FHexLowerCase, OnGetOffsetText);
  int64_t width = FGutterWidth;
  if (FGutterWidth == -1) width = int64_t(FOffsetTextLength) * std::max(0, FCharWidth) + 21;
  // However long a host's offset text, the width stays a sane number.
  FGrid.SetColWidth(0, static_cast<int>(std::clamp<int64_t>(width, 0, 1 << 20)));
}

std::string THexEditorCore::RulerTextFor(int bytesPerRow, int bytesPerUnit, int rulerUnit,
                                         bool lowerCase) {
  const int units = bytesPerRow / std::max(1, bytesPerUnit);
  const auto digits = static_cast<uint8_t>(2 * std::clamp(rulerUnit, 1, 8));
  std::string text;
  for (int i = 0; i < units; ++i) text += IntToRadix(static_cast<uint32_t>(i), 16, digits);
  if (lowerCase)
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return text;
}

void THexEditorCore::BuildRulerText() {
  FRulerText = RulerTextFor(FBytesPerRow, FBytesPerUnit, RulerUnit(), FHexLowerCase);
}

// ---- Settings -------------------------------------------------------------

void THexEditorCore::SetBytesPerRow(int value) {
  if (value < 1 || value > 256 || (FUnicodeChars && value % 2 != 0))
    throw EHexEditor(HexMsg::InvalidBytesPerLine);
  if (value == FBytesPerRow) return;
  FollowBytesPerRow(FOffsetFormat, value);
  // The caret keeps its byte, field and digit, the selection its ends.
  const THexSelection kept = FSelection;
  const TGridCoord cell = CaretCell();
  THexCaret caret = CellToCaret(cell.Col, cell.Row);
  caret.SecondDigit = FCaret.SecondDigit && !FCaret.InCharField;

  FBytesPerRow = value;
  BuildRulerText();
  UpdateRowCount();

  if (caret.Position >= DataSize()) {
    caret.Position = DataSize() - 1;
    caret.SecondDigit = caret.SecondDigit && caret.Position >= 0;
  }
  // Moving the caret drops the selection: it is put back as it was.
  MoveCaret(caret);
  FSelection.Selecting = kept.Selecting;
  FSelection.ExtendOrigin = kept.ExtendOrigin;
  SetSelectionDirect(kept.Anchor, kept.Low, kept.High);
  Invalidate();
}

void THexEditorCore::SetBytesPerBlock(int value) {
  if (value == FBytesPerBlock) return;
  FBytesPerBlock = value;
  UpdateLayout();
  Invalidate();
}

void THexEditorCore::SetSeparateBlocksInCharField(bool value) {
  if (value == FSeparateBlocksInCharField) return;
  FSeparateBlocksInCharField = value;
  if (FBytesPerBlock > 1) {
    UpdateLayout();
    Invalidate();
  }
}

void THexEditorCore::SetGutterWidth(int value) {
  if (value == FGutterWidth) return;
  FGutterWidth = value;
  UpdateGutterWidth();
  Invalidate();
}

void THexEditorCore::SetShowRuler(bool value) {
  if (value == FShowRuler) return;
  FShowRuler = value;
  UpdateLayout();
  Invalidate();
}
