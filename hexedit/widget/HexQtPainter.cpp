#include "hexedit/widget/HexQtPainter.h"

#include <QFontMetrics>
#include <QGlyphRun>

// ---- Glyphs ---------------------------------------------------------------

void THexGlyphCache::Reset(const QFont& font, int charWidth, int rowHeight) {
  FRaw = QRawFont::fromFont(font);
  FAscent = QFontMetrics(font).ascent();
  FCharWidth = charWidth;
  FRowHeight = rowHeight;
  FLatinKnown.fill(false);
  FOther.clear();
}

THexGlyphCache::TGlyph THexGlyphCache::Measure(char16_t ch) const {
  TGlyph g;
  if (!FRaw.isValid()) return g;
  const QVector<quint32> idx = FRaw.glyphIndexesForString(QString(QChar(ch)));
  if (idx.size() != 1 || idx[0] == 0) return g;
  g.Index = idx[0];
  const QVector<QPointF> adv = FRaw.advancesForGlyphIndexes(idx);
  g.Advance = adv.isEmpty() ? 0 : adv[0].x();
  // Relative to the pen on the baseline; the box spans the row from the
  // text's top, so the baseline lies Ascent below the box's top.
  const QRectF box = FRaw.boundingRect(g.Index);
  g.FitsBox = box.isEmpty() || (box.left() >= 0 && box.right() <= FCharWidth &&
                                box.top() >= -FAscent && box.bottom() <= FRowHeight - FAscent);
  return g;
}

const THexGlyphCache::TGlyph& THexGlyphCache::Lookup(char16_t ch) {
  if (ch < 256) {
    if (!FLatinKnown[ch]) {
      FLatin[ch] = Measure(ch);
      FLatinKnown[ch] = true;
    }
    return FLatin[ch];
  }
  auto it = FOther.find(ch);
  if (it == FOther.end()) it = FOther.emplace(ch, Measure(ch)).first;
  return it->second;
}

// ---- Bookmark images ------------------------------------------------------

const QImage& THexBookmarkImages::Image(const THexAppearance& appearance, int index) {
  if (FVersion != appearance.BookmarkImagesVersion()) {
    FVersion = appearance.BookmarkImagesVersion();
    for (int i = 0; i < 20; ++i) {
      QImage img(BookmarkIconSize, BookmarkIconSize, QImage::Format_ARGB32_Premultiplied);
      img.fill(Qt::transparent);
      for (int y = 0; y < BookmarkIconSize; ++y)
        for (int x = 0; x < BookmarkIconSize; ++x) {
          TColor c = 0;
          if (appearance.BookmarkImagePixel(i, x, y, c)) img.setPixelColor(x, y, ToQColor(c));
        }
      FImages[size_t(i)] = img;
    }
  }
  return FImages[size_t(std::clamp(index, 0, 19))];
}

// ---- The painter ----------------------------------------------------------

THexQtPainter::THexQtPainter(QPainter& painter, const QFont& font, THexGlyphCache& glyphs,
                             THexBookmarkImages& icons, const THexAppearance& appearance,
                             QColor surface, bool immediate)
    : FPainter(painter),
      FFont(font),
      FGlyphs(glyphs),
      FIcons(icons),
      FAppearance(appearance),
      FSurface(surface.rgb()),
      FImmediate(immediate) {
  FPainter.setFont(FFont);
}

void THexQtPainter::FillRect(const TRect& rect, TColor color) {
  if (!rect.IsEmpty()) FPainter.fillRect(ToQRect(rect), ToQColor(color));
}

void THexQtPainter::AddGlyph(QRgb color, quint32 glyph, QPointF at) {
  for (TRun& run : FRuns)
    if (run.Color == color) {
      run.Glyphs.append(glyph);
      run.Positions.append(at);
      return;
    }
  FRuns.push_back(TRun{color, {glyph}, {at}});
}

void THexQtPainter::DrawTextClipped(const QRect& box, qreal x, qreal y, const QString& text,
                                    TColor color) {
  if (text.isEmpty() || box.isEmpty()) return;
  FPainter.save();
  FPainter.setClipRect(box, Qt::IntersectClip);
  FPainter.setPen(ToQColor(color));
  FPainter.drawText(QPointF(x, y), text);
  FPainter.restore();
}

void THexQtPainter::DrawCellText(const TRect& cellRect, const TRect& textBox,
                                 const THexCellText& t) {
  const QRect cell = ToQRect(cellRect), box = ToQRect(textBox);
  const qreal baseline = box.top() + FGlyphs.Ascent();
  // Only QPainter's own text drawing needs the text as a QString; batched
  // glyphs do not, so it is made only where that drawing is used.
  auto text = [&t] { return QString::fromStdU16String(t.Text); };

  if (FImmediate) {
    FPainter.fillRect(cell, ToQColor(t.CellBackground));
    FPainter.fillRect(box, ToQColor(t.TextBackground));
    const QString s = text();
    qreal x = box.left();
    if (t.RightAligned) x = box.left() + box.width() - QFontMetrics(FFont).horizontalAdvance(s) - 4;
    DrawTextClipped(box, x, baseline, s, t.TextColor);
    return;
  }

  // The cell shows the control colour until something is drawn on it.
  if (ToQColor(t.CellBackground).rgb() != FSurface)
    FPainter.fillRect(cell, ToQColor(t.CellBackground));
  if (t.TextBackground != t.CellBackground) FPainter.fillRect(box, ToQColor(t.TextBackground));
  if (t.Text.empty()) return;

  const QRgb color = ToQColor(t.TextColor).rgb();
  if (!t.RightAligned) {
    const THexGlyphCache::TGlyph* g = t.Text.size() == 1 ? &FGlyphs.Lookup(t.Text[0]) : nullptr;
    if (g != nullptr && g->Index != 0 && g->FitsBox && box.width() >= 0)
      AddGlyph(color, g->Index, QPointF(box.left(), baseline));
    else
      DrawTextClipped(box, box.left(), baseline, text(), t.TextColor);
    return;
  }
  // Right-aligned (the gutter): batched when every glyph is known and the
  // whole text fits the box.
  qreal width = 0;
  bool known = true;
  for (char16_t ch : t.Text) {
    const THexGlyphCache::TGlyph& g = FGlyphs.Lookup(ch);
    known = known && g.Index != 0 && g.FitsBox;
    width += g.Advance;
  }
  const qreal x = box.left() + box.width() - width - 4;
  if (!known || x < box.left()) {
    const QString s = text();
    DrawTextClipped(box, box.left() + box.width() - QFontMetrics(FFont).horizontalAdvance(s) - 4,
                    baseline, s, t.TextColor);
    return;
  }
  qreal pen = x;
  for (char16_t ch : t.Text) {
    const THexGlyphCache::TGlyph& g = FGlyphs.Lookup(ch);
    AddGlyph(color, g.Index, QPointF(pen, baseline));
    pen += g.Advance;
  }
}

void THexQtPainter::DrawLine(const THexLine& l) {
  // As a 1 px rectangle: from the first point up to, not including, the
  // second.
  QRect r;
  if (l.X1 == l.X2)
    r = l.Y2 >= l.Y1 ? QRect(l.X1, l.Y1, 1, l.Y2 - l.Y1) : QRect(l.X1, l.Y2 + 1, 1, l.Y1 - l.Y2);
  else if (l.Y1 == l.Y2)
    r = l.X2 >= l.X1 ? QRect(l.X1, l.Y1, l.X2 - l.X1, 1) : QRect(l.X2 + 1, l.Y1, l.X1 - l.X2, 1);
  else
    r = QRect(QPoint(l.X1, l.Y1), QPoint(l.X2, l.Y2)).normalized();
  if (FImmediate)
    DoLine(r, ToQColor(l.Color));
  else
    FDeferred.push_back(TDeferred{dkLine, r, ToQColor(l.Color), 0});
}

void THexQtPainter::DrawFocusRect(const TRect& rect) {
  if (FImmediate)
    DoFocus(ToQRect(rect));
  else
    FDeferred.push_back(TDeferred{dkFocus, ToQRect(rect), QColor(), 0});
}

void THexQtPainter::FrameRect(const TRect& rect, TColor color) {
  if (FImmediate)
    DoFrame(ToQRect(rect), ToQColor(color));
  else
    FDeferred.push_back(TDeferred{dkFrame, ToQRect(rect), ToQColor(color), 0});
}

void THexQtPainter::DrawBookmark(int image, int x, int y) {
  if (FImmediate)
    DoIcon(image, QPoint(x, y));
  else
    FDeferred.push_back(
        TDeferred{dkIcon, QRect(x, y, BookmarkIconSize, BookmarkIconSize), QColor(), image});
}

void THexQtPainter::BeforeCellHook(const THexCellText& t) {
  FPainter.setBrush(ToQColor(t.CellBackground));
  FPainter.setPen(ToQColor(t.TextColor));
  FPainter.setBackground(ToQColor(t.TextBackground));
  FPainter.setFont(FFont);
}

void THexQtPainter::DoLine(const QRect& r, const QColor& c) {
  if (!r.isEmpty()) FPainter.fillRect(r, c);
}

void THexQtPainter::DoFocus(const QRect& r) {
  // Every other pixel of the outline, inverted.
  if (r.width() <= 0 || r.height() <= 0) return;
  FPainter.save();
  FPainter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  const int l = r.left(), t = r.top(), rr = r.left() + r.width() - 1, b = r.top() + r.height() - 1;
  int i = 0;
  auto dot = [&](int x, int y) {
    if (i++ % 2 == 0) FPainter.fillRect(QRect(x, y, 1, 1), Qt::white);
  };
  for (int x = l; x <= rr; ++x) dot(x, t);
  for (int y = t + 1; y <= b; ++y) dot(rr, y);
  for (int x = rr - 1; x >= l && b > t; --x) dot(x, b);
  for (int y = b - 1; y > t && rr > l; --y) dot(l, y);
  FPainter.restore();
}

void THexQtPainter::DoFrame(const QRect& r, const QColor& c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const int w = r.width(), h = r.height();
  FPainter.fillRect(QRect(r.left(), r.top(), w, 1), c);
  FPainter.fillRect(QRect(r.left(), r.top() + h - 1, w, 1), c);
  FPainter.fillRect(QRect(r.left(), r.top(), 1, h), c);
  FPainter.fillRect(QRect(r.left() + w - 1, r.top(), 1, h), c);
}

void THexQtPainter::DoIcon(int image, QPoint at) {
  FPainter.drawImage(at, FIcons.Image(FAppearance, image));
}

void THexQtPainter::EndPaint() {
  for (const TRun& run : FRuns) {
    QGlyphRun glyphs;
    glyphs.setRawFont(FGlyphs.RawFont());
    glyphs.setGlyphIndexes(run.Glyphs);
    glyphs.setPositions(run.Positions);
    FPainter.setPen(QColor::fromRgb(run.Color));
    FPainter.drawGlyphRun(QPointF(0, 0), glyphs);
  }
  FRuns.clear();
  for (const TDeferred& d : FDeferred) {
    switch (d.Kind) {
      case dkLine: DoLine(d.Rect, d.Color); break;
      case dkFocus: DoFocus(d.Rect); break;
      case dkFrame: DoFrame(d.Rect, d.Color); break;
      case dkIcon: DoIcon(d.Image, d.Rect.topLeft()); break;
    }
  }
  FDeferred.clear();
}
