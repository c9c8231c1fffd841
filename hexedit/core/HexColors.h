#pragma once
// Colours of the hex editor, in plain C++.
//
// TColor encodes an explicit colour as 0x00BBGGRR, or a named system
// colour as clSystemColor | index. System colours are turned into RGB by
// a THexSystemColors table, which the widget fills from its palette.
// Inverting a colour XORs its RGB value with 0xFFFFFF; graying replaces it
// by the gray of weights 74, 146 and 36 (out of 256) in all three channels.

#include <cstdint>
#include <functional>

using TColor = uint32_t;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor RGBColor(unsigned r, unsigned g, unsigned b) {
  return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr unsigned RedOf(TColor c) { return c & 0xFF; }
constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(TColor c) { return (c >> 16) & 0xFF; }

// The RGB values of the system colours the editor names. The defaults are
// the classic desktop scheme; the widget replaces them by its palette's.
struct THexSystemColors {
  TColor Window = 0xFFFFFF;
  TColor WindowText = 0x000000;
  TColor BtnFace = 0xC8D0D4;
  TColor BtnShadow = 0x808080;
  TColor BtnHighlight = 0xFFFFFF;

  // The RGB value of any colour: a system colour by this table (an unknown
  // one reads as black), an explicit colour as it is.
  TColor ToRGB(TColor c) const;
  bool operator==(const THexSystemColors&) const = default;
};

constexpr TColor InvertColor(TColor rgb) { return (rgb & 0xFFFFFF) ^ 0xFFFFFF; }
constexpr TColor GrayColor(TColor rgb) {
  const unsigned g = (74 * RedOf(rgb) + 146 * GreenOf(rgb) + 36 * BlueOf(rgb)) / 256;
  return RGBColor(g, g, g);
}

// Objects that can take their values from another object.
class THexPersistent {
public:
  virtual ~THexPersistent() = default;
  // Copies what it can from source; the base copies nothing.
  virtual void Assign(const THexPersistent* /*source*/) {}
};

// The editor's colour set. A set that belongs to an editor repaints it on
// every change through OnChanged (Background is also the editor's own
// colour).
class THexColors : public THexPersistent {
public:
  THexColors() = default;
  // A copy takes the colours only; it belongs to no editor.
  THexColors(const THexColors& other);
  THexColors& operator=(const THexColors&) = delete;

  // Takes the twelve colours of another THexColors through the setters;
  // any other source is ignored.
  void Assign(const THexPersistent* source) override;

  // In the published order.
  TColor Background() const { return FBackground; }
  void SetBackground(TColor value);
  TColor ChangedBackground() const { return FChangedBackground; }
  void SetChangedBackground(TColor value);
  TColor ChangedText() const { return FChangedText; }
  void SetChangedText(TColor value);
  TColor CursorFrame() const { return FCursorFrame; }
  void SetCursorFrame(TColor value);
  TColor Offset() const { return FOffset; }
  void SetOffset(TColor value);
  TColor OddColumn() const { return FOddColumn; }
  void SetOddColumn(TColor value);
  TColor EvenColumn() const { return FEvenColumn; }
  void SetEvenColumn(TColor value);
  TColor CurrentOffsetBackground() const { return FCurrentOffsetBackground; }
  void SetCurrentOffsetBackground(TColor value);
  TColor OffsetBackGround() const { return FOffsetBackGround; }
  void SetOffsetBackGround(TColor value);
  TColor CurrentOffset() const { return FCurrentOffset; }
  void SetCurrentOffset(TColor value);
  TColor Grid() const { return FGrid; }
  void SetGrid(TColor value);
  TColor NonFocusCursorFrame() const { return FNonFocusCursorFrame; }
  void SetNonFocusCursorFrame(TColor value);

  // Whether both sets hold the same twelve colours.
  bool SameColors(const THexColors& other) const;

  // Called after every change of a colour.
  std::function<void()> OnChanged;

private:
  TColor FBackground = clWindow;
  TColor FChangedBackground = 0xA8FFFF;
  TColor FChangedText = clMaroon;
  TColor FCursorFrame = clNavy;
  TColor FOffset = clBlack;
  TColor FOddColumn = clBlue;
  TColor FEvenColumn = clNavy;
  TColor FCurrentOffsetBackground = clBtnShadow;
  TColor FOffsetBackGround = clBtnFace;
  TColor FCurrentOffset = clBtnHighlight;
  TColor FGrid = clBtnFace;
  TColor FNonFocusCursorFrame = clAqua;

  void Set(TColor& field, TColor value);
};

// The relative luminance (0..1) of an RGB colour, and the contrast ratio
// of two (1..21), as the usual readability rules measure them.
double Luminance(TColor rgb);
double ContrastRatio(TColor a, TColor b);
// A dark scheme: the window colour is darker than its text.
bool IsDarkScheme(const THexSystemColors& system);
// a and b mixed, weight (0..1) of b.
TColor MixColors(TColor a, TColor b, double weight);
// The default colours for a dark scheme: the fixed dark text colours of
// the default set (blue and navy columns, black offsets, maroon on pale
// yellow for changes) become light ones mixed from the scheme's text
// colour, so that every text stays readable; the system colours stay.
void SetDarkSchemeDefaults(THexColors& colors, const THexSystemColors& system);
