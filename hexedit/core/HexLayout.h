#pragma once
// THexLayout: where a hex editor shows each byte and what it shows there.
//
// The grid: column 0 the offset gutter, column 1 a 6 px spacer, then one
// column per hex digit (byte b of a row in 2 + 2b and 3 + 2b), the empty
// SeparatorColumn, and one column per character (per 16-bit character in
// unicode mode). Row 0 is the ruler, row 1 an empty row of height 0, data
// row r shows the bytes from (r - 2) * BytesPerRow on. Columns 0-1 and
// rows 0-1 are fixed.
//
// The layout owns that grid and keeps its counts and sizes in step with
// the settings (bytes per row, column, block and unit, the character
// field's translation and unicode mode, the ruler, the gutter and the
// offset texts) and with the document it lays out, which it only reads.
// Every setter checks first and raises EHexEditor with nothing changed;
// setting the value in force does nothing (the bytes-per-row and -column
// checks come before that test); a change repaints through the grid's
// owner. The caret and selection are the editor core's: its
// SetBytesPerRow and SetUnicodeChars keep them on their bytes.
//
// Implemented in HexGeometry.cpp (grid, cells, sizes) and
// HexEditorText.cpp (characters, units, offset texts).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "hexedit/core/HexDocument.h"
#include "hexedit/core/HexGrid.h"
#include "hexedit/core/HexOffsetFormat.h"
#include "hexedit/core/HexTranslation.h"

// Where the caret stands, in data terms: the byte, the field, and in the
// hex field which of the byte's two digit columns. The grid cell of a
// caret follows from this and the layout (a position past the data end is
// the append position, valid only in insert mode).
struct THexCaret {
  int Position = 0;
  bool InCharField = false;
  bool SecondDigit = false;  // hex field only

  bool operator==(const THexCaret&) const = default;
};

// The byte a cell shows, and its field.
struct THexCellPosition {
  int Position = 0;
  bool InCharField = false;
  bool operator==(const THexCellPosition&) const = default;
};

class THexLayout {
public:
  THexLayout(const THexDocument& document, THexGridOwner& owner);
  THexLayout(const THexLayout&) = delete;
  THexLayout& operator=(const THexLayout&) = delete;

  // ==== Cells and positions ================================================
  THexEditorGrid& Grid() { return FGrid; }
  const THexEditorGrid& Grid() const { return FGrid; }
  int ColCount() const { return FGrid.ColCount(); }
  int RowCount() const { return FGrid.RowCount(); }
  int HexColumnCount() const { return 2 * FBytesPerRow; }
  int SeparatorColumn() const { return HexColumnCount() + 2; }
  int FirstCharColumn() const { return HexColumnCount() + 3; }
  int CharColumnCount() const { return FUnicodeChars ? FBytesPerRow / 2 : FBytesPerRow; }
  // The byte a cell shows (the separator maps to the next row's first
  // byte; never negative).
  THexCellPosition CellToPosition(int col, int row) const;
  // The cell of a byte: its first digit, or its character; (2, 2) for a
  // negative position.
  TGridCoord PositionToCell(int pos, bool inCharField) const;
  int RowOfPosition(int pos) const { return pos / FBytesPerRow + 2; }
  // The column of the other field showing the same byte (the first digit
  // of a byte or of a character's first byte); InCharField tells whether
  // col itself is in the character field. Callers use max(2, Col).
  THexCellPosition TwinColumn(int col) const;
  // The cell of a caret place, and the caret a cell stands for.
  TGridCoord CaretToCell(const THexCaret& caret) const;
  THexCaret CellToCaret(int col, int row) const;
  // The caret place of pos in a field (unicode characters start at even
  // positions in the character field; a negative position: the first hex
  // cell).
  THexCaret CellOf(int pos, bool inCharField) const;
  // The rectangle over columns 2 .. ColCount - 1 of the rows holding two
  // positions.
  TRect RowsRect(int firstPos, int lastPos) const;

  // ==== Rows, columns, blocks and sizes (HexGeometry.cpp) ==================
  int BytesPerRow() const { return FBytesPerRow; }
  // 1..256, even in unicode mode. The offset divisor follows when the
  // format names it. False when value was in force already.
  bool SetBytesPerRow(int value);
  int BytesPerColumn() const { return FBytesPerColumn; }
  void SetBytesPerColumn(int value);
  int NibblesPerColumn() const { return 2 * FBytesPerColumn; }
  // Extra gaps after every BytesPerBlock bytes; 1 or less: no blocks.
  int BytesPerBlock() const { return FBytesPerBlock; }
  void SetBytesPerBlock(int value);
  bool SeparateBlocksInCharField() const { return FSeparateBlocksInCharField; }
  void SetSeparateBlocksInCharField(bool value);
  // Width of column 0; -1 = as wide as the last row's offset text needs.
  int GutterWidth() const { return FGutterWidth; }
  void SetGutterWidth(int value);
  bool ShowRuler() const { return FShowRuler; }
  void SetShowRuler(bool value);
  // The text over the hex field: hex column c shows character c - 2.
  const std::string& RulerText() const { return FRulerText; }

  // The widget measures the editor font: the width of "w" and the height
  // of "yY". Storing them relayouts.
  void SetFontMetrics(int charWidth, int textHeight);
  // -1 until the first UpdateLayout.
  int CharWidth() const { return FCharWidth; }
  // Text height of "yY" + 2.
  int RowHeight() const { return FRowHeight; }

  // The steps the settings trigger: UpdateRowCount sizes the grid to the
  // document (one row per BytesPerRow bytes, plus the row of the append
  // position in insert mode) and relayouts; UpdateLayout recomputes
  // CharWidth, every column width and the row heights (the gutter's
  // included); UpdateGutterWidth measures the last row's offset text
  // (recomputing an automatic digit count) and sizes column 0;
  // BuildRulerText rebuilds RulerText.
  void UpdateRowCount();
  void UpdateLayout();
  void UpdateGutterWidth();
  void BuildRulerText();

  // ==== Characters and units (HexEditorText.cpp) ===========================
  THexTranslationKind Translation() const { return FTranslation; }
  void SetTranslation(THexTranslationKind value);
  bool UnicodeChars() const { return FUnicodeChars; }
  // On: needs an even BytesPerRow, BytesPerColumn and DataSize, and puts
  // Translation back to tkAsIs. On or off, BytesPerUnit becomes 2. False
  // when value was in force already.
  bool SetUnicodeChars(bool value);
  bool UnicodeBigEndian() const { return FUnicodeBigEndian; }
  void SetUnicodeBigEndian(bool value);
  // 1, 2, 4 or 8; only 2 in unicode mode.
  int BytesPerUnit() const { return FBytesPerUnit; }
  void SetBytesPerUnit(int value);
  // -1 (follow BytesPerUnit), 1, 2, 4 or 8.
  int RulerBytesPerUnit() const { return FRulerBytesPerUnit; }
  void SetRulerBytesPerUnit(int value);
  int RulerUnit() const { return FRulerBytesPerUnit != -1 ? FRulerBytesPerUnit : FBytesPerUnit; }
  // The largest multiple of BytesPerUnit not above pos.
  int AlignToUnit(int pos) const;
  // Shown for unprintable characters; 0 turns masking off.
  char16_t MaskChar() const { return FMaskChar; }
  void SetMaskChar(char16_t value);
  // Hex field: a byte's left digit shows its low nibble.
  bool SwapNibbles() const { return FSwapNibbles; }
  void SetSwapNibbles(bool value);
  // Lower-case digits in hex cells, the ruler and offset texts.
  bool HexLowerCase() const { return FHexLowerCase; }
  void SetHexLowerCase(bool value);
  // The 16 digits hex cells and the ruler are drawn with.
  std::string_view HexDigits() const { return FHexDigits; }
  // The settings a journal entry notes.
  THexEntrySettings EntrySettings() const;

  // The character the byte / the unicode character at pos (even, within
  // the data) shows in the character field, by the settings in force.
  char16_t ByteToDisplayChar(uint8_t b) const;
  char16_t UnicodeCharAt(int pos) const;
  // What typing c in the character field stores: one byte (0 = refused),
  // or in unicode mode two bytes in storage order (false = refused).
  uint8_t TypedCharToByte(char32_t c) const;
  bool TypedCharToUnicodeBytes(char32_t c, std::array<uint8_t, 2>& bytes) const;

  // ==== Offset texts (HexEditorText.cpp) ===================================
  // The offset format text; setting it parses it (see HexOffsetFormat.h)
  // and keeps the previous format in force when that fails.
  const std::string& OffsetFormat() const { return FOffsetFormat.Format; }
  void SetOffsetFormat(std::string_view value);
  const THexOffsetFormat& OffsetFormatRecord() const { return FOffsetFormat; }
  // Host hook: when set, it produces every offset text instead.
  THexGetOffsetTextEvent OnGetOffsetText;
  // Gutter text of the row starting at offset.
  std::string GetOffsetText(uint32_t offset) const;
  // GetOffsetText, or plain hex digits while the format is empty.
  std::string FormatOffset(uint32_t offset) const;
  // The unit offsets count in: the offset format's divisor (words where
  // units are 2 bytes), at least 1.
  int OffsetUnit() const { return FOffsetFormat.Divisor == 0 ? 1 : FOffsetFormat.Divisor; }
  // Offset of the last data row, (RowCount - 3) * BytesPerRow: the row of
  // the append position counts in insert mode.
  int64_t LastRowOffset() const;
  // Characters of the last data row's gutter text + 1, as measured by the
  // latest UpdateGutterWidth; -1 before the first.
  int OffsetTextLength() const { return FOffsetTextLength; }

private:
  const THexDocument& FDocument;
  THexGridOwner& FOwner;

  int FBytesPerRow = 16;
  int FBytesPerColumn = 2;
  int FBytesPerBlock = -1;
  bool FSeparateBlocksInCharField = true;
  int FGutterWidth = -1;
  bool FShowRuler = false;
  int FFontCharWidth = -1;
  int FFontTextHeight = 0;
  int FCharWidth = -1;
  int FRowHeight = 0;
  std::string FRulerText;
  THexEditorGrid FGrid;
  int ExpectedColCount() const;

  THexTranslationKind FTranslation = tkAsIs;
  bool FUnicodeChars = false;
  bool FUnicodeBigEndian = false;
  int FBytesPerUnit = 1;
  int FRulerBytesPerUnit = -1;
  char16_t FMaskChar = DefaultMaskChar;
  bool FSwapNibbles = false;
  bool FHexLowerCase = false;
  std::string_view FHexDigits = UpperHexDigits;
  THexOffsetFormat FOffsetFormat;
  int FOffsetTextLength = -1;
  void FollowRulerUnitChange();
  // A change of what the view shows: the whole view repaints.
  void Changed() { FOwner.RepaintAll(); }
};
