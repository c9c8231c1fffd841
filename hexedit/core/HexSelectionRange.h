#pragma once
// THexSelection: the bytes a hex editor has selected, and how a caret move
// extends them, as one value.
//
// Low..High (inclusive) are the selected bytes; Anchor is the end the
// selection grew from (Low or High). All three are -1 while nothing is
// selected. While Selecting, a caret move extends the selection from
// ExtendOrigin (-1: from where the caret stood before the move).
//
// The editor core keeps one and does the unit rounding, repaints and
// notices; this type only keeps the ends consistent.

#include <algorithm>

struct THexSelection {
  int Anchor = -1;
  int Low = -1;
  int High = -1;
  int ExtendOrigin = -1;
  bool Selecting = false;

  bool Active() const { return Anchor != -1; }
  bool Contains(int pos) const { return Active() && pos >= Low && pos <= High; }
  int Count() const { return Active() ? High - Low + 1 : 0; }
  // The end opposite the anchor: where the selection grew to.
  int FarEnd() const { return Anchor == High ? Low : High; }

  // Takes the three ends, each clamped to -1 .. last; when any of them
  // falls outside the data nothing is selected.
  void SetEnds(int anchor, int low, int high, int last) {
    Anchor = std::clamp(anchor, -1, last);
    Low = std::clamp(low, -1, last);
    High = std::clamp(high, -1, last);
    if (Anchor == -1 || Low == -1 || High == -1) ClearEnds();
  }
  // Nothing selected; the extension state stays.
  void ClearEnds() { Anchor = Low = High = -1; }
  // Nothing selected and no extension under way.
  void Clear() { *this = THexSelection{}; }
  // No extension under way; the selected bytes stay.
  void StopExtending() {
    Selecting = false;
    ExtendOrigin = -1;
  }
};
