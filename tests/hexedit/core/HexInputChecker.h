#pragma once
// What must hold after any input an editor takes: a reference model of the
// bytes, kept by applying each new journal entry (and checking the bytes
// the entry saved), must equal the data; the caret stands on a cell the
// acceptance hook accepts; the selection, the change marks, the bookmarks
// and the row count fit the data.
//
// The journal must not be trimmed while this watches (MaxUndo <= 0); after
// anything that empties it (ResetData), call Restart.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/JournalReader.h"

class THexInputChecker {
public:
  explicit THexInputChecker(const THexEditorCore& ed) : Ed(ed) { Restart(); }

  void Restart() {
    Model.assign(Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize());
    JournalSize = Ed.Document().UndoStorage().Size();
  }

  // readOnlyThroughout: ReadOnlyView was on before and after a step of
  // user input, so nothing may have been recorded.
  void Check(const std::string& step, bool readOnlyThroughout) {
    const THexUndoStorage& undo = Ed.Document().UndoStorage();
    ASSERT_GE(undo.Size(), JournalSize) << step << ": the journal shrank";
    int entries = 0;
    while (JournalSize < undo.Size()) {
      const auto e = DecodeJournalEntry(undo.Memory(), undo.Size(), JournalSize,
                                        UndoEntry::Get32(undo.Memory() + JournalSize));
      ASSERT_TRUE(e.has_value()) << step;
      Apply(*e, step);
      if (::testing::Test::HasFatalFailure()) return;
      JournalSize += e->Length;
      ++entries;
    }
    EXPECT_LE(entries, 1) << step << ": one input, one edit";
    if (readOnlyThroughout) {
      EXPECT_EQ(entries, 0) << step << ": an edit while the view is read-only";
    }
    const int size = Ed.DataSize();
    ASSERT_EQ(std::vector<uint8_t>(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size),
              Model)
        << step << ": the data differs from the journal's account";
    Invariants(step);
  }

  void Invariants(const std::string& step) const {
    const int size = Ed.DataSize();
    const THexCaret& c = Ed.Caret();
    const TGridCoord cell = Ed.CaretCell();
    if (size == 0) {
      ASSERT_EQ(c.Position, 0) << step;
      ASSERT_FALSE(c.SecondDigit && !c.InCharField) << step;
    } else {
      ASSERT_GE(c.Position, 0) << step;
      ASSERT_LE(c.Position, Ed.InsertMode() ? size : size - 1) << step;
      if (c.Position == size) {
        ASSERT_FALSE(!c.InCharField && c.SecondDigit) << step;
      }
    }
    if (c.InCharField && Ed.Layout().UnicodeChars()) {
      ASSERT_EQ(c.Position % 2, 0) << step;
    }
    ASSERT_GE(cell.Col, 2) << step;
    ASSERT_LT(cell.Col, Ed.Layout().ColCount()) << step;
    ASSERT_NE(cell.Col, Ed.Layout().SeparatorColumn()) << step;
    ASSERT_GE(cell.Row, 2) << step;
    ASSERT_LT(cell.Row, Ed.Layout().RowCount()) << step;

    int rows = 3;
    if (size > 0) {
      rows = (size + Ed.Layout().BytesPerRow() - 1) / Ed.Layout().BytesPerRow() + 2;
      if (size % Ed.Layout().BytesPerRow() == 0 && Ed.InsertMode()) ++rows;
    }
    ASSERT_EQ(Ed.Layout().RowCount(), rows) << step;

    if (Ed.HasSelection()) {
      ASSERT_GE(Ed.SelectionLow(), 0) << step;
      ASSERT_LE(Ed.SelectionLow(), Ed.SelectionHigh()) << step;
      ASSERT_LT(Ed.SelectionHigh(), size) << step;
      ASSERT_TRUE(Ed.SelectionAnchor() == Ed.SelectionLow() ||
                  Ed.SelectionAnchor() == Ed.SelectionHigh())
          << step;
    } else {
      ASSERT_EQ(Ed.SelectionLow(), -1) << step;
      ASSERT_EQ(Ed.SelectionHigh(), -1) << step;
      ASSERT_EQ(Ed.SelCount(), 0) << step;
    }
    ASSERT_LE(Ed.Document().ChangeMarksSize(), size) << step;
    for (int i = 0; i < HexBookmarkCount; ++i) {
      const int b = Ed.Document().Bookmark(i).Position;
      ASSERT_TRUE(b == -1 || (b >= 0 && b <= size)) << step << ": bookmark " << i << " at " << b;
    }
  }

  std::vector<uint8_t> Model;

private:
  const THexEditorCore& Ed;
  int64_t JournalSize = 0;

  std::vector<uint8_t> Data(int pos, int count) const {
    return {Ed.Document().DataPointer() + pos, Ed.Document().DataPointer() + pos + count};
  }
  std::vector<uint8_t> Saved(const TJournalEntry& e, int count) const {
    return {e.Saved.begin(), e.Saved.begin() + std::min<size_t>(e.Saved.size(), size_t(count))};
  }

  void Apply(const TJournalEntry& e, const std::string& step) {
    const int n = static_cast<int>(Model.size());
    const int pos = e.Position;
    const auto at = Model.begin() + std::clamp(pos, 0, n);
    switch (e.Kind) {
      case ukChangeBytes:
        ASSERT_TRUE(pos >= 0 && e.Count >= 1 && pos + e.Count <= n) << step;
        ASSERT_EQ(Saved(e, e.Count), std::vector<uint8_t>(at, at + e.Count)) << step;
        ASSERT_LE(pos + e.Count, Ed.DataSize()) << step;
        std::copy_n(Ed.Document().DataPointer() + pos, e.Count, at);
        break;
      case ukRemoveData:
        ASSERT_TRUE(pos >= 0 && e.Count >= 1 && pos + e.Count <= n) << step;
        ASSERT_EQ(Saved(e, e.Count), std::vector<uint8_t>(at, at + e.Count)) << step;
        Model.erase(at, at + e.Count);
        break;
      case ukInsertBuffer:
        ASSERT_TRUE(pos >= 0 && pos <= n && pos + e.Count <= Ed.DataSize()) << step;
        Model.insert(at, Ed.Document().DataPointer() + pos,
                     Ed.Document().DataPointer() + pos + e.Count);
        break;
      case ukReplace: {
        ASSERT_TRUE(pos >= 0 && e.Count2 >= 1 && pos + e.Count2 <= n &&
                    pos + e.Count <= Ed.DataSize())
            << step;
        ASSERT_EQ(Saved(e, e.Count2), std::vector<uint8_t>(at, at + e.Count2)) << step;
        const auto fresh = Data(pos, e.Count);
        Model.erase(at, at + e.Count2);
        Model.insert(Model.begin() + pos, fresh.begin(), fresh.end());
        break;
      }
      case ukAppendBuffer:
        ASSERT_EQ(pos, n) << step;
        ASSERT_LE(pos + e.Count, Ed.DataSize()) << step;
        Model.insert(Model.end(), Ed.Document().DataPointer() + pos,
                     Ed.Document().DataPointer() + pos + e.Count);
        break;
      default: FAIL() << step << ": a journal entry of kind " << e.Kind;
    }
  }
};
