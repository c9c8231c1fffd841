// The edit journal: entry layout, recording rules, trimming, bookmarks.

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/JournalReader.h"

using namespace UndoEntry;

namespace {

struct JournalTest : ::testing::Test {
  THexEditorCore Ed;

  void Fill(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size, uint8_t{0});
    Ed.Document().ClearUndo();
    Ed.Document().SetModified(false);
  }
  std::string Refusal(UndoKind kind, int pos, int count, int count2) {
    try {
      Ed.RecordChange(kind, pos, count, count2);
    } catch (const EHexEditor& e) {
      return e.what();
    }
    return "recorded";
  }
};

TEST_F(JournalTest, EntryLayoutToTheByte) {
  Fill(16);
  Ed.Layout().SetBytesPerUnit(2);
  Ed.SetInsertMode(true);
  Ed.SetSelStart(8);
  Ed.MoveCaret(THexCaret{8, false, true});
  Ed.SetSelEnd(9);  // selects 8..9, anchor 8; the caret stays
  Ed.Document().SetModified(true);
  Ed.RecordChange(ukReplace, 8, 3, 2, "Typed");

  const uint8_t* e = Ed.Document().UndoStorage().Memory();
  const uint32_t length = 34 + 2 + (5 + 4) + 12;
  ASSERT_EQ(Ed.Document().UndoStorage().Size(), length);
  EXPECT_EQ(Get32(e + 0), length);
  EXPECT_EQ(Get32(e + 4),
            0x8u | ufModified | ufCaretOnSecondDigit | ufSelection | ufInsertMode | ufDescription);
  EXPECT_EQ(Get32(e + 8), 8u);  // caret
  EXPECT_EQ(Get32(e + 12), 8u);
  EXPECT_EQ(Get32(e + 16), 3u);
  EXPECT_EQ(Get32(e + 20), 2u);
  EXPECT_EQ(e[24], tkAsIs);
  EXPECT_EQ(Get32(e + 25), 2u);
  EXPECT_EQ(e[29], 8);  // the replaced bytes
  EXPECT_EQ(e[30], 9);
  EXPECT_EQ(e[31], 0);  // reserved
  EXPECT_EQ(std::string(e + 32, e + 37), "Typed");
  EXPECT_EQ(Get32(e + 37), 5u);
  EXPECT_EQ(Get32(e + 41), 8u);  // low
  EXPECT_EQ(Get32(e + 45), 9u);  // high
  EXPECT_EQ(Get32(e + 49), 8u);  // anchor
  EXPECT_EQ(Get32(e + 53), length);
  EXPECT_EQ(Ed.Document().UndoStorage().Description(), "Typed");
}

TEST_F(JournalTest, CaretAndModeFlags) {
  Fill(4);
  Ed.MoveCaret(THexCaret{1, false, true});
  Ed.RecordChange(ukChangeBytes, 1, 1, 0);
  Ed.MoveCaret(THexCaret{2, true, false});
  Ed.RecordChange(ukAppendBuffer, 4, 1, 0);
  auto entries = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Flags, 0x1u | ufCaretOnSecondDigit);
  EXPECT_EQ(entries[0].Length, 35u);
  EXPECT_EQ(entries[0].Saved, std::vector<uint8_t>{1});
  EXPECT_EQ(entries[1].Flags, 0x10u | ufModified | ufCaretInCharField);
  EXPECT_EQ(entries[1].Saved, std::vector<uint8_t>{0});
  EXPECT_EQ(Ed.Document().UndoStorage().Description(), "Append Buffer");
}

TEST_F(JournalTest, TrimsToTheBudgetBeforeAdding) {
  Fill(8);
  Ed.Document().MaxUndo = 100;
  for (int i = 0; i < 3; ++i) Ed.RecordChange(ukChangeBytes, i, 1, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 105);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 3);
  Ed.RecordChange(ukChangeBytes, 3, 1, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 105);
  auto entries = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Position, 1) << "the oldest went";

  // One entry larger than the budget stays until the next one arrives.
  Ed.Document().MaxUndo = 30;
  Ed.RecordChange(ukRemoveData, 0, 8, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 1);
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 42);
  Ed.RecordChange(ukAppendBuffer, 8, 1, 0);
  auto last = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].Kind, ukAppendBuffer);

  // No budget, no trimming.
  Ed.Document().MaxUndo = 0;
  for (int i = 0; i < 10; ++i) Ed.RecordChange(ukChangeBytes, 0, 1, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 11);
}

TEST_F(JournalTest, RefusalsChangeNothing) {
  Ed.ResetData();
  for (UndoKind k : {ukChangeBytes, ukRemoveData, ukReplace})
    EXPECT_EQ(Refusal(k, 0, 1, 1), "Cannot update undo storage") << int(k);
  EXPECT_EQ(Refusal(ukInsertBuffer, 0, 1, 0), "recorded");

  Fill(8);
  Ed.SetNoSizeChange(true);
  for (UndoKind k : {ukRemoveData, ukInsertBuffer, ukAppendBuffer})
    EXPECT_EQ(Refusal(k, k == ukAppendBuffer ? 8 : 0, 1, 0), "Cannot update undo storage");
  EXPECT_EQ(Refusal(ukReplace, 0, 3, 4), "Cannot update undo storage");
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 0);
  EXPECT_FALSE(Ed.Document().Modified());
  EXPECT_EQ(Refusal(ukReplace, 0, 4, 4), "recorded");
  Ed.SetNoSizeChange(false);

  // An edit outside the data is refused before anything is read.
  const std::tuple<UndoKind, int, int, int> outside[] = {
      {ukChangeBytes, 8, 1, 0},  {ukChangeBytes, 7, 2, 0},  {ukRemoveData, -1, 1, 0},
      {ukRemoveData, 4, 0, 0},   {ukInsertBuffer, 9, 1, 0}, {ukReplace, 6, 1, 3},
      {ukAppendBuffer, 7, 1, 0}, {ukConvert, 0, 1, 0}};
  for (auto [k, pos, count, count2] : outside)
    EXPECT_EQ(Refusal(k, pos, count, count2), "Cannot update undo storage") << int(k) << " " << pos;
}

TEST_F(JournalTest, SuspendedRecordingStillMarksModified) {
  Fill(8);
  Ed.ToggleBookmark(0, 6, false);
  EXPECT_EQ(Ed.Document().BeginUndoUpdate(), 1);
  EXPECT_EQ(Ed.Document().BeginUndoUpdate(), 2);
  Ed.RecordChange(ukInsertBuffer, 7, 1, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  EXPECT_TRUE(Ed.Document().Modified());
  EXPECT_EQ(Ed.Document().Bookmark(0).Position, 6);
  EXPECT_EQ(Ed.Document().EndUndoUpdate(), 1);
  EXPECT_EQ(Ed.Document().EndUndoUpdate(), 0);
  EXPECT_EQ(Ed.Document().EndUndoUpdate(), 0);
  Ed.RecordChange(ukInsertBuffer, 0, 1, 0);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 1);
}

TEST_F(JournalTest, CorruptLeadingLengthEmptiesTheJournal) {
  Fill(8);
  for (uint32_t bad : {0u, 29u, 34u, 1000u}) {
    Ed.RecordChange(ukChangeBytes, 0, 1, 0);
    Ed.RecordChange(ukChangeBytes, 1, 1, 0);
    Put32(Ed.Document().UndoStorage().Memory(), bad);
    Ed.Document().UndoStorage().DropOldestUndoEntry();
    EXPECT_EQ(Ed.Document().UndoStorage().Size(), 0) << bad;
    EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  }
  Ed.RecordChange(ukChangeBytes, 0, 1, 0);
  Ed.Document().UndoStorage().SetSize(3);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  Ed.Document().UndoStorage().DropOldestUndoEntry();
  EXPECT_EQ(Ed.Document().UndoStorage().Size(), 0);
}

struct BookmarkShiftTest : JournalTest {
  int Notices = 0;
  void SetUp() override {
    Fill(10);
    Ed.Document().OnBookmarkChanged = [this] { ++Notices; };
    const int places[] = {0, 3, 5, 8, 9, 10};
    for (int i = 0; i < 6; ++i) Ed.ToggleBookmark(i, places[i], i == 2);
    Notices = 0;
  }
  void Remove(int pos, int count) {
    Ed.RecordChange(ukRemoveData, pos, count, 0);
    Ed.DeleteRaw(pos, pos + count, std::nullopt);
  }
  void Insert(int pos, int count) {
    Ed.RecordChange(ukInsertBuffer, pos, count, 0);
    std::vector<uint8_t> b(static_cast<size_t>(count));
    Ed.InsertRaw(b.data(), count, pos);
  }
  void Replace(int pos, int count, int count2) {
    Ed.RecordChange(ukReplace, pos, count, count2);
    Ed.DeleteRaw(pos, pos + count2, std::nullopt);
    std::vector<uint8_t> b(static_cast<size_t>(count));
    Ed.InsertRaw(b.data(), count, pos);
  }
  std::vector<int> Places() {
    std::vector<int> r;
    for (int i = 0; i < 6; ++i) r.push_back(Ed.Document().Bookmark(i).Position);
    return r;
  }
};

TEST_F(BookmarkShiftTest, InsertionMovesThoseAtOrAfterAndKeepsTheLast) {
  Insert(5, 4);
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 9, 12, 13, 14}));
  EXPECT_TRUE(Ed.Document().Bookmark(2).InCharField);
  EXPECT_EQ(Notices, 1);
}

TEST_F(BookmarkShiftTest, RemovalMovesBackAndDropsWhatLeavesTheData) {
  Remove(2, 3);  // bytes 2..4 go, 7 bytes stay
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 2, 5, 6, 7}));
  Remove(4, 3);  // the tail: 4 bytes stay; the append place moves along
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 2, -1, -1, 4}));
  EXPECT_EQ(Notices, 2);
}

TEST_F(BookmarkShiftTest, ReplacementMovesFromTheEndOfTheReplacedBytes) {
  // 2 bytes at 3..4 become 5 bytes: what followed byte 4 moves by 3.
  Replace(3, 5, 2);
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 8, 11, 12, 13}));
  Notices = 0;
  // 4 bytes at 6..9 become 1 byte; the size goes from 13 to 10.
  Replace(6, 1, 4);
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 8, 8, 9, 10}));
  EXPECT_EQ(Notices, 1);
  // A change that moves nothing says nothing.
  Ed.RecordChange(ukChangeBytes, 0, 1, 0);
  Replace(0, 1, 1);
  EXPECT_EQ(Notices, 1);
}

TEST_F(BookmarkShiftTest, SuspendedRecordingMovesThemAsWell) {
  Ed.Document().BeginUndoUpdate();
  Insert(5, 4);
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 9, 12, 13, 14}));
  Remove(12, 2);  // the tail: the bookmark on 13 goes, the append place moves along
  EXPECT_EQ(Places(), (std::vector<int>{0, 3, 9, 12, -1, 12}));
  EXPECT_EQ(Notices, 2);
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 0);
  Ed.Document().EndUndoUpdate();
}

// A random mix of recorded edits (each followed by its raw data change)
// and trims, read back after every step.
TEST_F(JournalTest, RandomEditsReadBackForwardAndBackward) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Fill(64);
  std::vector<TJournalEntry> done;
  for (int step = 0; step < 2000; ++step) {
    if (step % 500 == 0) Ed.Document().MaxUndo = pick(0, 3) * 400;
    const int size = Ed.DataSize();
    const auto kind = static_cast<UndoKind>(pick(0, 4));
    TJournalEntry want;
    want.Kind = kind;
    want.Caret = Ed.Caret().Position;
    want.BytesPerUnit = 1;
    const bool modified = Ed.Document().Modified();
    if (pick(0, 1) && size > 2) {
      Ed.SetSelStart(pick(0, size - 2));
      Ed.SetSelEnd(pick(0, size - 1));
      want.Caret = Ed.Caret().Position;
      want.Selection =
          std::array<int, 3>{Ed.SelectionLow(), Ed.SelectionHigh(), Ed.SelectionAnchor()};
    } else {
      Ed.ClearSelection(false);
    }
    if (pick(0, 3) == 0) want.Description = "step " + std::to_string(step);
    const std::string text = want.Description.value_or("");
    const int count = pick(1, 40);
    std::vector<uint8_t> buffer(static_cast<size_t>(count), static_cast<uint8_t>(step));
    switch (kind) {
      case ukChangeBytes:
      case ukRemoveData: {
        if (size == 0) continue;
        want.Count = std::min(count, size);
        want.Position = pick(0, size - want.Count);
        const uint8_t* at = Ed.Document().DataPointer() + want.Position;
        want.Saved.assign(at, at + want.Count);
        Ed.RecordChange(kind, want.Position, want.Count, 0, text);
        if (kind == ukChangeBytes)
          Ed.Document().CopyDataIn(buffer.data(), want.Position, want.Count);
        else
          Ed.DeleteRaw(want.Position, want.Position + want.Count, std::nullopt);
        break;
      }
      case ukInsertBuffer:
        want.Position = pick(0, size);
        want.Count = count;
        want.Saved = {0};
        Ed.RecordChange(kind, want.Position, count, 0, text);
        Ed.InsertRaw(buffer.data(), count, want.Position);
        break;
      case ukReplace: {
        if (size == 0) continue;
        want.Count2 = pick(1, std::min(size, 20));
        want.Position = pick(0, size - want.Count2);
        want.Count = count;
        const uint8_t* at = Ed.Document().DataPointer() + want.Position;
        want.Saved.assign(at, at + want.Count2);
        Ed.RecordChange(kind, want.Position, count, want.Count2, text);
        Ed.DeleteRaw(want.Position, want.Position + want.Count2, std::nullopt);
        Ed.InsertRaw(buffer.data(), count, want.Position);
        break;
      }
      default:
        want.Position = size;
        want.Count = count;
        want.Saved = {0};
        Ed.RecordChange(kind, size, count, 0, text);
        Ed.AppendRaw(buffer.data(), count);
        break;
    }
    want.Flags = (1u << kind) | (modified ? ufModified : 0) | (want.Selection ? ufSelection : 0) |
                 (want.Description ? ufDescription : 0);
    done.push_back(want);
    if (pick(0, 9) == 0) Ed.Document().SetModified(false);
    if (Ed.DataSize() > 400) Ed.DeleteRaw(0, Ed.DataSize() - 100, std::nullopt);

    auto read = ReadJournal(Ed.Document().UndoStorage());
    ASSERT_FALSE(read.empty());
    ASSERT_LE(read.size(), done.size());
    if (Ed.Document().MaxUndo > 0) {
      EXPECT_LE(Ed.Document().UndoStorage().Size(),
                Ed.Document().MaxUndo + int64_t(read.back().Length));
    }
    for (size_t i = 0; i < read.size(); ++i) {
      TJournalEntry got = read[i];
      const TJournalEntry& w = done[done.size() - read.size() + i];
      got.Offset = 0;
      got.Length = 0;
      got.Translation = 0;
      ASSERT_EQ(got, w) << "step " << step << ", entry " << i;
    }
  }
}

}  // namespace
