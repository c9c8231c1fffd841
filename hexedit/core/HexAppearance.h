#pragma once
// THexAppearance: how a hex editor draws beside its layout: the colour
// set, the system colours (the widget's palette) and the font colour, the
// caret's shape, the paint switches and the bookmark icons.
//
// Setting the value in force does nothing; a change is told to OnChanged
// with what it touches, and the editor core repaints what that needs
// (the selection only where it is drawn without the focus, the caret
// only while the editor has it).

#include <cstdint>
#include <functional>

#include "hexedit/core/HexColors.h"
#include "hexedit/core/HexPaint.h"
#include "hexedit/core/HexPaintOptions.h"

enum THexAppearanceChange : uint8_t {
  acView,             // anything the whole view shows
  acHiddenSelection,  // HideSelection
  acGraySelection,    // GraySelectionIfNotFocused
  acCaretKind,
  acBookmarkIcons,
};

class THexAppearance {
public:
  THexAppearance();
  THexAppearance(const THexAppearance&) = delete;
  THexAppearance& operator=(const THexAppearance&) = delete;

  std::function<void(THexAppearanceChange)> OnChanged;

  // The editor's colour set; SetColors copies another set's colours in.
  THexColors& Colors() { return FColors; }
  const THexColors& Colors() const { return FColors; }
  void SetColors(const THexColors& value) { FColors.Assign(&value); }
  // RGB values of the system colours and of the font.
  const THexSystemColors& SystemColors() const { return FSystemColors; }
  void SetSystemColors(const THexSystemColors& value);
  TColor ToRGB(TColor c) const { return FSystemColors.ToRGB(c); }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor value);
  THexCaretKind CaretKind() const { return FCaretKind; }
  void SetCaretKind(THexCaretKind value);

  // The paint switches (THexPaintOptions).
  const THexPaintOptions& Options() const { return FOptions; }
  bool FocusFrame() const { return FOptions.FocusFrame; }
  bool DrawGridLines() const { return FOptions.DrawGridLines; }
  bool DrawGutter3D() const { return FOptions.DrawGutter3D; }
  bool ShowPositionIfNotFocused() const { return FOptions.ShowPositionIfNotFocused; }
  bool HideSelection() const { return FOptions.HideSelection; }
  bool GraySelectionIfNotFocused() const { return FOptions.GraySelectionIfNotFocused; }
  void SetFocusFrame(bool value) { SetSwitch(FOptions.FocusFrame, value, acView); }
  void SetDrawGridLines(bool value) { SetSwitch(FOptions.DrawGridLines, value, acView); }
  void SetDrawGutter3D(bool value) { SetSwitch(FOptions.DrawGutter3D, value, acView); }
  void SetShowPositionIfNotFocused(bool value) {
    SetSwitch(FOptions.ShowPositionIfNotFocused, value, acView);
  }
  void SetHideSelection(bool value) { SetSwitch(FOptions.HideSelection, value, acHiddenSelection); }
  void SetGraySelectionIfNotFocused(bool value) {
    SetSwitch(FOptions.GraySelectionIfNotFocused, value, acGraySelection);
  }

  // The bookmark icons: twenty 10 x 10 images cut from a 200 x 10 bitmap,
  // drawn without the pixels of the top-left pixel's colour. No bitmap
  // restores the built-in one; another size raises "Invalid bookmark
  // bitmap (must be 10 x 200 px)" and keeps the old one.
  const THexBitmap& BookmarkBitmap() const { return FBookmarkBitmap; }
  void SetBookmarkBitmap(const THexBitmap* value);
  bool OwnBookmarkBitmap() const { return FOwnBookmarkBitmap; }
  // Counts the bitmap's changes, so a painter knows when to refresh.
  int BookmarkImagesVersion() const { return FBookmarkImagesVersion; }
  // Pixel (x, y) of image 0..19; false where it is transparent.
  bool BookmarkImagePixel(int image, int x, int y, TColor& color) const;

private:
  THexColors FColors;
  THexSystemColors FSystemColors;
  TColor FFontColor = clWindowText;
  THexCaretKind FCaretKind = ckAuto;
  THexPaintOptions FOptions;
  THexBitmap FBookmarkBitmap = BuiltInBookmarkBitmap();
  bool FOwnBookmarkBitmap = false;
  int FBookmarkImagesVersion = 0;

  void Changed(THexAppearanceChange change) {
    if (OnChanged) OnChanged(change);
  }
  template <class T>
  void SetSwitch(T& setting, const T& value, THexAppearanceChange change) {
    if (setting == value) return;
    setting = value;
    Changed(change);
  }
};
