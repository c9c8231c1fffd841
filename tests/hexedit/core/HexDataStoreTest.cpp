// The data store: sizing, filling, raw primitives, modes, notifications.

#include <gtest/gtest.h>

#include <numeric>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/JournalReader.h"

namespace {

struct DataStoreTest : ::testing::Test {
  THexEditorCore Ed;
  int Changes = 0;
  int Posts = 0;
  int SelectionNotices = 0;

  DataStoreTest() {
    Ed.OnChange = [this] { ++Changes; };
    Ed.PostSelectionNotice = [this] { ++Posts; };
    Ed.OnSelectionChanged = [this] { ++SelectionNotices; };
  }

  std::vector<uint8_t> Bytes() const {
    return {Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize()};
  }
  void Fill(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size, uint8_t{0});
  }
};

TEST_F(DataStoreTest, FreshEditorHoldsNothingUntilItsWindowIsCreated) {
  EXPECT_EQ(Ed.DataSize(), 0);
  EXPECT_EQ(Ed.Document().FileTitle(), "---");
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_FALSE(Ed.Document().DataInitialised());
  EXPECT_EQ(Ed.Document().FillByte(), 0);
  EXPECT_EQ(Ed.Document().MaxUndo, 1048576);
  EXPECT_TRUE(Ed.Document().Modes().AllowInsertMode);
  EXPECT_FALSE(Ed.InsertMode());
  Ed.WindowCreated();
  EXPECT_EQ(Ed.Document().FileTitle(), "Untitled");
  EXPECT_EQ(Changes, 1);
}

TEST_F(DataStoreTest, WindowCreationKeepsDataSizedBeforeIt) {
  // A page shown for the first time after its image was sized.
  Ed.Document().SetFillByte(0xFF);
  Ed.SetDataSize(16);
  Ed.WindowCreated();
  EXPECT_EQ(Ed.DataSize(), 16);
  EXPECT_EQ(Ed.Document().FileTitle(), "---");

  THexEditorCore reset;
  reset.ResetData("image.hex");
  reset.WindowCreated();
  EXPECT_EQ(reset.Document().FileTitle(), "image.hex");
}

TEST_F(DataStoreTest, LoadingAnImageTheMainWindowWay) {
  Ed.Document().SetFillByte(0xFF);
  Ed.ResetData();
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Ed.Document().FileTitle(), "Untitled");
  Ed.SetDataSize(8192);
  EXPECT_EQ(Changes, 1) << "SetDataSize fires no OnChange";
  EXPECT_EQ(Bytes(), std::vector<uint8_t>(8192, 0xFF));
  EXPECT_TRUE(Ed.Document().Modified());
  EXPECT_EQ(Ed.Document().ChangeMarksSize(), 0);
  auto entries = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Kind, ukAppendBuffer);
  EXPECT_EQ(entries[0].Length, 35u);
  EXPECT_EQ(entries[0].Position, 0);
  EXPECT_EQ(entries[0].Count, 8192);

  Ed.Document().PokeByte(3, 0x12);
  Ed.Document().DataPointer()[4] = 0x34;
  EXPECT_EQ(Ed.PeekByte(3), 0x12);
  EXPECT_EQ(Ed.PeekByte(4), 0x34);
  EXPECT_FALSE(Ed.Document().ByteChanged(3));
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 1);
  EXPECT_EQ(Changes, 1);
}

TEST_F(DataStoreTest, SameSizeDoesNothing) {
  Fill(10);
  Ed.Document().SetModified(false);
  const int64_t journal = Ed.Document().UndoStorage().Size();
  Ed.SetDataSize(10);
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), journal);
}

TEST_F(DataStoreTest, CutKeepsTheCutBytesAndGrowthFillsAnew) {
  Ed.Document().SetFillByte(0xFF);
  Ed.ResetData();
  Ed.SetDataSize(8192);
  for (int i = 4096; i < 8192; ++i) Ed.Document().PokeByte(i, static_cast<uint8_t>(i * 7));
  std::vector<uint8_t> cut(Ed.Document().DataPointer() + 4096, Ed.Document().DataPointer() + 8192);
  Ed.SetDataSize(4096);
  auto entries = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].Kind, ukRemoveData);
  EXPECT_EQ(entries[1].Length, 4130u);
  EXPECT_EQ(entries[1].Flags & UndoEntry::ufModified, UndoEntry::ufModified);
  EXPECT_EQ(entries[1].Position, 4096);
  EXPECT_EQ(entries[1].Saved, cut);

  Ed.Document().SetFillByte(0x5A);
  Ed.SetDataSize(4100);
  EXPECT_EQ(Ed.PeekByte(4096), 0x5A);
  EXPECT_EQ(Ed.PeekByte(4099), 0x5A);
}

TEST_F(DataStoreTest, FixedSizeAllowsOnlyFillingAndEmptying) {
  Ed.ResetData();
  Ed.SetNoSizeChange(true);
  Ed.SetDataSize(8);
  EXPECT_EQ(Ed.DataSize(), 8);
  Ed.Document().PokeByte(0, 0xAA);
  Ed.SetSelStart(5);
  Ed.Document().SetModified(false);
  const auto journal = ReadJournal(Ed.Document().UndoStorage());
  for (int bad : {4, 9}) {
    try {
      Ed.SetDataSize(bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const EHexEditor& e) {
      EXPECT_STREQ(e.what(), "Cannot change fixed filesize");
    }
    EXPECT_EQ(Ed.DataSize(), 8);
    EXPECT_EQ(Ed.PeekByte(0), 0xAA);
    EXPECT_EQ(Ed.Caret().Position, 5);
    EXPECT_FALSE(Ed.Document().Modified());
    EXPECT_EQ(ReadJournal(Ed.Document().UndoStorage()), journal);
  }
  Ed.SetDataSize(0);
  EXPECT_EQ(Ed.DataSize(), 0);
}

TEST_F(DataStoreTest, BadSizesAndFailedGrowthChangeNothing) {
  Fill(10);
  Ed.Document().SetModified(false);
  const auto journal = ReadJournal(Ed.Document().UndoStorage());
  try {
    Ed.SetDataSize(-1);
    ADD_FAILURE();
  } catch (const EHexEditor& e) {
    EXPECT_STREQ(e.what(), "Invalid data size -1");
  }
  Ed.Document().SetMaxDataSize(1000);
  EXPECT_THROW(Ed.SetDataSize(1001), EHexStreamError);
  EXPECT_EQ(Ed.DataSize(), 10);
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_EQ(ReadJournal(Ed.Document().UndoStorage()), journal);
  Ed.SetDataSize(1000);
  EXPECT_EQ(Ed.DataSize(), 1000);
}

TEST_F(DataStoreTest, CaretLandsOnTheNewEndAfterACut) {
  Fill(10);
  Ed.SetSelStart(9);
  Ed.SetDataSize(9);
  EXPECT_EQ(Ed.Caret(), (THexCaret{8, false, false}));

  // In insert mode the append position is a place of its own.
  Ed.SetInsertMode(true);
  Ed.SetSelStart(8);
  Ed.SetDataSize(5);
  EXPECT_EQ(Ed.Caret().Position, 5);

  Ed.SetInsertMode(false);
  Ed.MoveCaret(THexCaret{3, true, false});
  Ed.SetDataSize(0);
  EXPECT_EQ(Ed.Caret(), THexCaret{}) << "first hex cell";
}

TEST_F(DataStoreTest, CutDropsASelectionReachingPastTheNewEnd) {
  Fill(10);
  Ed.SetSelStart(1);
  Ed.SetSelEnd(8);
  Ed.SetDataSize(6);
  EXPECT_FALSE(Ed.HasSelection());
  EXPECT_EQ(Ed.Caret().Position, 1);

  Ed.SetSelStart(1);
  Ed.SetSelEnd(3);
  Ed.SetDataSize(5);
  EXPECT_EQ(Ed.SelCount(), 3) << "a selection inside the data stays";
}

TEST_F(DataStoreTest, InsertModeFollowsItsConditions) {
  Fill(16);
  Ed.SetReadOnlyView(true);
  Ed.SetInsertMode(true);
  EXPECT_FALSE(Ed.Document().Modes().InsertFlag) << "refused while it cannot take effect";
  Ed.SetReadOnlyView(false);
  Ed.SetInsertMode(true);
  EXPECT_TRUE(Ed.InsertMode());

  // Read-only view hides insert mode without forgetting it.
  Ed.SetReadOnlyView(true);
  EXPECT_FALSE(Ed.InsertMode());
  EXPECT_FALSE(Ed.Document().CanInsert());
  Ed.SetReadOnlyView(false);
  EXPECT_TRUE(Ed.InsertMode());

  // Leaving insert mode pulls the caret off the append position.
  Ed.MoveCaret(THexCaret{16, false, false});
  EXPECT_EQ(Ed.Caret().Position, 16);
  Ed.SetInsertMode(false);
  EXPECT_EQ(Ed.Caret().Position, 15);

  Ed.SetInsertMode(true);
  Ed.SetNoSizeChange(true);
  EXPECT_FALSE(Ed.Document().Modes().InsertFlag);
  Ed.SetNoSizeChange(false);
  Ed.SetInsertMode(true);
  Ed.SetAllowInsertMode(false);
  EXPECT_FALSE(Ed.Document().Modes().InsertFlag);
  Ed.SetInsertMode(true);
  EXPECT_FALSE(Ed.InsertMode());
}

TEST_F(DataStoreTest, RawPrimitives) {
  Fill(6);  // 00 01 02 03 04 05
  const uint8_t ab[] = {0xA, 0xB};
  Ed.InsertRaw(ab, 2, 1);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 0xA, 0xB, 1, 2, 3, 4, 5}));
  Ed.InsertRaw(ab, 2, 8);
  Ed.AppendRaw(ab, 1);
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 0xA, 0xB, 1, 2, 3, 4, 5, 0xA, 0xB, 0xA}));

  Ed.MoveCaret(THexCaret{6, true, false});
  Ed.DeleteRaw(1, 3, THexCaret{1, true, false});
  EXPECT_EQ(Bytes(), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 0xA, 0xB, 0xA}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, true, false}));
  // A caret cell beyond the new end lands on the last byte, in its field.
  Ed.DeleteRaw(7, 9, THexCaret{8, true, false});
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
  // Nothing left: the first cell of the field.
  Ed.DeleteRaw(0, 7, THexCaret{3, true, false});
  EXPECT_EQ(Ed.DataSize(), 0);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, true, false}));
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 1) << "raw primitives record nothing";
}

TEST_F(DataStoreTest, ResetEmptiesEverything) {
  Fill(32);
  Ed.SetSelStart(3);
  Ed.SetSelEnd(9);
  Ed.ToggleBookmark(2, 20, false);
  Ed.RecordChange(ukChangeBytes, 4, 1, 0);
  Ed.ResetData("flash.hex");
  EXPECT_EQ(Ed.DataSize(), 0);
  EXPECT_EQ(Ed.Document().FileTitle(), "flash.hex");
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 0);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  EXPECT_FALSE(Ed.HasSelection());
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_EQ(Ed.Document().ChangeMarksSize(), 0);
  EXPECT_EQ(Ed.Caret(), THexCaret{});
  EXPECT_EQ(Ed.Document().Bookmark(2).Position, -1);
  EXPECT_THROW(Ed.Document().CheckSaveAllowed(), EFileOpenError);
}

TEST_F(DataStoreTest, SelectionNoticesCoalescePerLoopTurn) {
  Fill(64);
  Ed.DeliverSelectionNotice();
  Posts = SelectionNotices = 0;
  Ed.SetSelStart(3);
  Ed.SetSelEnd(9);
  Ed.NotifyChange();
  EXPECT_EQ(Posts, 1);
  EXPECT_EQ(SelectionNotices, 0) << "nothing before the posted call returns";
  Ed.DeliverSelectionNotice();
  EXPECT_EQ(SelectionNotices, 1);
  Ed.DeliverSelectionNotice();
  EXPECT_EQ(SelectionNotices, 1) << "a stray second call fires nothing";

  // A handler that raises still leaves the count cleared.
  Ed.OnSelectionChanged = [this] {
    ++SelectionNotices;
    throw std::runtime_error("handler");
  };
  Ed.NotifySelectionChange();
  EXPECT_THROW(Ed.DeliverSelectionNotice(), std::runtime_error);
  EXPECT_EQ(Ed.PendingSelectionNotices(), 0);
  Ed.NotifySelectionChange();
  EXPECT_EQ(Posts, 3);

  // A change made by the handler gets a notice of its own.
  Ed.OnSelectionChanged = [this] {
    if (++SelectionNotices == 3) Ed.SetSelStart(1);
  };
  Ed.DeliverSelectionNotice();
  EXPECT_EQ(Posts, 4);
  Ed.DeliverSelectionNotice();
  EXPECT_EQ(SelectionNotices, 4);
}

TEST(HexMemoryStream, SizeMoveAndFailedGrowth) {
  THexMemoryStream s;
  s.SetSize(8);
  for (int i = 0; i < 8; ++i) *s.PointerAt(i) = static_cast<uint8_t>(i);
  s.MoveBytes(0, 2, 6);  // overlapping, upwards
  EXPECT_EQ(std::vector<uint8_t>(s.Memory(), s.Memory() + 8),
            (std::vector<uint8_t>{0, 1, 0, 1, 2, 3, 4, 5}));
  s.MoveBytes(2, 0, 6);  // overlapping, downwards
  EXPECT_EQ(std::vector<uint8_t>(s.Memory(), s.Memory() + 8),
            (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 4, 5}));
  s.SetSize(4);
  s.SetSize(6);
  EXPECT_EQ(*s.PointerAt(3), 3);
  s.MaxSize = 100;
  const uint8_t* before = s.Memory();
  EXPECT_THROW(s.SetSize(101), EHexStreamError);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Memory(), before);
}

}  // namespace
