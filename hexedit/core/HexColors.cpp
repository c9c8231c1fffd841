// The colour set and the system colour table.

#include "hexedit/core/HexColors.h"

#include "hexedit/core/HexEditorCore.h"

TColor THexSystemColors::ToRGB(TColor c) const {
  if ((c & clSystemColor) == 0) return c & 0xFFFFFF;
  switch (c) {
    case clWindow: return Window;
    case clWindowText: return WindowText;
    case clBtnFace: return BtnFace;
    case clBtnShadow: return BtnShadow;
    case clBtnHighlight: return BtnHighlight;
    default: return clBlack;
  }
}

THexColors::THexColors(const THexColors& other) : THexPersistent(other), FOwner(nullptr) {
  FBackground = other.FBackground;
  FChangedBackground = other.FChangedBackground;
  FChangedText = other.FChangedText;
  FCursorFrame = other.FCursorFrame;
  FOffset = other.FOffset;
  FOddColumn = other.FOddColumn;
  FEvenColumn = other.FEvenColumn;
  FCurrentOffsetBackground = other.FCurrentOffsetBackground;
  FOffsetBackGround = other.FOffsetBackGround;
  FCurrentOffset = other.FCurrentOffset;
  FGrid = other.FGrid;
  FNonFocusCursorFrame = other.FNonFocusCursorFrame;
}

void THexColors::Assign(const THexPersistent* source) {
  const auto* src = dynamic_cast<const THexColors*>(source);
  if (src == nullptr || src == this) return;
  SetBackground(src->FBackground);
  SetChangedText(src->FChangedText);
  SetCursorFrame(src->FCursorFrame);
  SetNonFocusCursorFrame(src->FNonFocusCursorFrame);
  SetOffset(src->FOffset);
  SetOddColumn(src->FOddColumn);
  SetEvenColumn(src->FEvenColumn);
  SetChangedBackground(src->FChangedBackground);
  SetCurrentOffsetBackground(src->FCurrentOffsetBackground);
  SetCurrentOffset(src->FCurrentOffset);
  SetOffsetBackGround(src->FOffsetBackGround);
  SetGrid(src->FGrid);
}

void THexColors::Set(TColor& field, TColor value) {
  if (field == value) return;
  field = value;
  // The editor reads Background as its own colour at every paint.
  if (FOwner != nullptr) FOwner->Invalidate();
}

void THexColors::SetBackground(TColor value) { Set(FBackground, value); }
void THexColors::SetChangedBackground(TColor value) { Set(FChangedBackground, value); }
void THexColors::SetChangedText(TColor value) { Set(FChangedText, value); }
void THexColors::SetCursorFrame(TColor value) { Set(FCursorFrame, value); }
void THexColors::SetOffset(TColor value) { Set(FOffset, value); }
void THexColors::SetOddColumn(TColor value) { Set(FOddColumn, value); }
void THexColors::SetEvenColumn(TColor value) { Set(FEvenColumn, value); }
void THexColors::SetCurrentOffsetBackground(TColor value) { Set(FCurrentOffsetBackground, value); }
void THexColors::SetOffsetBackGround(TColor value) { Set(FOffsetBackGround, value); }
void THexColors::SetCurrentOffset(TColor value) { Set(FCurrentOffset, value); }
void THexColors::SetGrid(TColor value) { Set(FGrid, value); }
void THexColors::SetNonFocusCursorFrame(TColor value) { Set(FNonFocusCursorFrame, value); }
