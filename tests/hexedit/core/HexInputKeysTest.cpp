// The key table: caret moves in both fields, the acceptance of cells,
// keyboard selection, Backspace and Delete, insert mode, bookmarks, and
// the selection operations.

#include "tests/hexedit/core/HexInputFixture.h"

namespace {

using KeysTest = InputTest;

TEST_F(KeysTest, EmptyEditorHasTwoCaretCells) {
  Ed.ResetData();
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
  EXPECT_FALSE(Ed.MoveToCell(3, 2));
  EXPECT_FALSE(Ed.MoveToCell(36, 2));
  EXPECT_TRUE(Ed.MoveToCell(35, 2));
  EXPECT_EQ(Cell(), (TGridCoord{35, 2}));
  for (int k : {hkRight, hkLeft, hkEnd, hkDown, hkPageDown, hkUp}) Key(k);
  EXPECT_EQ(Cell(), (TGridCoord{35, 2}));
  Key(hkTab);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
  for (int k : {hkRight, hkEnd, hkDown, hkPageDown}) {
    Key(k);
    Key(k, hsCtrl);
  }
  Ed.SetInsertMode(true);
  for (int k : {hkRight, hkEnd, hkDown, hkPageDown}) Key(k);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
  EXPECT_EQ(Ed.DataSize(), 0);
}

TEST_F(KeysTest, DigitStepsAcrossBytesAndRows) {
  Sized(40);
  Key(hkRight);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, true}));
  Key(hkRight);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, false, false}));
  Ed.SetSelStart(15);
  Key(hkRight);
  Key(hkRight);  // from the row's last digit to the next row
  EXPECT_EQ(Cell(), (TGridCoord{2, 3}));
  Key(hkLeft);
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, true}));
  Ed.SetSelStart(0);
  Key(hkLeft);  // nothing before byte 0
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
  Key(hkRight, hsCtrl);
  EXPECT_EQ(Cell(), (TGridCoord{50, 2}));  // the row's last column
  Key(hkLeft, hsCtrl);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
}

TEST_F(KeysTest, RightStopsOnTheLastDigitInOverwriteMode) {
  Sized(20);
  Ed.MoveCaret(THexCaret{19, false, true});
  Key(hkRight);
  EXPECT_EQ(Ed.Caret(), (THexCaret{19, false, true}));
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Ed.Caret(), (THexCaret{19, false, false}));
  // A cell past the data sends the caret to the last byte.
  EXPECT_FALSE(Ed.MoveToCell(10, 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{19, false, false}));
  EXPECT_FALSE(Ed.MoveToCell(10, 40));
  EXPECT_EQ(Ed.Caret().Position, 19);
}

TEST_F(KeysTest, AppendPositionInInsertMode) {
  Sized(16);
  Ed.SetInsertMode(true);
  ASSERT_EQ(Ed.Layout().RowCount(), 4);
  EXPECT_TRUE(Ed.MoveToCell(2, 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{16, false, false}));
  EXPECT_FALSE(Ed.MoveToCell(3, 3));  // no second digit there
  EXPECT_EQ(Cell(), (TGridCoord{2, 3}));
  EXPECT_FALSE(Ed.MoveToCell(4, 3));
  EXPECT_EQ(Cell(), (TGridCoord{2, 3}));
  EXPECT_TRUE(Ed.MoveToCell(35, 3));
  EXPECT_EQ(Ed.Caret(), (THexCaret{16, true, false}));
  Key(hkTab);
  Key(hkUp);
  Key(hkEnd);
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, true}));
  Key(hkRight);
  EXPECT_EQ(Cell(), (TGridCoord{2, 3}));
  Key(hkRight);  // nothing after the append position
  EXPECT_EQ(Cell(), (TGridCoord{2, 3}));
  Key(hkLeft);
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, true}));
  // Overwrite mode takes the row away and the caret with it.
  Ed.MoveToCell(2, 3);
  Ed.SetInsertMode(false);
  EXPECT_EQ(Ed.Layout().RowCount(), 3);
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, false, false}));
}

TEST_F(KeysTest, CharacterFieldStepsByCharacter) {
  Sized(64);
  Key(hkTab);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, true, false}));
  Key(hkRight);
  Key(hkRight);
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, true, false}));
  Key(hkLeft);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, true, false}));
  Key(hkEnd);
  EXPECT_EQ(Ed.Caret(), (THexCaret{15, true, false}));
  Key(hkHome);
  EXPECT_EQ(Cell(), (TGridCoord{35, 2}));
  Key(hkT, hsCtrl);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));

  // Unicode characters are two bytes.
  Ed.SetUnicodeChars(true);
  Key(hkTab);
  Key(hkRight);
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, true, false}));
  Key(hkTab);
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, false, false}));
  Ed.MoveCaret(THexCaret{7, false, true});
  Key(hkTab, hsShift);
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
  Key(hkTab, hsCtrl | hsAlt);  // not a field switch
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
}

TEST_F(KeysTest, RowsAndPages) {
  Sized(16 * 100);
  ASSERT_EQ(Ed.Layout().Grid().VisibleRowCount(), 10);
  Ed.MoveCaret(THexCaret{5, false, true});
  Key(hkDown);
  EXPECT_EQ(Ed.Caret(), (THexCaret{21, false, true}));
  Key(hkUp);
  Key(hkUp);  // not above the first row
  EXPECT_EQ(Ed.Caret(), (THexCaret{5, false, true}));
  Key(hkPageDown);
  EXPECT_EQ(Cell().Row, 11);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 11);
  Key(hkPageDown);
  EXPECT_EQ(Cell().Row, 20);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 20);
  Key(hkPageUp, hsCtrl);
  EXPECT_EQ(Cell().Row, 20);
  Key(hkPageDown, hsCtrl);
  EXPECT_EQ(Cell().Row, 29);
  Key(hkPageUp);
  EXPECT_EQ(Cell().Row, 20);
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 11);
  Key(hkDown, hsCtrl);  // Ctrl+Down is no key of the editor
  EXPECT_EQ(Cell().Row, 20);
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1599, false, false}));
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 101 - 9);
  for (int i = 0; i < 3; ++i) Key(hkPageDown);
  EXPECT_EQ(Cell().Row, 101);
  Key(hkHome, hsCtrl);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
  EXPECT_EQ(Ed.Layout().Grid().TopRow(), 2);
  for (int i = 0; i < 30; ++i) Key(hkPageUp);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
}

TEST_F(KeysTest, ShiftArrowsSelectWholeUnits) {
  Sized(64);
  Ed.Layout().SetBytesPerUnit(2);
  ShiftKeys({hkRight});
  EXPECT_EQ(Selection(), (std::vector<int>{0, 3}));
  EXPECT_EQ(Ed.Caret().Position, 2);
  Ed.KeyDown(hkDown, hsShift);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 19}));
  Ed.KeyDown(hkUp, hsShift);
  Ed.KeyDown(hkLeft, hsShift);
  Ed.KeyDown(hkLeft, hsShift);  // back over the origin: the origin's unit stays
  EXPECT_EQ(Ed.Caret().Position, 0);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 1}));
  EXPECT_EQ(Ed.SelectionAnchor(), 0);
  Ed.KeyDown(hkEnd, hsShift | hsCtrl);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 63}));
  ReleaseShift();
  // Releasing Shift changes nothing; the next plain key drops it.
  EXPECT_EQ(Selection(), (std::vector<int>{0, 63}));
  Key(hkLeft);
  EXPECT_TRUE(Selection().empty());
  EXPECT_FALSE(Ed.Selection().Selecting);
}

TEST_F(KeysTest, ShiftSelectionInInsertModeSelectsBetweenGaps) {
  Sized(32);
  Ed.SetInsertMode(true);
  Ed.SetSelStart(4);
  ShiftKeys({hkRight});
  EXPECT_EQ(Selection(), (std::vector<int>{4, 4}));
  Ed.KeyDown(hkLeft, hsShift);  // back at the origin gap: nothing selected
  EXPECT_TRUE(Selection().empty());
  EXPECT_TRUE(Ed.Selection().Selecting);
  Ed.KeyDown(hkLeft, hsShift);
  EXPECT_EQ(Selection(), (std::vector<int>{3, 3}));
  EXPECT_EQ(Ed.SelectionAnchor(), 3);
  Ed.KeyDown(hkEnd, hsShift | hsCtrl);  // to the append position
  EXPECT_EQ(Selection(), (std::vector<int>{4, 31}));
  ReleaseShift();
  // In insert mode a plain key keeps it; a caret move drops it.
  Key(hkF1);
  EXPECT_EQ(Selection(), (std::vector<int>{4, 31}));
  Key(hkHome);
  EXPECT_TRUE(Selection().empty());
}

TEST_F(KeysTest, SelectionOperations) {
  Sized(64);
  Ed.SetSelStart(2);
  Ed.SetSelEnd(5);
  EXPECT_EQ(Selection(), (std::vector<int>{2, 5}));
  EXPECT_EQ(Ed.SelStart(), 2);
  EXPECT_EQ(Ed.SelEnd(), 5);
  EXPECT_EQ(Ed.SelCount(), 4);
  EXPECT_EQ(Ed.Caret().Position, 2);  // SelEnd leaves the caret
  EXPECT_EQ(Error([&] { Ed.SetSelStart(64); }), "Invalid selection start");
  EXPECT_EQ(Error([&] { Ed.SetSelStart(-1); }), "Invalid selection start");
  EXPECT_EQ(Error([&] { Ed.SetSelEnd(64); }), "Invalid selection end");
  EXPECT_EQ(Error([&] { Ed.SetSelEnd(-2); }), "Invalid selection end");
  EXPECT_EQ(Selection(), (std::vector<int>{2, 5}));
  Ed.SetSelEnd(-1);
  EXPECT_TRUE(Selection().empty());
  EXPECT_EQ(Ed.Caret().Position, 2);
  // Backwards: the anchor is the high end.
  Ed.SetSelStart(9);
  Ed.SetSelEnd(3);
  EXPECT_EQ(Ed.SelStart(), 9);
  EXPECT_EQ(Ed.SelEnd(), 3);
  Ed.Layout().SetBytesPerUnit(4);
  Ed.SelectRange(5, 9);
  EXPECT_EQ(Selection(), (std::vector<int>{4, 11}));
  Ed.SelectRange(62, 1);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 63}));
  EXPECT_EQ(Ed.SelStart(), 63);

  EXPECT_EQ(Ed.Seek(10, 0), 10);
  EXPECT_EQ(Ed.Seek(-3, 1), 7);
  EXPECT_EQ(Ed.Seek(0, 2), 63);
  EXPECT_EQ(Ed.Seek(100, 2), 63);
  EXPECT_EQ(Ed.Seek(-100, 0), 0);
  EXPECT_EQ(Ed.Seek(5, 9), 0);
  Ed.ResetData();
  EXPECT_EQ(Ed.Seek(0, 0), -1);
}

TEST_F(KeysTest, ManySelectionChangesPostOneNotice) {
  Sized(64);
  int delivered = 0;
  Ed.DeliverSelectionNotice();
  Ed.OnSelectionChanged = [&] { ++delivered; };
  Posted = 0;
  ShiftKeys({hkRight, hkRight, hkDown, hkEnd});
  ReleaseShift();
  Key(hkHome);
  EXPECT_EQ(Posted, 1);
  Ed.DeliverSelectionNotice();
  EXPECT_EQ(delivered, 1);
  Ed.ClearSelection(true);  // alone, no notice
  EXPECT_EQ(Ed.PendingSelectionNotices(), 0);
}

TEST_F(KeysTest, BackspaceAndDelete) {
  Sized(10);
  Ed.SetSelStart(5);
  Key(hkBack);  // overwrite mode: as Left
  EXPECT_EQ(Ed.Caret(), (THexCaret{4, false, true}));
  EXPECT_EQ(Ed.DataSize(), 10);
  Key(hkBack, hsCtrl);  // nothing at all
  EXPECT_EQ(Ed.Caret(), (THexCaret{4, false, true}));
  Key(hkDelete);  // overwrite mode needs Ctrl
  EXPECT_EQ(Ed.DataSize(), 10);
  Key(hkDelete, hsCtrl | hsShift);
  EXPECT_EQ(Ed.DataSize(), 10);
  Key(hkDelete, hsCtrl);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 3, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Ed.Caret().Position, 4);

  Ed.SetInsertMode(true);
  Key(hkBack);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Ed.Caret().Position, 3);
  Key(hkDelete);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 6, 7, 8, 9}));
  Ed.SetSelStart(1);
  Ed.SetSelEnd(4);
  Key(hkBack);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 8, 9}));
  EXPECT_EQ(Ed.Caret().Position, 1);
  EXPECT_TRUE(Selection().empty());
  Ed.SetSelStart(0);
  Key(hkBack);  // nothing before the first byte
  EXPECT_EQ(Ed.DataSize(), 3);

  // From the append position with units of 2: the odd tail byte alone,
  // then whole units, the caret staying at the append position.
  Ed.Layout().SetBytesPerUnit(2);
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Ed.Caret().Position, 3);
  Key(hkBack);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 8}));
  EXPECT_EQ(Ed.Caret().Position, 2);
  Key(hkBack);
  EXPECT_EQ(Ed.DataSize(), 0);
  EXPECT_EQ(Cell(), (TGridCoord{2, 2}));
}

// Nothing lies under a caret at the append position: Delete keeps the
// data (the last byte is the one before the caret, Backspace's to take).
TEST_F(KeysTest, DeleteAtTheAppendPositionKeepsTheData) {
  Sized(5);
  Ed.SetInsertMode(true);
  for (int unit : {1, 2}) {
    Ed.Layout().SetBytesPerUnit(unit);
    Key(hkEnd, hsCtrl);
    ASSERT_EQ(Ed.Caret().Position, 5);
    Key(hkDelete);
    Key(hkDelete, hsCtrl);
    EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Ed.Caret().Position, 5);
    EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  }
}

TEST_F(KeysTest, RefusedDeleteKeepsDataAndLosesTheKey) {
  Sized(10);
  Ed.SetNoSizeChange(true);
  Ed.SetSelStart(3);
  Ed.SetSelEnd(5);
  EXPECT_EQ(Error([&] { Ed.KeyDown(hkDelete, hsCtrl); }), "Cannot update undo storage");
  EXPECT_EQ(Ed.DataSize(), 10);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  EXPECT_EQ(Ed.Caret().Position, 3);
  EXPECT_EQ(Selection(), (std::vector<int>{3, 5}));
  // A plain Delete first drops the selection (overwrite mode), then does
  // nothing.
  Key(hkDelete);
  EXPECT_TRUE(Selection().empty());
  EXPECT_EQ(Ed.DataSize(), 10);
}

TEST_F(KeysTest, ReadOnlyViewKeepsNavigationOnly) {
  Sized(32);
  Ed.SetInsertMode(true);
  Ed.SetReadOnlyView(true);
  EXPECT_FALSE(Ed.InsertMode());
  Ed.SetSelStart(8);
  for (int k : {hkDelete, hkBack, hkInsert}) Key(k);
  Key(hkDelete, hsCtrl);
  Type("ab");
  EXPECT_EQ(Bytes(), [] {
    std::vector<uint8_t> v(32);
    std::iota(v.begin(), v.end(), uint8_t{0});
    return v;
  }());
  EXPECT_EQ(Ed.Caret(), (THexCaret{7, false, true}));  // Backspace went left
  ShiftKeys({hkRight, hkRight, hkRight});
  ReleaseShift();
  EXPECT_EQ(Selection(), (std::vector<int>{7, 10}));
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Ed.Caret().Position, 31);
  Ed.SetReadOnlyView(false);
  EXPECT_TRUE(Ed.InsertMode());
}

TEST_F(KeysTest, ReadOnlyViewKeepsTheAppendRow) {
  // A card command sizes the image while the view is read-only; insert
  // mode comes back with its append row afterwards.
  Sized(16);
  Ed.SetInsertMode(true);
  Ed.MoveToCell(2, 3);
  Ed.SetReadOnlyView(true);
  EXPECT_EQ(Ed.Layout().RowCount(), 3);
  EXPECT_EQ(Ed.Caret().Position, 15);  // back on the data
  Ed.ResetData();
  Ed.SetDataSize(32);
  Ed.SetReadOnlyView(false);
  EXPECT_EQ(Ed.Layout().RowCount(), 5);
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Cell(), (TGridCoord{2, 4}));
  EXPECT_EQ(Ed.Caret().Position, 32);
}

TEST_F(KeysTest, InsertKeyFollowsTheRules) {
  Sized(8);
  Key(hkInsert);
  EXPECT_TRUE(Ed.InsertMode());
  Key(hkInsert);
  EXPECT_FALSE(Ed.InsertMode());
  Ed.SetAllowInsertMode(false);
  Key(hkInsert);
  EXPECT_FALSE(Ed.InsertMode());
  Ed.SetAllowInsertMode(true);
  Ed.SetNoSizeChange(true);
  Key(hkInsert);
  EXPECT_FALSE(Ed.InsertMode());
}

TEST_F(KeysTest, BookmarksByKey) {
  Sized(64);
  int changes = 0;
  Ed.Document().OnBookmarkChanged = [&] { ++changes; };
  Ed.SetSelStart(20);
  Key(hk0 + 3, hsCtrl | hsShift);
  EXPECT_EQ(Ed.Document().Bookmark(3), (THexBookmark{20, false}));
  Key(hk0 + 3, hsCtrl | hsShift);
  EXPECT_EQ(Ed.Document().Bookmark(3).Position, -1);
  Key(hk0 + 3, hsCtrl | hsShift);
  Key(hkTab);
  Key(hk0 + 3, hsCtrl | hsShift);  // same byte, other field: moved, not cleared
  EXPECT_EQ(Ed.Document().Bookmark(3), (THexBookmark{20, true}));
  Ed.SetSelStart(40);
  Key(hk0 + 3, hsCtrl | hsShift);
  EXPECT_EQ(Ed.Document().Bookmark(3), (THexBookmark{40, true}));
  EXPECT_EQ(changes, 5);

  Key(hkHome, hsCtrl);
  Ed.SelectRange(1, 5);
  Key(hk0 + 3, hsCtrl);
  EXPECT_EQ(Ed.Caret(), (THexCaret{40, true, false}));
  EXPECT_TRUE(Selection().empty());
  Key(hk0 + 7, hsCtrl);  // unset: nothing
  EXPECT_EQ(Ed.Caret().Position, 40);

  // Removing bytes before it moves it; a slot past the data is dropped
  // when gone to.
  Ed.SetSelStart(0);
  Ed.SetSelEnd(9);
  Ed.DeleteSelection();
  EXPECT_EQ(Ed.Document().Bookmark(3).Position, 30);
  Ed.ToggleBookmark(5, 52, false);
  Ed.SetDataSize(50);
  EXPECT_EQ(Ed.Document().Bookmark(5).Position, -1);
  Ed.ToggleBookmark(6, 50, false);  // the append place, valid in insert mode only
  EXPECT_FALSE(Ed.GotoBookmark(6));
  EXPECT_EQ(Ed.Document().Bookmark(6).Position, -1);
  EXPECT_EQ(Error([&] { Ed.ToggleBookmark(10, 0, false); }), "Invalid bookmark index");
  EXPECT_EQ(Error([&] { Ed.GotoBookmark(-1); }), "Invalid bookmark index");
}

TEST_F(KeysTest, HostKeyHookRunsFirst) {
  Sized(64);
  std::vector<int> seen;
  Ed.OnKeyDown = [&](int& key, THexShiftState shift) {
    seen.push_back(key);
    if (key == hkDown) key = hkRight;
    if (key == hkDelete && shift == hsCtrl) key = hkNone;
  };
  Key(hkDown);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, true}));
  Key(hkDelete, hsCtrl);
  EXPECT_EQ(Ed.DataSize(), 64);
  EXPECT_EQ(seen, (std::vector<int>{hkDown, hkDelete}));
  // Typing runs the Right key through the hook too.
  Ed.OnKeyPress = [](char32_t& c) {
    if (c == U'x') c = U'1';
  };
  Type("x");
  EXPECT_EQ(Ed.PeekByte(0), 0x01);
  EXPECT_EQ(seen.back(), hkRight);
}

TEST_F(KeysTest, AnyKeyOnAnyEditorKeepsTheCaretValid) {
  // Every key code with every modifier set, on empty, one-byte and
  // row-filling data, in both modes and both fields.
  for (int size : {0, 1, 16, 33}) {
    for (bool insert : {false, true}) {
      for (int key = 0; key < 0x100; ++key) {
        for (THexShiftState s = 0; s <= hsKeys; ++s) {
          Sized(size);
          Ed.SetInsertMode(insert);
          Ed.Layout().SetBytesPerUnit(size % 2 == 0 ? 2 : 1);
          if (key % 2) Ed.MoveToCell(Ed.Layout().FirstCharColumn(), 2);
          try {
            Ed.KeyDown(key, s);
          } catch (const EHexEditor&) {
          }
          const int n = Ed.DataSize();
          const THexCaret c = Ed.Caret();
          ASSERT_GE(c.Position, 0);
          ASSERT_LE(c.Position, Ed.InsertMode() ? n : std::max(0, n - 1)) << key << " " << int(s);
          ASSERT_LT(Cell().Row, Ed.Layout().RowCount());
          if (Ed.HasSelection()) {
            ASSERT_LT(Ed.SelectionHigh(), n);
          }
        }
      }
    }
  }
}

}  // namespace
