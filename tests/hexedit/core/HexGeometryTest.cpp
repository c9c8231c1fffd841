// The editor's grid geometry with a fixed character width: column widths,
// row counts, the cell <-> position mapping, the geometry settings.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/HexErrorText.h"

namespace {

constexpr int W = 8;       // width of "w"
constexpr int TextH = 13;  // height of "yY"

struct GeometryTest : ::testing::Test {
  THexEditorCore Ed;

  GeometryTest() { Ed.Layout().SetFontMetrics(W, TextH); }

  void Sized(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
  }
  int Width(int col) const { return Ed.Layout().Grid().ColWidth(col); }
};

}  // namespace

TEST_F(GeometryTest, DefaultColumnWidths) {
  EXPECT_EQ(Ed.Layout().CharWidth(), W);
  EXPECT_EQ(Ed.Layout().RowHeight(), TextH + 2);
  EXPECT_EQ(Ed.Layout().ColCount(), 51);
  EXPECT_EQ(Ed.Layout().HexColumnCount(), 32);
  EXPECT_EQ(Ed.Layout().SeparatorColumn(), 34);
  EXPECT_EQ(Ed.Layout().FirstCharColumn(), 35);
  EXPECT_EQ(Width(1), 6);
  EXPECT_EQ(Width(2), W);
  EXPECT_EQ(Width(3), W);
  EXPECT_EQ(Width(4), W);
  EXPECT_EQ(Width(5), 2 * W);  // second digit of byte 1 ends a column group
  EXPECT_EQ(Width(9), 2 * W);
  EXPECT_EQ(Width(32), W);
  EXPECT_EQ(Width(33), 2 * W);
  EXPECT_EQ(Width(34), W);
  for (int c = 35; c <= 49; ++c) EXPECT_EQ(Width(c), W + 1) << c;
  EXPECT_EQ(Width(50), 2 * W + 1);
  EXPECT_EQ(Ed.Layout().Grid().FixedCols(), 2);
  EXPECT_EQ(Ed.Layout().Grid().FixedRows(), 2);
}

TEST_F(GeometryTest, ColumnGroupsBlocksAndUnits) {
  Ed.Layout().SetBytesPerColumn(1);
  for (int c = 2; c <= 31; ++c) EXPECT_EQ(Width(c), c % 2 == 1 ? 2 * W : W) << c;

  Ed.Layout().SetBytesPerColumn(2);
  Ed.Layout().SetBytesPerBlock(4);
  EXPECT_EQ(Width(9), 3 * W);
  EXPECT_EQ(Width(17), 3 * W);
  EXPECT_EQ(Width(25), 3 * W);
  EXPECT_EQ(Width(33), 2 * W);
  EXPECT_EQ(Width(13), 2 * W);
  // Blocks in the character field: a gap after every fourth character.
  EXPECT_EQ(Width(38), 2 * W + 1);
  EXPECT_EQ(Width(39), W + 1);
  Ed.Layout().SetSeparateBlocksInCharField(false);
  EXPECT_EQ(Width(38), W + 1);
  Ed.Layout().SetBytesPerBlock(1);
  EXPECT_EQ(Width(9), 2 * W);

  // Units of 2 bytes widen every second character to one and a half.
  Ed.Layout().SetBytesPerUnit(2);
  EXPECT_EQ(Width(35), W + 1);
  EXPECT_EQ(Width(36), 3 * W / 2 + 1);
  EXPECT_EQ(Width(50), 2 * W + 1);
}

TEST_F(GeometryTest, RowCountFollowsDataAndInsertMode) {
  Ed.ResetData();
  EXPECT_EQ(Ed.Layout().RowCount(), 3);
  Ed.SetDataSize(16);
  EXPECT_EQ(Ed.Layout().RowCount(), 3);
  Ed.SetInsertMode(true);
  EXPECT_EQ(Ed.Layout().RowCount(), 4);  // the append position after byte 15
  Ed.SetInsertMode(false);
  EXPECT_EQ(Ed.Layout().RowCount(), 3);
  Ed.SetDataSize(17);
  EXPECT_EQ(Ed.Layout().RowCount(), 4);
  Ed.SetInsertMode(true);
  EXPECT_EQ(Ed.Layout().RowCount(), 4);
  Ed.SetBytesPerRow(1);
  EXPECT_EQ(Ed.Layout().RowCount(), 17 + 3);  // every size fills its last row now
  EXPECT_EQ(Ed.Layout().ColCount(), 6);
}

TEST_F(GeometryTest, CellsAndPositions) {
  Sized(100);
  EXPECT_EQ(Ed.Layout().CellToPosition(34, 2), (THexCellPosition{16, false}));  // separator
  EXPECT_EQ(Ed.Layout().CellToPosition(2, 2), (THexCellPosition{0, false}));
  EXPECT_EQ(Ed.Layout().CellToPosition(7, 3), (THexCellPosition{18, false}));
  EXPECT_EQ(Ed.Layout().CellToPosition(37, 3), (THexCellPosition{18, true}));
  EXPECT_EQ(Ed.Layout().CellToPosition(0, 2).Position, 0);  // never negative
  EXPECT_EQ(Ed.Layout().PositionToCell(-1, false), (TGridCoord{2, 2}));
  EXPECT_EQ(Ed.Layout().PositionToCell(-1, true), (TGridCoord{2, 2}));
  EXPECT_EQ(Ed.Layout().PositionToCell(18, false), (TGridCoord{6, 3}));
  EXPECT_EQ(Ed.Layout().PositionToCell(18, true), (TGridCoord{37, 3}));
  EXPECT_EQ(Ed.Layout().RowOfPosition(31), 3);
  EXPECT_EQ(Ed.Layout().TwinColumn(7), (THexCellPosition{37, false}));
  EXPECT_EQ(Ed.Layout().TwinColumn(37), (THexCellPosition{6, true}));

  // The caret maps to its digit and back.
  Ed.MoveCaret(THexCaret{18, false, true});
  EXPECT_EQ(Ed.CaretCell(), (TGridCoord{7, 3}));
  EXPECT_EQ(Ed.Layout().CellToCaret(7, 3), (THexCaret{18, false, true}));
  EXPECT_EQ(Ed.Layout().CellToCaret(37, 3), (THexCaret{18, true, false}));
}

TEST_F(GeometryTest, UnicodeColumnsAndTwins) {
  Sized(64);
  Ed.SetUnicodeChars(true);
  EXPECT_EQ(Ed.Layout().ColCount(), 43);
  EXPECT_EQ(Ed.Layout().CharColumnCount(), 8);
  EXPECT_EQ(Ed.Layout().FirstCharColumn(), 35);
  EXPECT_EQ(Ed.Layout().TwinColumn(2).Position, 35);
  EXPECT_EQ(Ed.Layout().TwinColumn(5).Position, 35);
  EXPECT_EQ(Ed.Layout().TwinColumn(6).Position, 36);
  EXPECT_EQ(Ed.Layout().TwinColumn(36).Position, 6);
  EXPECT_EQ(Ed.Layout().CellToPosition(36, 2), (THexCellPosition{2, true}));
  EXPECT_EQ(Ed.Layout().PositionToCell(3, true), (TGridCoord{36, 2}));
  for (int c = 35; c <= 41; ++c) EXPECT_EQ(Width(c), W + 1) << c;  // no ruler-unit widening
  EXPECT_EQ(Width(42), 2 * W + 1);
  // Blocks count in characters: 4 bytes are 2 characters.
  Ed.Layout().SetBytesPerBlock(4);
  EXPECT_EQ(Width(35), W + 1);
  EXPECT_EQ(Width(36), 2 * W + 1);
}

TEST_F(GeometryTest, RejectedSettingsLeaveTheLayout) {
  Sized(32);
  const std::vector<int> before = [&] {
    std::vector<int> w;
    for (int c = 0; c < Ed.Layout().ColCount(); ++c) w.push_back(Width(c));
    return w;
  }();
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(0); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(257); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerColumn(0); }), "Invalid bytes per column argument");
  Ed.SetUnicodeChars(true);
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(15); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerColumn(3); }), "Invalid bytes per column argument");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerUnit(4); }),
            "BytesPerUnit must be set to 2 in unicode mode");
  Ed.SetUnicodeChars(false);
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerUnit(3); }),
            "Invalid bytes per unit value 3, allowed: 1,2,4,8");
  EXPECT_EQ(Error([&] { Ed.Layout().SetRulerBytesPerUnit(0); }),
            "Invalid ruler bytes per unit value 0, allowed: -1,1,2,4,8");
  Ed.Layout().SetBytesPerUnit(1);
  for (int c = 0; c < Ed.Layout().ColCount(); ++c) EXPECT_EQ(Width(c), before[size_t(c)]) << c;
  EXPECT_EQ(Ed.Layout().BytesPerRow(), 16);
}

TEST_F(GeometryTest, GutterWidthFollowsTheLastOffset) {
  Sized(256);
  Ed.Layout().SetOffsetFormat("8!10:|");  // eight digits
  EXPECT_EQ(Width(0), 9 * W + 21);
  Ed.Layout().SetGutterWidth(40);
  EXPECT_EQ(Width(0), 40);
  Ed.Layout().SetGutterWidth(-1);
  // The default format grows with the offset of the last row.
  Ed.Layout().SetOffsetFormat("-!10:0x|");
  EXPECT_EQ(Width(0), 5 * W + 21);  // "0xF0" + 1
  Ed.SetDataSize(0x1001);
  EXPECT_EQ(Width(0), 7 * W + 21);  // "0x1000" + 1
  // A host's text counts in characters.
  Ed.Layout().OnGetOffsetText = [](int64_t, std::string& text) { text = "Zeile \xC3\xBC"; };
  Ed.Layout().UpdateLayout();
  EXPECT_EQ(Width(0), 8 * W + 21);
}

TEST_F(GeometryTest, RulerRowAndText) {
  EXPECT_EQ(Ed.Layout().Grid().RowHeight(0), 0);
  EXPECT_EQ(Ed.Layout().Grid().RowHeight(1), 0);
  Ed.Layout().SetShowRuler(true);
  EXPECT_EQ(Ed.Layout().Grid().RowHeight(0), Ed.Layout().Grid().DefaultRowHeight() + 3);
  EXPECT_EQ(Ed.Layout().Grid().RowHeight(1), 0);
  EXPECT_EQ(Ed.Layout().RulerText(), "000102030405060708090A0B0C0D0E0F");
  Ed.Layout().SetBytesPerUnit(2);
  EXPECT_EQ(Ed.Layout().RulerText(), "00000001000200030004000500060007");
  Ed.Layout().SetHexLowerCase(true);
  Ed.SetBytesPerRow(24);
  EXPECT_EQ(Ed.Layout().RulerText().substr(40), "000a000b");
  // A ruler unit unlike the data unit: longer than the hex field.
  Ed.Layout().SetRulerBytesPerUnit(8);
  EXPECT_EQ(Ed.Layout().RulerText().size(), 12u * 16u);
}

TEST_F(GeometryTest, BytesPerRowKeepsCaretAndSelection) {
  Sized(100);
  Ed.MoveCaret(THexCaret{37, false, true});
  Ed.SelectRange(20, 30);
  Ed.SetBytesPerRow(8);
  EXPECT_EQ(Ed.Caret(), (THexCaret{37, false, true}));
  EXPECT_EQ(Ed.CaretCell(), (TGridCoord{2 + 2 * 5 + 1, 2 + 4}));
  EXPECT_EQ(Ed.SelectionAnchor(), 20);
  EXPECT_EQ(Ed.SelectionLow(), 20);
  EXPECT_EQ(Ed.SelectionHigh(), 30);
  EXPECT_EQ(Ed.Layout().RowCount(), 13 + 2);
  EXPECT_EQ(Ed.Layout().ColCount(), 27);

  // A caret at the append position comes back to the last byte.
  Ed.SetInsertMode(true);
  Ed.MoveCaret(THexCaret{100, true, false});
  Ed.SetBytesPerRow(10);
  EXPECT_EQ(Ed.Caret(), (THexCaret{99, true, false}));
}

TEST_F(GeometryTest, OffsetDivisorFollowsTheRow) {
  Sized(64);
  Ed.SetBytesPerRow(8);
  Ed.Layout().SetOffsetFormat("r%-!10:|");
  EXPECT_EQ(Ed.Layout().GetOffsetText(16), "2");
  Ed.SetBytesPerRow(4);
  EXPECT_EQ(Ed.Layout().GetOffsetText(16), "4");
}

TEST_F(GeometryTest, ZeroSizedFontStillLaysOut) {
  Sized(1000);
  Ed.Layout().SetFontMetrics(0, 0);
  EXPECT_EQ(Ed.Layout().CharWidth(), 0);
  EXPECT_EQ(Ed.Layout().RowHeight(), 2);
  EXPECT_EQ(Width(0), 21);
  EXPECT_EQ(Width(50), 1);
  Ed.Layout().SetFontMetrics(-7, -3);  // nonsense from a broken font
  EXPECT_EQ(Ed.Layout().CharWidth(), 0);
  EXPECT_GE(Ed.Layout().RowHeight(), 0);
}
