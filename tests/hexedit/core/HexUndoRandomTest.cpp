// Random typing, inserts, deletes, pastes, replaces, fills, undos and
// redos against a model that computes the bytes and change marks of every
// edit itself and keeps every state reached. After each step the editor's
// bytes, size, change marks, caret, selection, insert mode, bookmarks and
// modified mark equal the model's; at the end undoing all the way gives
// the first image back and redoing all the way the last. A digit typed
// right after the first digit of the same byte joins that digit's step.
//
// PELLAR_UNDO_STEPS sets the number of steps per run (default 2500).

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <optional>
#include <random>

#include "hexedit/core/HexEditorCore.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct TState {
  Bytes Data;
  std::vector<int> Marks;  // positions with a change mark
  THexCaret Caret;
  int Anchor = -1, Low = -1, High = -1;
  bool Insert = false;
  std::array<THexBookmark, HexBookmarkCount> Bookmarks;
  bool operator==(const TState&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TState& s) {
  os << "size " << s.Data.size() << ", marks " << s.Marks.size() << ", caret " << s.Caret.Position
     << (s.Caret.InCharField ? " char" : " hex") << (s.Caret.SecondDigit ? " 2nd" : "") << ", sel "
     << s.Anchor << " " << s.Low << ".." << s.High << ", insert " << s.Insert << ", bookmarks";
  for (const auto& b : s.Bookmarks) os << " " << b.Position;
  return os;
}

class TUndoModelRun {
public:
  TUndoModelRun(unsigned seed, int unit, bool fixed) : Rng(seed), Fixed(fixed) {
    Ed.ResetData();
    Ed.SetDataSize(64);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + 64, uint8_t{0x40});
    Ed.Document().ClearUndo();
    Ed.Layout().SetBytesPerUnit(unit);
    Ed.Document().MaxUndo = 0;  // nothing trimmed: every state stays reachable
    Ed.SetNoSizeChange(fixed);
    for (int i = 0; i < 4; ++i) Ed.ToggleBookmark(i, 10 + 12 * i, i % 2 == 1);
    Ed.Document().SetModified(false);
    Saved = 0;
    History.push_back(Live());
    Data = History[0].Data;
  }

  void Run(int steps) {
    for (Step = 0; Step < steps && !::testing::Test::HasFatalFailure(); ++Step) {
      switch (Pick(0, 15)) {
        case 0:
        case 1: Type(); break;
        case 2: InsertBytes(); break;
        case 3: DeleteSelected(); break;
        case 4:
        case 5: PasteBytes(); break;
        case 6: ReplaceSelected(); break;
        case 7: ReplaceEverywhere(); break;
        case 8: Fill(); break;
        case 9:
        case 10: UndoStep(); break;
        case 11: RedoStep(); break;
        case 12:
          if (Pick(0, 9) == 0) {
            Ed.Document().SetModified(false);
            Saved = Index;
            SecondDigitJoins = false;
          }
          break;
        default: Shake(); break;
      }
      CheckModified();
    }
    // All the way back, and forward again.
    while (Index > 0 && !::testing::Test::HasFatalFailure()) UndoStep();
    EXPECT_FALSE(Ed.CanUndo());
    EXPECT_EQ(Bytes(Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize()),
              History.front().Data);
    while (Index + 1 < History.size() && !::testing::Test::HasFatalFailure()) RedoStep();
    EXPECT_FALSE(Ed.CanRedo());
    EXPECT_EQ(Live(), History.back());
  }

  int Steps() const { return int(History.size()) - 1; }

private:
  THexEditorCore Ed;
  std::mt19937 Rng;
  bool Fixed;
  int Step = 0;
  std::vector<TState> History;
  size_t Index = 0;
  std::optional<size_t> Saved;
  // The last operation typed a byte's first digit as a step of its own:
  // the byte's second digit, typed next, joins that step.
  bool SecondDigitJoins = false;
  // The model's bytes and marks for the edit being checked.
  Bytes Data;
  std::vector<bool> Marks;

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }
  int Size() const { return int(Data.size()); }
  Bytes Random(int n) {
    Bytes b(static_cast<size_t>(n), 0);
    for (auto& x : b) x = uint8_t(Pick(0x40, 0x47));  // few values, so that patterns recur
    return b;
  }

  TState Live() const {
    TState s;
    s.Data.assign(Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize());
    for (int i = 0; i < Ed.Document().ChangeMarksSize(); ++i)
      if (Ed.Document().ChangeMarks()[size_t(i)]) s.Marks.push_back(i);
    s.Caret = Ed.Caret();
    s.Anchor = Ed.SelectionAnchor();
    s.Low = Ed.SelectionLow();
    s.High = Ed.SelectionHigh();
    s.Insert = Ed.Document().Modes().InsertFlag;
    for (int i = 0; i < HexBookmarkCount; ++i) s.Bookmarks[size_t(i)] = Ed.Document().Bookmark(i);
    return s;
  }

  // The model starts each edit from the state the editor is in.
  void Begin() {
    const TState s = Live();
    ASSERT_EQ(s, History[Index]) << "step " << Step << ": state drifted";
    Data = s.Data;
    Marks.assign(Data.size(), false);
    for (int m : s.Marks) Marks[size_t(m)] = true;
  }
  void CutMarks(int pos) {
    if (pos < int(Marks.size())) Marks.resize(size_t(std::max(pos, 0)));
  }
  void Overwrite(int pos, const Bytes& b) {
    for (size_t i = 0; i < b.size(); ++i) {
      const size_t p = size_t(pos) + i;
      if (!Ed.InsertMode() && Data[p] != b[i]) {
        if (Marks.size() <= p) Marks.resize(p + 1, false);
        Marks[p] = true;
      }
      Data[p] = b[i];
    }
  }
  void Splice(int pos, int remove, const Bytes& b) {
    CutMarks(pos);
    Data.erase(Data.begin() + pos, Data.begin() + pos + remove);
    Data.insert(Data.begin() + pos, b.begin(), b.end());
  }

  // After the edit: a new state (step), the same bytes (no step; the
  // caret may have moved), or a refusal that changed nothing.
  void End(bool step) {
    const TState s = Live();
    ASSERT_EQ(s.Data, Data) << "step " << Step;
    std::vector<int> marks;
    for (size_t i = 0; i < Marks.size() && i < Data.size(); ++i)
      if (Marks[i]) marks.push_back(int(i));
    ASSERT_EQ(s.Marks, marks) << "step " << Step;
    if (step) {
      SecondDigitJoins = false;
      History.resize(Index + 1);
      History.push_back(s);
      ++Index;
      if (Saved && *Saved >= Index) Saved.reset();  // its redo is gone
      EXPECT_FALSE(Ed.CanRedo()) << "step " << Step;
    } else {
      History[Index] = s;
    }
    ASSERT_EQ(Ed.Document().UndoStorage().StepCount(), int(Index)) << "step " << Step;
  }
  template <typename F>
  void Refused(F&& edit) {
    EXPECT_THROW(edit(), EHexEditor) << "step " << Step;
    End(false);
  }

  void CheckModified() {
    const bool atSaved = Saved && *Saved == Index;
    ASSERT_EQ(Ed.Document().Modified(), !atSaved) << "step " << Step;
  }

  // ---- The operations ------------------------------------------------------

  void Type() {
    if (Ed.Caret().InCharField) return;
    Begin();
    const int d = Pick(0, 15);
    const THexCaret c = Ed.Caret();
    const int p = c.Position, u = Ed.Layout().BytesPerUnit();
    const bool sel = Ed.HasSelection();
    const bool joins = SecondDigitJoins && c.SecondDigit && !sel;
    SecondDigitJoins = false;
    bool step = false;
    if (!Ed.InsertMode()) {
      if (p < Size()) {
        const uint8_t old = Data[size_t(p)];
        const auto now = uint8_t(c.SecondDigit ? (old & 0xF0) | d : d << 4 | (old & 0x0F));
        step = now != old;
        Overwrite(p, {now});
      }
    } else if ((!c.SecondDigit && p % u == 0) || sel) {
      Bytes unit(size_t(u), 0);
      unit[0] = uint8_t(d << 4);
      if (sel)
        Splice(Ed.SelectionLow(), Ed.SelectionHigh() - Ed.SelectionLow() + 1, unit);
      else
        Splice(p, 0, unit);
      step = true;
    } else if (p < Size()) {
      const uint8_t old = Data[size_t(p)];
      const auto now = uint8_t(c.SecondDigit ? (old & 0xF0) | d : d << 4 | (old & 0x0F));
      step = now != old;
      Data[size_t(p)] = now;
    }
    Ed.KeyPress(char32_t("0123456789ABCDEF"[d]));
    End(step && !joins);
    SecondDigitJoins = step && !joins && !c.SecondDigit && Ed.Caret() == THexCaret{p, false, true};
  }

  void InsertBytes() {
    Begin();
    const int pos = Pick(0, Size());
    const Bytes b = Random(Pick(1, 6));
    if (Fixed) return Refused([&] { Ed.InsertBuffer(b.data(), int(b.size()), pos); });
    Ed.InsertBuffer(b.data(), int(b.size()), pos);
    Splice(pos, 0, b);
    End(true);
  }

  void DeleteSelected() {
    if (!Ed.HasSelection()) return;
    Begin();
    const int low = Ed.SelectionLow(), high = Ed.SelectionHigh();
    if (Fixed) return Refused([&] { Ed.DeleteSelection(); });
    Ed.CutSelection();
    Splice(low, high - low + 1, {});
    End(true);
  }

  void PasteBytes() {
    Begin();
    const Bytes b = Random(Pick(1, 8));
    const int n = int(b.size());
    if (Ed.InsertMode()) {
      if (Ed.HasSelection())
        Splice(Ed.SelectionLow(), Ed.SelectionHigh() - Ed.SelectionLow() + 1, b);
      else
        Splice(std::clamp(Ed.Caret().Position, 0, Size()), 0, b);
    } else {
      const int start = Ed.HasSelection() ? Ed.SelectionLow() : Ed.CaretPosition();
      const int inside = std::max(0, std::min(n, Size() - start));
      if (inside < n && Fixed) return Refused([&] { Ed.Paste(b.data(), n); });
      Overwrite(start, Bytes(b.begin(), b.begin() + inside));
      Data.insert(Data.end(), b.begin() + inside, b.end());
    }
    Ed.Paste(b.data(), n);
    End(true);
  }

  void ReplaceSelected() {
    if (!Ed.HasSelection()) return;
    Begin();
    Bytes b = Random(Pick(1, 6));
    const int low = Ed.SelectionLow(), count = Ed.SelectionHigh() - low + 1;
    Ed.ReplaceSelection(b.data(), int(b.size()), {}, Pick(0, 1) == 1);
    if (Fixed) b.resize(std::min(b.size(), size_t(count)));
    Splice(low, Fixed ? int(b.size()) : count, b);
    End(true);
  }

  void ReplaceEverywhere() {
    if (Size() < 3) return;
    Begin();
    const int m = Pick(1, 2), at = Pick(0, Size() - m);
    const Bytes pattern(Data.begin() + at, Data.begin() + at + m);
    const Bytes with = Random(Fixed ? m : Pick(0, 3));
    std::vector<int> found;
    for (int i = 0; i + m <= Size();)
      if (std::equal(pattern.begin(), pattern.end(), Data.begin() + i)) {
        found.push_back(i);
        i += m;
      } else {
        ++i;
      }
    const THexPattern p(pattern);
    if (with.size() == pattern.size()) {
      for (int f : found) Overwrite(f, with);
    } else {
      for (auto it = found.rbegin(); it != found.rend(); ++it) {
        Data.erase(Data.begin() + *it, Data.begin() + *it + m);
        Data.insert(Data.begin() + *it, with.begin(), with.end());
      }
      CutMarks(found.front());
    }
    EXPECT_EQ(Ed.ReplaceAll(p, with), int(found.size()));
    End(true);
  }

  void Fill() {
    if (!Ed.HasSelection()) return;
    Begin();
    const auto v = uint8_t(Pick(0x40, 0x42));
    const int low = Ed.SelectionLow(), count = Ed.SelectionHigh() - low + 1;
    Overwrite(low, Bytes(size_t(count), v));
    Ed.FillSelection(v);
    End(true);
  }

  void UndoStep() {
    if (Index == 0) {
      EXPECT_FALSE(Ed.CanUndo());
      EXPECT_FALSE(Ed.Undo());
      return;
    }
    ASSERT_TRUE(Ed.CanUndo());
    ASSERT_TRUE(Ed.Undo());
    SecondDigitJoins = false;
    --Index;
    ASSERT_EQ(Live(), History[Index]) << "step " << Step << ": undo";
  }

  void RedoStep() {
    if (Index + 1 == History.size()) {
      EXPECT_FALSE(Ed.CanRedo());
      EXPECT_FALSE(Ed.Redo());
      return;
    }
    ASSERT_TRUE(Ed.CanRedo());
    ASSERT_TRUE(Ed.Redo());
    SecondDigitJoins = false;
    ++Index;
    ASSERT_EQ(Live(), History[Index]) << "step " << Step << ": redo";
  }

  // Caret, selection and insert mode change outside the journal: the
  // state of the current step is what undo and redo will find.
  void Shake() {
    const int size = Ed.DataSize();
    // A caret move or a switch of mode parts a byte's two digits.
    switch (Pick(0, 5)) {
      case 0:
        // Switching modes drops the change marks, which no step saved.
        if (Ed.Document().ChangeMarksSize() == 0 || Live().Marks.empty()) {
          const bool was = Ed.Document().Modes().InsertFlag;
          Ed.SetInsertMode(!was);
          if (Ed.Document().Modes().InsertFlag != was) SecondDigitJoins = false;
        }
        break;
      case 1:
      case 2:
        if (size > 0) {
          Ed.SetSelStart(Pick(0, size - 1));
          Ed.SetSelEnd(Pick(-1, size - 1));
          SecondDigitJoins = false;
        }
        break;
      default:
        Ed.MoveCaret(THexCaret{Pick(0, size), Pick(0, 4) == 0, Pick(0, 1) == 1});
        SecondDigitJoins = false;
        break;
    }
    History[Index] = Live();
  }
};

int StepsPerRun() {
  const char* text = std::getenv("PELLAR_UNDO_STEPS");
  return text ? std::max(1, std::atoi(text)) : 2500;
}

TEST(HexUndoRandom, EveryStateComesBackByUndoAndRedo) {
  const int steps = StepsPerRun();
  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    const int unit = seed % 2 == 0 ? 2 : 1;
    const bool fixed = seed == 3;
    SCOPED_TRACE(::testing::Message()
                 << "seed " << seed << ", unit " << unit << (fixed ? ", fixed size" : ""));
    TUndoModelRun run(seed, unit, fixed);
    run.Run(steps);
    EXPECT_GT(run.Steps(), 0);
  }
}

}  // namespace
