#pragma once
// THexQtPainter: draws the editor core's paint decisions with a QPainter.
//
// Without a host cell hook it batches: fills are drawn as they come, and
// only where they change a pixel (a cell's area still shows the control
// colour the paint started with); every glyph that fits its text box goes
// into one glyph run per colour; lines, frames and icons follow in their
// order after the glyphs. Cells never overlap and a batched glyph stays in
// its box, so the pixels are those of drawing cell by cell. Glyphs that
// would leave their box, and characters the font lacks, are drawn at once,
// clipped to the box, through QPainter's text drawing (with font fallback).
// With a host cell hook everything is drawn at once, in order, so the
// host's own drawing lands between the editor's as it expects.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QVector>
#include <array>
#include <unordered_map>
#include <vector>

#include "hexedit/core/HexAppearance.h"

inline QColor ToQColor(TColor rgb) {
  return QColor(int(RedOf(rgb)), int(GreenOf(rgb)), int(BlueOf(rgb)));
}
inline QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect ToTRect(const QRect& r) {
  return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Glyphs of the editor font, looked up once per character.
class THexGlyphCache {
public:
  struct TGlyph {
    quint32 Index = 0;  // 0: the font lacks the character
    qreal Advance = 0;
    bool FitsBox = false;  // stays inside a CharWidth x RowHeight box
  };
  // Forgets everything; the next lookups use this font and box.
  void Reset(const QFont& font, int charWidth, int rowHeight);
  const TGlyph& Lookup(char16_t ch);
  const QRawFont& RawFont() const { return FRaw; }
  int Ascent() const { return FAscent; }

private:
  QRawFont FRaw;
  int FAscent = 0;
  int FCharWidth = 0;
  int FRowHeight = 0;
  std::array<TGlyph, 256> FLatin{};
  std::array<bool, 256> FLatinKnown{};
  std::unordered_map<char16_t, TGlyph> FOther;
  TGlyph Measure(char16_t ch) const;
};

// The twenty bookmark images of an editor, as pictures with transparency.
class THexBookmarkImages {
public:
  const QImage& Image(const THexAppearance& appearance, int index);

private:
  int FVersion = -1;
  std::array<QImage, 20> FImages;
};

class THexQtPainter final : public THexPainter {
public:
  // surface: the colour the painted area was filled with before the paint.
  THexQtPainter(QPainter& painter, const QFont& font, THexGlyphCache& glyphs,
                THexBookmarkImages& icons, const THexAppearance& appearance, QColor surface,
                bool immediate);

  void FillRect(const TRect& rect, TColor color) override;
  void DrawCellText(const TRect& cell, const TRect& textBox, const THexCellText& text) override;
  void DrawLine(const THexLine& line) override;
  void DrawFocusRect(const TRect& rect) override;
  void FrameRect(const TRect& rect, TColor color) override;
  void DrawBookmark(int image, int x, int y) override;
  void BeforeCellHook(const THexCellText& text) override;
  void EndPaint() override;

private:
  struct TRun {
    QRgb Color;
    QVector<quint32> Glyphs;
    QVector<QPointF> Positions;
  };
  enum TDeferredKind { dkLine, dkFocus, dkFrame, dkIcon };
  struct TDeferred {
    TDeferredKind Kind;
    QRect Rect;
    QColor Color;
    int Image;
  };

  QPainter& FPainter;
  QFont FFont;
  THexGlyphCache& FGlyphs;
  THexBookmarkImages& FIcons;
  const THexAppearance& FAppearance;
  QRgb FSurface;
  bool FImmediate;
  std::vector<TRun> FRuns;
  std::vector<TDeferred> FDeferred;

  void AddGlyph(QRgb color, quint32 glyph, QPointF at);
  // QPainter's own text drawing, clipped to box, baseline at y.
  void DrawTextClipped(const QRect& box, qreal x, qreal y, const QString& text, TColor color);
  void DoLine(const QRect& r, const QColor& c);
  void DoFocus(const QRect& r);
  void DoFrame(const QRect& r, const QColor& c);
  void DoIcon(int image, QPoint at);
};
