// Thousands of random edits against a plain model of the bytes and the
// bookmarks, with the editor's invariants checked after every step.

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/JournalReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

class TRandomEdits {
public:
  explicit TRandomEdits(unsigned seed) : Rng(seed) {
    Ed.ResetData();
    Ed.SetDataSize(48);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + 48, uint8_t{0});
    Model.assign(Ed.Document().DataPointer(), Ed.Document().DataPointer() + 48);
    Ed.Document().MaxUndo = 1500;
  }

  void Run(int steps) {
    for (Step = 0; Step < steps && !::testing::Test::HasFatalFailure(); ++Step) {
      Shake();
      Edit();
      Check();
    }
  }

private:
  THexEditorCore Ed;
  Bytes Model;
  std::array<int, HexBookmarkCount> Marks{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::mt19937 Rng;
  int Step = 0;
  int Recorded = 0;  // entries the journal was asked to add

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }
  int Size() const { return static_cast<int>(Model.size()); }
  Bytes Buffer(int count) {
    Bytes b(static_cast<size_t>(count));
    for (auto& x : b) x = static_cast<uint8_t>(Pick(0, 255));
    return b;
  }

  // Random changes of modes, units, caret, selection and bookmarks.
  void Shake() {
    switch (Pick(0, 12)) {
      case 0: Ed.SetInsertMode(!Ed.Document().Modes().InsertFlag); break;
      case 1: Ed.SetNoSizeChange(Pick(0, 3) == 0); break;
      case 2: Ed.Layout().SetBytesPerUnit(1 << Pick(0, 3)); break;
      case 3: {
        const int i = Pick(0, HexBookmarkCount - 1);
        const int p = Pick(0, Size());
        Ed.ToggleBookmark(i, p, false);
        Marks[static_cast<size_t>(i)] = Ed.Document().Bookmark(i).Position;
        break;
      }
      case 4:
      case 5:
        if (Size() > 0) {
          Ed.SetSelStart(Pick(0, Size() - 1));
          Ed.SetSelEnd(Pick(-1, Size() - 1));
        }
        break;
      default:
        Ed.MoveCaret(THexCaret{Pick(0, Size() + 1), Pick(0, 1) == 1, Pick(0, 1) == 1});
        break;
    }
  }

  void MoveMarks(int from, int delta, int sizeAfter) {
    for (int& m : Marks) {
      if (m < 0) continue;
      if (m >= from) m += delta;
      if (m > sizeAfter) m = -1;
    }
  }

  // Runs one edit; when the model says it must be refused, checks that it
  // is and that nothing changed.
  template <typename F>
  void Expect(bool refused, F&& edit) {
    const Bytes before = Model;
    const int entries = Ed.Document().UndoStorage().EntryCount();
    const int selCount = Ed.SelCount();
    try {
      edit();
      EXPECT_FALSE(refused) << "step " << Step << " was not refused";
    } catch (const EHexEditor& e) {
      EXPECT_TRUE(refused) << "step " << Step << ": " << e.what();
      EXPECT_STREQ(e.what(), "Cannot update undo storage");
      EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), entries);
      EXPECT_EQ(Ed.SelCount(), selCount);
      Model = before;
    }
  }

  void Edit() {
    const bool fixed = Ed.Document().Modes().NoSizeChange;
    const int size = Size();
    const int u = Ed.Layout().BytesPerUnit();
    const THexCaret caret = Ed.Caret();
    const bool sel = Ed.HasSelection();
    const int low = Ed.SelectionLow(), high = Ed.SelectionHigh();
    switch (Pick(0, 6)) {
      case 0: {  // ChangeByte
        if (size == 0) return;
        const int pos = Pick(0, size - 1);
        const auto v = static_cast<uint8_t>(Pick(0, 255));
        const bool edits = v != Model[size_t(pos)];
        Expect(false, [&] { Ed.ChangeByte(Ed.PeekByte(pos), v, pos); });
        Model[size_t(pos)] = v;
        Recorded += edits;
        break;
      }
      case 1: {  // ChangeWord
        if (size < 2) return;
        const int pos = Pick(0, size - 2);
        const auto v = static_cast<uint16_t>(Pick(0, 0xFFFF));
        const uint16_t old = uint16_t(Model[size_t(pos)] | Model[size_t(pos) + 1] << 8);
        Expect(false, [&] { Ed.ChangeWord(old, v, pos); });
        Model[size_t(pos)] = uint8_t(v);
        Model[size_t(pos) + 1] = uint8_t(v >> 8);
        Recorded += v != old;
        break;
      }
      case 2: {  // DeleteSelection
        const int start = sel ? low : caret.Position;
        const int end = sel ? high + 1 : start + 1;
        const bool refused = fixed || size == 0 || end > size;
        Expect(refused, [&] { Ed.DeleteSelection(); });
        if (!refused) Remove(start, end - start);
        break;
      }
      case 3: {  // DeleteUnit
        const bool back = Pick(0, 1) == 1;
        const int clamped = std::clamp(caret.Position, 0, std::max(0, size - 1));
        const int a = clamped - clamped % u;
        int start = a, n = std::min(u, size - a);
        if (back) {
          int c = a;
          n = u;
          if (Ed.InsertMode() && !sel) {
            c = caret.Position;
            if (c == size && size % u != 0)
              n = 1;
            else
              c -= c % u;
          }
          start = c - n;
          if (c <= 0) n = 0;
        } else if (a >= size || caret.Position >= size) {
          n = 0;  // nothing under a caret at the append position
        }
        Expect(n > 0 && fixed, [&] { Ed.DeleteUnit(back); });
        if (n > 0 && !fixed) Remove(start, n);
        break;
      }
      case 4: {  // InsertBuffer
        const int pos = Pick(0, size);
        const Bytes b = Buffer(Pick(1, 9));
        Expect(fixed, [&] { Ed.InsertBuffer(b.data(), int(b.size()), pos, {}, Pick(0, 1) == 1); });
        if (!fixed) Insert(pos, b);
        break;
      }
      case 5: {  // ReplaceSelection
        Bytes b = Buffer(Pick(1, 9));
        if (!sel) {
          Expect(fixed, [&] { Ed.ReplaceSelection(b.data(), int(b.size()), {}, Pick(0, 1) == 1); });
          if (!fixed) Insert(caret.Position, b);
          break;
        }
        const int selCount = high - low + 1;
        Expect(false, [&] { Ed.ReplaceSelection(b.data(), int(b.size()), {}, Pick(0, 1) == 1); });
        if (fixed) b.resize(std::min(b.size(), size_t(selCount)));
        const int replaced = fixed ? int(b.size()) : selCount;
        Model.erase(Model.begin() + low, Model.begin() + low + replaced);
        Model.insert(Model.begin() + low, b.begin(), b.end());
        MoveMarks(low + replaced, int(b.size()) - replaced, Size());
        ++Recorded;
        break;
      }
      default: {  // AppendBuffer
        const Bytes b = Buffer(Pick(1, 9));
        Expect(fixed, [&] { Ed.AppendBuffer(b.data(), int(b.size()), {}, Pick(0, 1) == 1); });
        if (!fixed) {
          Model.insert(Model.end(), b.begin(), b.end());
          ++Recorded;
        }
        break;
      }
    }
    // Keep the data within a few hundred bytes.
    if (Size() > 300 && !fixed) {
      Expect(false, [&] { Ed.SetDataSize(200); });
      const int cut = Size() - 200;
      MoveMarks(Size(), -cut, 200);
      Remove(200, cut, false);
      ++Recorded;
    }
  }

  void Remove(int start, int n, bool counts = true) {
    if (counts) {
      MoveMarks(start + n, -n, Size() - n);
      ++Recorded;
    }
    Model.erase(Model.begin() + start, Model.begin() + start + n);
  }
  void Insert(int pos, const Bytes& b) {
    MoveMarks(pos, int(b.size()), Size() + int(b.size()));
    Model.insert(Model.begin() + pos, b.begin(), b.end());
    ++Recorded;
  }

  void Check() {
    const int size = Ed.DataSize();
    ASSERT_EQ(Bytes(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size), Model)
        << "step " << Step;
    if (Ed.HasSelection()) {
      EXPECT_GE(Ed.SelectionLow(), 0);
      EXPECT_LE(Ed.SelectionLow(), Ed.SelectionHigh());
      EXPECT_LT(Ed.SelectionHigh(), size);
      EXPECT_TRUE(Ed.SelectionAnchor() == Ed.SelectionLow() ||
                  Ed.SelectionAnchor() == Ed.SelectionHigh());
    } else {
      EXPECT_EQ(Ed.SelectionLow(), -1);
      EXPECT_EQ(Ed.SelectionHigh(), -1);
    }
    EXPECT_LE(Ed.Document().ChangeMarksSize(), size);
    const THexCaret& c = Ed.Caret();
    EXPECT_GE(c.Position, 0);
    EXPECT_LE(c.Position, Ed.InsertMode() ? size : std::max(0, size - 1)) << "step " << Step;
    for (int i = 0; i < HexBookmarkCount; ++i) {
      const int b = Ed.Document().Bookmark(i).Position;
      EXPECT_TRUE(b == -1 || (b >= 0 && b <= size)) << "bookmark " << i;
      EXPECT_EQ(b, Marks[size_t(i)]) << "bookmark " << i << ", step " << Step;
    }
    const auto entries = ReadJournal(Ed.Document().UndoStorage());
    ASSERT_FALSE(entries.empty());
    EXPECT_LE(static_cast<int>(entries.size()), Recorded + 1);
    EXPECT_LE(Ed.Document().UndoStorage().Size(),
              Ed.Document().MaxUndo + int64_t(entries.back().Length));
  }
};

TEST(HexEditRandom, SevenOperationsAgainstAModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    TRandomEdits(seed).Run(3000);
  }
}

}  // namespace
