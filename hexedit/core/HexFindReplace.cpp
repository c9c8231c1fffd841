// Find and replace over the held data.

#include <algorithm>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"
#include "hexedit/core/HexTextParse.h"

// A pattern from the find bar's text: hex bytes, or characters through
// the translation (16-bit characters in unicode mode), optionally without
// case. Raises EHexEditor for text that makes no pattern.
THexPattern THexEditorCore::MakePattern(std::u32string_view text, bool hex, bool matchCase) const {
  if (text.empty()) throw EHexEditor(HexMsg::NothingToFind);
  if (hex || matchCase) return THexPattern(BytesFromText(text, hex));
  // Without case: each character's position takes the bytes of both its
  // cases (where the other case has a byte of its own).
  THexPattern pattern;
  for (char32_t c : text) {
    const char32_t other = OtherCase(c);
    const std::vector<uint8_t> mine = BytesFromText(std::u32string_view(&c, 1), false);
    std::vector<uint8_t> theirs;
    if (other != c) {
      try {
        theirs = BytesFromText(std::u32string_view(&other, 1), false);
      } catch (const EHexEditor&) {
        theirs.clear();
      }
    }
    for (size_t j = 0; j < mine.size(); ++j) {
      std::bitset<256> byteClass;
      byteClass.set(mine[j]);
      // Two-byte characters whose cases differ in more than one byte are
      // matched as typed.
      if (theirs.size() == mine.size()) {
        size_t differing = 0;
        for (size_t k = 0; k < mine.size(); ++k) differing += mine[k] != theirs[k];
        if (differing <= 1) byteClass.set(theirs[j]);
      }
      pattern.Append(byteClass);
    }
  }
  return pattern;
}

void THexEditorCore::SelectMatch(int pos, int count) {
  ClearSelection(true);
  MoveCaret(FLayout.CellOf(pos, FCaret.InCharField));
  FSelection.StopExtending();
  SetSelectionDirect(pos, pos, pos + count - 1);
  NotifySelectionChange();
}

// Selects the next match after the selection's start (or from the caret),
// or the previous one before it, wrapping round the data's ends; the
// caret goes to the match, scrolled into view.
THexEditorCore::TFindOutcome THexEditorCore::Find(const THexPattern& pattern, bool forward) {
  const int64_t size = DataSize();
  const int m = pattern.Length();
  if (m == 0 || size < m) return TFindOutcome::NotFound;
  const uint8_t* data = FDocument.DataPointer();
  int64_t at = -1;
  bool wrapped = false;
  if (forward) {
    const int64_t from = HasSelection() ? int64_t(FSelection.Low) + 1 : CaretPosition();
    at = pattern.FindForward(data, size, from);
    if (at < 0) {
      // From the start again, up to matches that start before from.
      at = pattern.FindForward(data, std::min(size, from - 1 + m), 0);
      wrapped = at >= 0;
    }
  } else {
    const int64_t from =
        HasSelection() ? int64_t(FSelection.Low) - 1 : int64_t(CaretPosition()) - 1;
    at = from >= 0 ? pattern.FindBackward(data, size, from) : -1;
    if (at < 0) {
      at = pattern.FindBackward(data, size, size - m);
      wrapped = at >= 0 && at > from;
      if (at >= 0 && at <= from) at = -1;
    }
  }
  if (at < 0) return TFindOutcome::NotFound;
  SelectMatch(static_cast<int>(at), m);
  return wrapped ? TFindOutcome::Wrapped : TFindOutcome::Found;
}

// Whether the selection is exactly a match.
bool THexEditorCore::SelectionMatches(const THexPattern& pattern) const {
  return HasSelection() && SelCount() == pattern.Length() &&
         pattern.MatchesAt(FDocument.DataPointer() + FSelection.Low);
}

// Replaces the selected match (when the selection is one) as one undo
// step, then finds the next match. Raises "Cannot replace ..." when the
// lengths differ and the size is fixed.
THexEditorCore::TFindOutcome THexEditorCore::ReplaceAndFind(
    const THexPattern& pattern, const std::vector<uint8_t>& replacement) {
  if (SelectionMatches(pattern) && !ReadOnlyView()) {
    const int pos = FSelection.Low;
    const int m = pattern.Length();
    const int n = static_cast<int>(replacement.size());
    if (n != m && FDocument.SizeFixed())
      throw EHexEditor(
          FillPlaceholders(HexMsg::ReplaceInFixedSize, {std::to_string(m), std::to_string(n)}));
    {
      const auto step = UndoStep();
      if (n == m)
        OverwriteBytes(pos, replacement.data(), n);
      else if (n == 0)
        DeleteSelection();
      else
        ReplaceSelection(replacement.data(), n);
    }
    // The search goes on after the replacement.
    ClearSelection(true);
    const int next = std::min(pos + n, InsertMode() ? DataSize() : DataSize() - 1);
    if (DataSize() > 0) MoveCaret(FLayout.CellOf(std::max(next, 0), FCaret.InCharField));
  }
  return Find(pattern, true);
}

// Replaces every match, front to back without overlaps, as one undo step;
// returns how many.
int THexEditorCore::ReplaceAll(const THexPattern& pattern,
                               const std::vector<uint8_t>& replacement) {
  if (ReadOnlyView()) return 0;
  const int m = pattern.Length();
  const int n = static_cast<int>(replacement.size());
  const int64_t size = DataSize();
  std::vector<int64_t> found;
  for (int64_t at = pattern.FindForward(FDocument.DataPointer(), size, 0); at >= 0;
       at = pattern.FindForward(FDocument.DataPointer(), size, at + m))
    found.push_back(at);
  if (found.empty()) return 0;
  if (n != m && FDocument.SizeFixed())
    throw EHexEditor(
        FillPlaceholders(HexMsg::ReplaceInFixedSize, {std::to_string(m), std::to_string(n)}));

  // The bytes from the first match to the end of the last, rewritten.
  const int64_t first = found.front();
  const int64_t spanEnd = found.back() + m;
  std::vector<uint8_t> span;
  span.reserve(size_t(spanEnd - first + int64_t(found.size()) * std::max(0, n - m)));
  int64_t p = first;
  for (int64_t at : found) {
    span.insert(span.end(), FDocument.DataPointer() + p, FDocument.DataPointer() + at);
    span.insert(span.end(), replacement.begin(), replacement.end());
    p = at + m;
  }
  const int start = static_cast<int>(first);
  const int oldLength = static_cast<int>(spanEnd - first);
  {
    const auto step = UndoStep();
    if (int(span.size()) == oldLength) {
      OverwriteBytes(start, span.data(), oldLength);
    } else {
      SetSelectionDirect(start, start, start + oldLength - 1);
      if (span.empty())
        DeleteSelection();
      else
        ReplaceSelection(span.data(), static_cast<int>(span.size()));
    }
  }
  ClearSelection(true);
  MoveCaret(FLayout.CellOf(std::min(start, std::max(0, InsertMode() ? DataSize() : DataSize() - 1)),
                           FCaret.InCharField));
  Invalidate();
  return static_cast<int>(found.size());
}
