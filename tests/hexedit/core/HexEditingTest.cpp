// Buffer editing operations: data, change marks, journal, caret,
// selection and bookmarks after each kind of edit.

#include <gtest/gtest.h>

#include <numeric>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/JournalReader.h"

using namespace UndoEntry;
using Bytes = std::vector<uint8_t>;

namespace {

struct EditingTest : ::testing::Test {
  THexEditorCore Ed;
  int Changes = 0;

  EditingTest() {
    Ed.OnChange = [this] { ++Changes; };
  }

  void Fill(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size, uint8_t{0});
    Ed.Document().ClearUndo();
    Ed.Document().SetModified(false);
    Changes = 0;
  }
  Bytes Data() const {
    return {Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize()};
  }
  TJournalEntry LastEntry() {
    auto entries = ReadJournal(Ed.Document().UndoStorage());
    return entries.empty() ? TJournalEntry{} : entries.back();
  }
  std::string Error(const std::function<void()>& edit) {
    try {
      edit();
    } catch (const EHexEditor& e) {
      return e.what();
    }
    return "done";
  }
};

TEST_F(EditingTest, ChangeByteRecordsMarksAndNotifies) {
  Fill(8);
  Ed.ChangeByte(3, 3, 3);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0) << "same value: no edit";
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_EQ(Changes, 0);

  Ed.ChangeByte(3, 0x7E, 3);
  TJournalEntry e = LastEntry();
  EXPECT_EQ(e.Length, 35u);
  EXPECT_EQ(e.Flags, 0x1u);
  EXPECT_EQ(e.Saved, Bytes{3});
  EXPECT_EQ(Ed.PeekByte(3), 0x7E);
  EXPECT_TRUE(Ed.Document().ByteChanged(3));
  EXPECT_FALSE(Ed.Document().ByteChanged(2));
  EXPECT_TRUE(Ed.Document().Modified());
  EXPECT_EQ(Changes, 1);

  // The second change of a marked byte says so, and that data was modified.
  Ed.ChangeByte(0x7E, 0x7F, 3, "again");
  e = LastEntry();
  EXPECT_EQ(e.Flags, 0x1u | ufFirstByteChanged | ufModified | ufDescription);
  EXPECT_EQ(e.Description, "again");

  // Insert mode shows no marks and sets none.
  Ed.SetInsertMode(true);
  EXPECT_EQ(Ed.Document().ChangeMarksSize(), 0) << "switching drops the marks";
  Ed.ChangeByte(5, 6, 5);
  Ed.SetInsertMode(false);
  EXPECT_FALSE(Ed.Document().ByteChanged(5));

  Ed.ResetData();
  EXPECT_EQ(Error([&] { Ed.ChangeByte(0, 1, 0); }), "Cannot update undo storage");
  EXPECT_EQ(Error([&] { Ed.ChangeWord(0, 1, 0); }), "Cannot update undo storage");
}

TEST_F(EditingTest, ChangeWordMarksEachByteByWhetherItChanged) {
  Fill(8);
  Ed.ChangeByte(3, 0x33, 3);
  // The word at 2 is 0x3302 (bytes 02 33); only its low byte changes.
  Ed.ChangeWord(0x3302, 0x3341, 2);
  EXPECT_EQ(Data(), (Bytes{0, 1, 0x41, 0x33, 4, 5, 6, 7}));
  EXPECT_TRUE(Ed.Document().ByteChanged(2));
  EXPECT_FALSE(Ed.Document().ByteChanged(3)) << "an unchanged byte loses its mark";
  TJournalEntry e = LastEntry();
  EXPECT_EQ(e.Count, 2);
  EXPECT_EQ(e.Saved, (Bytes{2, 0x33}));
  EXPECT_EQ(e.Flags & (ufFirstByteChanged | ufSecondByteChanged), ufSecondByteChanged);

  Ed.ChangeWord(0x0504, 0x9904, 4);
  EXPECT_FALSE(Ed.Document().ByteChanged(4));
  EXPECT_TRUE(Ed.Document().ByteChanged(5));
}

TEST_F(EditingTest, BackspaceInInsertModeTakesThePartialUnitFirst) {
  for (int size : {5, 6}) {
    Fill(size);
    Ed.Layout().SetBytesPerUnit(2);
    Ed.SetInsertMode(true);
    Ed.MoveCaret(THexCaret{size, false, false});
    Ed.DeleteUnit(true);
    EXPECT_EQ(Ed.DataSize(), 4) << size;
    EXPECT_EQ(LastEntry().Count, size == 5 ? 1 : 2);
    EXPECT_EQ(Ed.Caret().Position, 4) << "the new append place";
  }
  // Mid-data, the unit before the caret's unit goes; the caret moves to it.
  Fill(8);
  Ed.Layout().SetBytesPerUnit(2);
  Ed.SetInsertMode(true);
  Ed.MoveCaret(THexCaret{5, true, false});
  Ed.DeleteUnit(true);
  EXPECT_EQ(Data(), (Bytes{0, 1, 4, 5, 6, 7}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, true, false}));
  // At the start nothing goes.
  Ed.MoveCaret(THexCaret{1, false, false});
  Ed.DeleteUnit(true);
  EXPECT_EQ(Ed.DataSize(), 6);
}

TEST_F(EditingTest, DeleteForwardShortensTheLastUnit) {
  Fill(5);
  Ed.Layout().SetBytesPerUnit(4);
  Ed.MoveCaret(THexCaret{4, false, true});
  Ed.DeleteUnit(false);
  EXPECT_EQ(Data(), (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(Ed.Caret().Position, 3);
  Ed.MoveCaret(THexCaret{2, false, false});
  Ed.DeleteUnit(false);  // the unit holding the caret: bytes 0..3
  EXPECT_EQ(Ed.DataSize(), 0);
  Ed.DeleteUnit(false);  // nothing left: nothing happens
  Ed.DeleteUnit(true);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 2);
}

TEST_F(EditingTest, DeleteSelectionOrTheCaretByte) {
  Fill(10);
  Ed.ChangeByte(1, 0x11, 1);
  Ed.ChangeByte(8, 0x88, 8);
  Ed.MoveCaret(THexCaret{6, true, false});
  Ed.SetSelEnd(3);  // 3..6, caret in the character field
  Ed.DeleteSelection();
  EXPECT_EQ(Data(), (Bytes{0, 0x11, 2, 7, 0x88, 9}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{3, true, false}));
  EXPECT_FALSE(Ed.HasSelection());
  EXPECT_TRUE(Ed.Document().ByteChanged(1));
  EXPECT_FALSE(Ed.Document().ByteChanged(4)) << "marks behind the cut are dropped";
  TJournalEntry e = LastEntry();
  EXPECT_EQ(e.Kind, ukRemoveData);
  EXPECT_EQ(e.Saved, (Bytes{3, 4, 5, 6}));
  EXPECT_EQ(e.Selection, (std::array<int, 3>{3, 6, 6}));

  Ed.MoveCaret(THexCaret{5, false, false});
  Ed.DeleteSelection();
  EXPECT_EQ(Data(), (Bytes{0, 0x11, 2, 7, 0x88}));
  EXPECT_EQ(Ed.Caret().Position, 4) << "on the new last byte";
}

TEST_F(EditingTest, InsertSelectsTheNewBytes) {
  Fill(6);
  const uint8_t abc[] = {0xA, 0xB, 0xC};
  Ed.ChangeByte(4, 0x44, 4);
  Ed.MoveCaret(THexCaret{2, false, true});
  Ed.InsertBuffer(abc, 3, 2);
  EXPECT_EQ(Data(), (Bytes{0, 1, 0xA, 0xB, 0xC, 2, 3, 0x44, 5}));
  EXPECT_EQ(Ed.SelectionAnchor(), 2);
  EXPECT_EQ(Ed.SelectionLow(), 2);
  EXPECT_EQ(Ed.SelectionHigh(), 4);
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, false, true})) << "the caret stays";
  EXPECT_EQ(Ed.Document().ChangeMarksSize(), 2);
  TJournalEntry e = LastEntry();
  EXPECT_EQ(e.Kind, ukInsertBuffer);
  EXPECT_EQ(e.Saved, Bytes{0});

  Ed.InsertBuffer(abc, 2, 9, {}, true);  // at the end, caret along
  EXPECT_EQ(Ed.Caret().Position, 10);
  EXPECT_EQ(Ed.SelectionLow(), 9);
  EXPECT_EQ(Ed.SelectionHigh(), 10);

  // A disabled control inserts without selecting.
  Ed.ControlEnabled = false;
  Ed.ClearSelection(false);
  Ed.InsertBuffer(abc, 1, 0);
  EXPECT_FALSE(Ed.HasSelection());
  EXPECT_EQ(Ed.DataSize(), 12);
}

TEST_F(EditingTest, AppendSelectsAndMayMoveTheCaret) {
  Fill(4);
  const uint8_t ab[] = {0xA, 0xB};
  Ed.AppendBuffer(ab, 2, {}, true);
  EXPECT_EQ(Data(), (Bytes{0, 1, 2, 3, 0xA, 0xB}));
  EXPECT_EQ(Ed.Caret().Position, 4);
  EXPECT_EQ(Ed.SelectionLow(), 4);
  EXPECT_EQ(Ed.SelectionHigh(), 5);
  EXPECT_EQ(LastEntry().Kind, ukAppendBuffer);
  EXPECT_EQ(LastEntry().Position, 4);
  Ed.AppendBuffer(ab, 0);
  Ed.AppendBuffer(nullptr, 2);
  EXPECT_EQ(Ed.DataSize(), 6);

  // Into an empty editor, as typing in insert mode does.
  Ed.ResetData();
  Ed.SetInsertMode(true);
  Ed.AppendBuffer(ab, 1);
  EXPECT_EQ(Data(), Bytes{0xA});
}

TEST_F(EditingTest, ReplaceSelection) {
  Fill(8);
  const uint8_t buf[] = {0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
  Ed.MoveCaret(THexCaret{2, true, false});
  Ed.SetSelEnd(4);
  Ed.ReplaceSelection(buf, 5, {}, true);
  EXPECT_EQ(Data(), (Bytes{0, 1, 0xA, 0xB, 0xC, 0xD, 0xE, 5, 6, 7}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
  EXPECT_EQ(Ed.SelectionAnchor(), 6);
  EXPECT_EQ(Ed.SelectionLow(), 2);
  EXPECT_EQ(Ed.SelectionHigh(), 6);
  TJournalEntry e = LastEntry();
  EXPECT_EQ(e.Kind, ukReplace);
  EXPECT_EQ(e.Count, 5);
  EXPECT_EQ(e.Count2, 3);
  EXPECT_EQ(e.Saved, (Bytes{2, 3, 4}));

  // Without a selection it inserts at the caret.
  Ed.ClearSelection(false);
  Ed.MoveCaret(THexCaret{1, false, false});
  Ed.ReplaceSelection(buf, 1);
  EXPECT_EQ(Ed.PeekByte(1), 0xA);
  EXPECT_EQ(LastEntry().Kind, ukInsertBuffer);
}

TEST_F(EditingTest, FixedSizeReplacementKeepsTheLength) {
  const uint8_t buf[] = {0xA, 0xB, 0xC, 0xD, 0xE, 0xF};
  for (int given : {2, 6}) {
    Fill(8);
    Ed.SetNoSizeChange(true);
    Ed.SetSelStart(2);
    Ed.SetSelEnd(5);
    Ed.ReplaceSelection(buf, given);
    EXPECT_EQ(Data(), given == 2 ? (Bytes{0, 1, 0xA, 0xB, 4, 5, 6, 7})
                                 : (Bytes{0, 1, 0xA, 0xB, 0xC, 0xD, 6, 7}));
    TJournalEntry e = LastEntry();
    EXPECT_EQ(e.Count, e.Count2);
  }
  // Units do not widen the shrunk selection again.
  Fill(8);
  Ed.SetNoSizeChange(true);
  Ed.Layout().SetBytesPerUnit(4);
  Ed.SetSelStart(0);
  Ed.SetSelEnd(7);
  Ed.ReplaceSelection(buf, 3);
  EXPECT_EQ(Data(), (Bytes{0xA, 0xB, 0xC, 3, 4, 5, 6, 7}));
}

TEST_F(EditingTest, RefusedEditsChangeNothing) {
  Fill(8);
  Ed.ChangeByte(2, 0x22, 2);
  Ed.ToggleBookmark(1, 6, false);
  Ed.SetNoSizeChange(true);
  Ed.SetSelStart(1);
  Ed.SetSelEnd(4);
  const Bytes data = Data();
  const auto journal = ReadJournal(Ed.Document().UndoStorage());
  const uint8_t ab[] = {0xA, 0xB};
  const std::function<void()> edits[] = {
      [&] { Ed.DeleteSelection(); },   [&] { Ed.DeleteUnit(true); },
      [&] { Ed.DeleteUnit(false); },   [&] { Ed.InsertBuffer(ab, 2, 0); },
      [&] { Ed.AppendBuffer(ab, 2); },
  };
  Changes = 0;
  for (const auto& edit : edits) {
    EXPECT_EQ(Error(edit), "Cannot update undo storage");
    EXPECT_EQ(Data(), data);
    EXPECT_EQ(ReadJournal(Ed.Document().UndoStorage()), journal);
    EXPECT_EQ(Ed.SelCount(), 4);
    EXPECT_TRUE(Ed.Document().ByteChanged(2));
    EXPECT_EQ(Ed.Document().Bookmark(1).Position, 6);
  }
  EXPECT_EQ(Changes, 0);

  // The caret at the append place has no byte to delete.
  Ed.SetNoSizeChange(false);
  Ed.SetInsertMode(true);
  Ed.MoveCaret(THexCaret{8, false, false});
  EXPECT_EQ(Error([&] { Ed.DeleteSelection(); }), "Cannot update undo storage");
  EXPECT_EQ(Data(), data);
}

TEST_F(EditingTest, EditsShiftBookmarks) {
  Fill(10);
  Ed.ToggleBookmark(0, 2, false);
  Ed.ToggleBookmark(1, 7, true);
  Ed.ToggleBookmark(2, 9, false);
  const uint8_t buf[4] = {};
  Ed.InsertBuffer(buf, 4, 9);  // the last byte moves on, and stays a bookmark
  EXPECT_EQ(Ed.Document().Bookmark(2).Position, 13);
  Ed.SetSelStart(3);
  Ed.SetSelEnd(5);
  Ed.DeleteSelection();  // 3 bytes before bookmark 1
  EXPECT_EQ(Ed.Document().Bookmark(0).Position, 2);
  EXPECT_EQ(Ed.Document().Bookmark(1).Position, 4);
  EXPECT_EQ(Ed.Document().Bookmark(2).Position, 10);
  Ed.SetSelStart(8);
  Ed.SetSelEnd(10);
  Ed.ReplaceSelection(buf, 1);  // the bookmarked last byte is replaced away
  EXPECT_EQ(Ed.Document().Bookmark(2).Position, -1);
  EXPECT_EQ(Ed.Document().Bookmark(1).Position, 4);
  Ed.SetSelStart(1);
  Ed.SetSelEnd(1);
  Ed.ReplaceSelection(buf, 3);
  EXPECT_EQ(Ed.Document().Bookmark(0).Position, 4);
  EXPECT_EQ(Ed.Document().Bookmark(1).Position, 6);
  EXPECT_TRUE(Ed.GotoBookmark(1));
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
}

TEST_F(EditingTest, BufferFromTheEditorsOwnData) {
  Fill(4);
  Ed.InsertBuffer(Ed.Document().DataPointer(), 4, 4);
  Ed.AppendBuffer(Ed.Document().DataPointer() + 2, 2);
  EXPECT_EQ(Data(), (Bytes{0, 1, 2, 3, 0, 1, 2, 3, 2, 3}));
}

}  // namespace
