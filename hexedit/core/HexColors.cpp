// The colour set and the system colour table.

#include "hexedit/core/HexColors.h"

#include <cmath>

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

THexColors::THexColors(const THexColors& other) : THexPersistent(other) {
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
  if (OnChanged) OnChanged();
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

bool THexColors::SameColors(const THexColors& o) const {
  return FBackground == o.FBackground && FChangedBackground == o.FChangedBackground &&
         FChangedText == o.FChangedText && FCursorFrame == o.FCursorFrame && FOffset == o.FOffset &&
         FOddColumn == o.FOddColumn && FEvenColumn == o.FEvenColumn &&
         FCurrentOffsetBackground == o.FCurrentOffsetBackground &&
         FOffsetBackGround == o.FOffsetBackGround && FCurrentOffset == o.FCurrentOffset &&
         FGrid == o.FGrid && FNonFocusCursorFrame == o.FNonFocusCursorFrame;
}

// ---- Dark schemes ---------------------------------------------------------

double Luminance(TColor rgb) {
  auto channel = [](unsigned v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(RedOf(rgb)) + 0.7152 * channel(GreenOf(rgb)) +
         0.0722 * channel(BlueOf(rgb));
}

double ContrastRatio(TColor a, TColor b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkScheme(const THexSystemColors& system) {
  return Luminance(system.Window) < Luminance(system.WindowText);
}

TColor MixColors(TColor a, TColor b, double weight) {
  auto mix = [weight](unsigned x, unsigned y) {
    return unsigned(std::lround(x + (double(y) - double(x)) * weight));
  };
  return RGBColor(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

void SetDarkSchemeDefaults(THexColors& colors, const THexSystemColors& system) {
  const TColor text = system.WindowText;
  colors.SetBackground(clWindow);
  colors.SetOffset(clWindowText);
  colors.SetOddColumn(MixColors(RGBColor(80, 150, 255), text, 0.25));
  colors.SetEvenColumn(MixColors(RGBColor(150, 190, 240), text, 0.45));
  colors.SetChangedBackground(MixColors(system.Window, RGBColor(255, 200, 0), 0.3));
  colors.SetChangedText(MixColors(RGBColor(255, 210, 120), text, 0.5));
  colors.SetCursorFrame(MixColors(RGBColor(120, 170, 255), text, 0.2));
  colors.SetCurrentOffsetBackground(clBtnShadow);
  colors.SetCurrentOffset(clWindowText);
  colors.SetOffsetBackGround(clBtnFace);
  colors.SetGrid(clBtnFace);
  colors.SetNonFocusCursorFrame(clAqua);
}
