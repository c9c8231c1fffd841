// The layout's geometry: the editor's grid, column widths, row heights,
// the mapping between cells and byte positions, the ruler text, and the
// settings that change them.

#include <algorithm>
#include <cctype>
#include <climits>
#include <vector>

#include "hexedit/core/HexLayout.h"
#include "hexedit/core/HexRadix.h"

// ---- The editor's grid ----------------------------------------------------

THexEditorGrid::THexEditorGrid(THexGridOwner& owner) : FOwner(owner) {
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

void THexEditorGrid::InvalidateRect(const TRect& rect) {
  if (FReady) FOwner.RepaintRect(rect);
}

void THexEditorGrid::InvalidateGrid() {
  if (FReady) FOwner.RepaintAll();
}

void THexEditorGrid::TopLeftChanged() {
  if (!FReady) return;
  FOwner.GridScrolled();
  if (OnTopLeftChanged) OnTopLeftChanged();
}

// A layout change repaints through the setter that caused it.
void THexEditorGrid::SizeChanged() {
  if (FReady && OnSizeChanged) OnSizeChanged();
}

// ---- The layout -----------------------------------------------------------

THexLayout::THexLayout(const THexDocument& document, THexGridOwner& owner)
    : FDocument(document), FOwner(owner), FGrid(owner) {
  BuildRulerText();
  ParseOffsetFormat(FOffsetFormat, DefaultOffsetFormat, THexOffsetUnits{16, 2, 1});
}

// ---- Cells and positions --------------------------------------------------

namespace {
int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, INT_MAX)); }
}  // namespace

THexCellPosition THexLayout::CellToPosition(int col, int row) const {
  const int64_t rowBase = int64_t(row - 2) * FBytesPerRow;
  if (col > SeparatorColumn()) {
    const int64_t k = col - FirstCharColumn();
    return THexCellPosition{ClampToInt(k * (FUnicodeChars ? 2 : 1) + rowBase), true};
  }
  // Hex digits and the separator, which so maps to the next row's start.
  return THexCellPosition{ClampToInt((col - 2) / 2 + rowBase), false};
}

TGridCoord THexLayout::PositionToCell(int pos, bool inCharField) const {
  if (pos < 0) return TGridCoord{2, 2};
  const int row = pos / FBytesPerRow + 2;
  const int b = pos % FBytesPerRow;
  if (inCharField) return TGridCoord{FirstCharColumn() + (FUnicodeChars ? b / 2 : b), row};
  return TGridCoord{2 * b + 2, row};
}

THexCellPosition THexLayout::TwinColumn(int col) const {
  if (col <= SeparatorColumn())
    return THexCellPosition{FirstCharColumn() + (col - 2) / (FUnicodeChars ? 4 : 2), false};
  const int k = col - FirstCharColumn();
  return THexCellPosition{(FUnicodeChars ? 4 * k : 2 * k) + 2, true};
}

TGridCoord THexLayout::CaretToCell(const THexCaret& caret) const {
  TGridCoord c = PositionToCell(caret.Position, caret.InCharField);
  if (!caret.InCharField && caret.SecondDigit) ++c.Col;
  return c;
}

THexCaret THexLayout::CellToCaret(int col, int row) const {
  const THexCellPosition p = CellToPosition(col, row);
  const bool second =
      !p.InCharField && col >= 2 && col <= HexColumnCount() + 1 && (col - 2) % 2 == 1;
  return THexCaret{p.Position, p.InCharField, second};
}

THexCaret THexLayout::CellOf(int pos, bool inCharField) const {
  if (pos < 0) return THexCaret{};
  if (inCharField && FUnicodeChars) pos &= ~1;
  return THexCaret{pos, inCharField, false};
}

TRect THexLayout::RowsRect(int firstPos, int lastPos) const {
  return FGrid.BoxRect(2, RowOfPosition(firstPos), ColCount() - 1, RowOfPosition(lastPos));
}

// ---- Layout ---------------------------------------------------------------

// The grid follows the data: one row per BytesPerRow bytes (one empty row
// without data), plus the row of the append position when insert mode is
// on and the data fills its last row.
void THexLayout::UpdateRowCount() {
  const int64_t n = FDocument.DataSize();
  int64_t rows = 3;
  if (n > 0) {
    rows = (n + FBytesPerRow - 1) / FBytesPerRow + 2;
    if (n % FBytesPerRow == 0 && FDocument.InsertMode()) ++rows;
  }
  FGrid.SetRowCount(static_cast<int>(rows));
  FGrid.SetColCount(ExpectedColCount());
  FGrid.SetFixedCols(2);
  FGrid.SetFixedRows(2);
  UpdateLayout();
}

int THexLayout::ExpectedColCount() const {
  return FUnicodeChars ? 2 * FBytesPerRow + FBytesPerRow / 2 + 3 : 3 * FBytesPerRow + 3;
}

void THexLayout::SetFontMetrics(int charWidth, int textHeight) {
  FFontCharWidth = charWidth;
  FFontTextHeight = textHeight;
  UpdateLayout();
  Changed();
}

void THexLayout::UpdateLayout() {
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

void THexLayout::UpdateGutterWidth() {
  const int64_t last = int64_t(std::max(0, RowCount() - 3)) * FBytesPerRow;
  FOffsetTextLength = MeasureGutterText(FOffsetFormat, last, FHexLowerCase, OnGetOffsetText);
  int64_t width = FGutterWidth;
  if (FGutterWidth == -1) width = int64_t(FOffsetTextLength) * std::max(0, FCharWidth) + 21;
  // However long a host's offset text, the width stays a sane number.
  FGrid.SetColWidth(0, static_cast<int>(std::clamp<int64_t>(width, 0, 1 << 20)));
}

void THexLayout::BuildRulerText() {
  const int units = FBytesPerRow / std::max(1, FBytesPerUnit);
  const auto digits = static_cast<uint8_t>(2 * std::clamp(RulerUnit(), 1, 8));
  std::string text;
  for (int i = 0; i < units; ++i) text += IntToRadix(static_cast<uint32_t>(i), 16, digits);
  if (FHexLowerCase)
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  FRulerText = text;
}

// ---- Settings -------------------------------------------------------------

bool THexLayout::SetBytesPerRow(int value) {
  if (value < 1 || value > 256 || (FUnicodeChars && value % 2 != 0))
    throw EHexEditor(HexMsg::InvalidBytesPerLine);
  if (value == FBytesPerRow) return false;
  FollowBytesPerRow(FOffsetFormat, value);
  FBytesPerRow = value;
  BuildRulerText();
  UpdateRowCount();
  return true;
}

void THexLayout::SetBytesPerBlock(int value) {
  if (value == FBytesPerBlock) return;
  FBytesPerBlock = value;
  UpdateLayout();
  Changed();
}

void THexLayout::SetSeparateBlocksInCharField(bool value) {
  if (value == FSeparateBlocksInCharField) return;
  FSeparateBlocksInCharField = value;
  if (FBytesPerBlock > 1) {
    UpdateLayout();
    Changed();
  }
}

void THexLayout::SetGutterWidth(int value) {
  if (value == FGutterWidth) return;
  FGutterWidth = value;
  UpdateGutterWidth();
  Changed();
}

void THexLayout::SetShowRuler(bool value) {
  if (value == FShowRuler) return;
  FShowRuler = value;
  UpdateLayout();
  Changed();
}
