// The widget rendered offscreen: colours at known pixels, the caret,
// scroll bars, the host's cell hook, and sizes and fonts that must not
// break it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include "hexedit/widget/HexEditor.h"

namespace {

const QColor Base(255, 255, 255), Text(0, 0, 0), Button(0xD4, 0xD0, 0xC8), Dark(0x80, 0x80, 0x80),
    Light(0xF8, 0xF8, 0xE8);

// An editor whose view is exactly w x h pixels, on a fixed palette.
struct TShownEditor {
  THexEditor Ed;

  TShownEditor(int w = 640, int h = 320) {
    QPalette pal = Ed.palette();
    pal.setColor(QPalette::Base, Base);
    pal.setColor(QPalette::Text, Text);
    pal.setColor(QPalette::Button, Button);
    pal.setColor(QPalette::Dark, Dark);
    pal.setColor(QPalette::Light, Light);
    Ed.setPalette(pal);
    Ed.setAttribute(Qt::WA_DontShowOnScreen);
    Ed.show();
    Resize(w, h);
  }
  void Resize(int w, int h) {
    Ed.resize(w, h);
    QCoreApplication::processEvents();
    Ed.resize(Ed.size() + (QSize(w, h) - Ed.viewport()->size()));
    QCoreApplication::processEvents();
  }
  QImage Render() {
    QImage img(Ed.viewport()->size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    Ed.viewport()->render(&img);
    return img;
  }
  TRect Cell(int col, int row) const { return Ed.Core().Layout().Grid().CellRect(col, row); }
};

QColor At(const QImage& img, int x, int y) { return img.pixelColor(x, y); }
QColor Inverted(const QColor& c) { return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()); }

}  // namespace

TEST(HexEditorPaint, ColoursWhereTheyAreFixed) {
  TShownEditor s;
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(64);
  for (int i = 0; i < 64; ++i) ed.PokeByte(i, uint8_t(i));
  ed.Core().ChangeByte(ed.PeekByte(5), 0xEE, 5);
  ed.Core().SelectRange(16, 21);
  const QImage img = s.Render();
  ASSERT_EQ(img.size(), QSize(640, 320));

  // Right of the grid and below it: the background; the gutter strip runs
  // down to the bottom.
  EXPECT_EQ(At(img, 630, 10), Base);
  EXPECT_EQ(At(img, 300, 300), Base);
  const int g = ed.Core().Layout().Grid().ColWidth(0);
  EXPECT_EQ(At(img, 2, 300), Button);
  EXPECT_EQ(At(img, 2, s.Cell(0, 3).Top + 1), Button);
  // The 3D edge: highlight on the gutter's last column, shadow after it.
  EXPECT_EQ(At(img, g - 1, 300), Light);
  EXPECT_EQ(At(img, g, 300), Dark);
  // The caret row's gutter cell (no focus, caret on byte 0).
  EXPECT_EQ(At(img, 2, s.Cell(0, 2).Top + 1), Dark);

  // A changed byte: the yellow text background under its digits (the
  // bottom line of the box carries no glyph).
  const TRect changed = s.Cell(ed.Core().Layout().PositionToCell(5, false).Col, 2);
  EXPECT_EQ(At(img, changed.Left + 1, changed.Bottom - 1), QColor(0xFF, 0xFF, 0xA8));
  const TRect changedChar = s.Cell(ed.Core().Layout().PositionToCell(5, true).Col, 2);
  EXPECT_EQ(At(img, changedChar.Left + 1, changedChar.Bottom - 1), QColor(0xFF, 0xFF, 0xA8));

  // The selection: inverted text background, and the gap after byte 17's
  // column group filled too; none after the last selected byte.
  const TRect sel = s.Cell(ed.Core().Layout().PositionToCell(17, false).Col + 1, 3);  // 2 w wide
  const int w = ed.Core().Layout().CharWidth();
  EXPECT_EQ(At(img, sel.Left + 1, sel.Bottom - 1), Inverted(Base));
  EXPECT_EQ(At(img, sel.Left + w + 2, sel.Bottom - 1), Inverted(Base));
  const TRect last = s.Cell(ed.Core().Layout().PositionToCell(21, false).Col + 1, 3);
  EXPECT_EQ(At(img, last.Left + w + 2, last.Bottom - 1), Base);
}

TEST(HexEditorPaint, CaretAndFrameWithTheFocus) {
  TShownEditor s;
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(64);
  ed.Core().MoveCaret(THexCaret{18, false, true});
  const TRect caret = s.Cell(ed.Core().CaretCell().Col, ed.Core().CaretCell().Row);
  const TRect twin = s.Cell(ed.Core().Layout().PositionToCell(18, true).Col, 3);
  QImage img = s.Render();
  EXPECT_EQ(At(img, caret.Left + 1, caret.Bottom - 3), Base);
  EXPECT_TRUE(ed.CaretRect().isEmpty());

  // With the focus: an inverting block over the caret cell (the zero
  // digit's middle stays untouched, so its corner shows the inversion),
  // a dotted frame on the twin, the caret row's ruler column highlighted.
  ed.Core().SetFocused(true);
  ed.SetShowRuler(true);
  const TRect caret2 = s.Cell(ed.Core().CaretCell().Col, ed.Core().CaretCell().Row);
  const TRect twin2 = s.Cell(ed.Core().Layout().PositionToCell(18, true).Col, 3);
  img = s.Render();
  EXPECT_EQ(ed.CaretRect(), QRect(caret2.Left, caret2.Top, ed.Core().Layout().CharWidth(),
                                  ed.Core().Layout().RowHeight() - 2));
  EXPECT_EQ(At(img, caret2.Left, caret2.Bottom - 3), Inverted(Base));
  EXPECT_EQ(At(img, twin2.Left, twin2.Top), Inverted(Base));  // first dot of the focus frame
  EXPECT_EQ(At(img, twin2.Left + 1, twin2.Top), Base);
  const TRect ruler = s.Cell(ed.Core().CaretCell().Col, 0);
  EXPECT_EQ(At(img, ruler.Left + 1, ruler.Bottom - 3), Dark);
  EXPECT_EQ(At(img, ruler.Left + 1, ruler.Bottom - 2), Light);  // the ruler's 3D edge
  EXPECT_EQ(At(img, ruler.Left + 1, ruler.Bottom - 1), Dark);

  // A bar in insert mode (ckAuto).
  ed.SetInsertMode(true);
  img = s.Render();
  EXPECT_EQ(ed.CaretRect().width(), 2);
  EXPECT_EQ(At(img, caret2.Left + 4, caret2.Bottom - 3), Base);
  (void)twin;
}

TEST(HexEditorPaint, ScrollBarsFollowTheGrid) {
  TShownEditor s(640, 150);
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(4096);
  QCoreApplication::processEvents();
  const THexGrid& grid = ed.Core().Layout().Grid();
  QScrollBar* v = ed.verticalScrollBar();
  EXPECT_EQ(v->maximum(), grid.MaxTopRow() - 2);
  EXPECT_EQ(v->pageStep(), grid.VisibleRowCount());
  v->setValue(100);
  EXPECT_EQ(grid.TopRow(), 102);
  const QImage img = s.Render();
  (void)img;
  EXPECT_EQ(ed.Core().DecideCell(0, 102).Text.Text, u"0x640");
  // The core scrolling moves the bar.
  ed.Core().Layout().Grid().SetTopRow(7);
  EXPECT_EQ(v->value(), 5);
  // Narrow: the columns scroll too.
  s.Resize(200, 150);
  EXPECT_GT(ed.horizontalScrollBar()->maximum(), 0);
}

TEST(HexEditorPaint, HostCellHookDrawsOnTheCanvas) {
  TShownEditor s;
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(32);
  int calls = 0;
  ed.OnDrawCell = [&](TCustomHexEditor* sender, QPainter* canvas, int col, int row, QString& text,
                      QRect& rect, bool& defaultDraw) {
    ++calls;
    EXPECT_EQ(sender, &ed);
    ASSERT_NE(canvas, nullptr);
    if (col == 2 && row == 2) {
      canvas->fillRect(rect, Qt::red);
      defaultDraw = false;
    }
    if (col == 0 && row == 3) text = QStringLiteral("row 1");
  };
  const QImage img = s.Render();
  const TRect hooked = s.Cell(2, 2);
  EXPECT_EQ(At(img, hooked.Left + 1, hooked.Top + 1), QColor(Qt::red));
  EXPECT_GT(calls, 32 * 2);
  // Without the hook the cell is the editor's again.
  ed.OnDrawCell = nullptr;
  EXPECT_EQ(At(s.Render(), hooked.Left + 1, hooked.Bottom - 1), Base);
}

TEST(HexEditorPaint, AnySizeAndFontDrawsSafely) {
  TShownEditor s(300, 200);
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(1000);
  ed.Core().SetFocused(true);
  ed.SetShowRuler(true);
  ed.SetDrawGridLines(true);
  for (int px : {1, 2, 5, 40, 200}) {
    QFont f = ed.font();
    f.setPixelSize(px);
    ed.setFont(f);
    for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(7, 500), QSize(500, 3), QSize(300, 200)}) {
      s.Resize(size.width(), size.height());
      const QImage img = s.Render();
      if (!img.isNull()) {
        // Every pixel was painted (none keeps the magenta fill).
        bool untouched = false;
        for (int y = 0; y < img.height() && !untouched; ++y)
          for (int x = 0; x < img.width() && !untouched; ++x)
            untouched = img.pixelColor(x, y) == QColor(Qt::magenta);
        EXPECT_FALSE(untouched) << px << " px font, " << size.width() << "x" << size.height();
      }
    }
  }
  EXPECT_GE(ed.Core().Layout().CharWidth(), 0);
}

TEST(HexEditorPaint, OwnBookmarkIcons) {
  TShownEditor s;
  THexEditor& ed = s.Ed;
  ed.ResetData();
  ed.SetDataSize(64);
  ed.Core().ToggleBookmark(2, 20, false);
  QImage icons(200, 10, QImage::Format_RGB32);
  icons.fill(Qt::green);                                   // the top-left colour: transparent
  QPainter(&icons).fillRect(QRect(21, 1, 8, 8), Qt::red);  // icon 2's middle
  ed.SetBookmarkBitmap(&icons);
  EXPECT_TRUE(ed.Core().Appearance().OwnBookmarkBitmap());
  const TRect gutter = s.Cell(0, 3);
  const int top = gutter.Top + (gutter.Height() - 10) / 2;
  QImage img = s.Render();
  EXPECT_EQ(At(img, gutter.Left + 3 + 4, top + 4), QColor(Qt::red));
  EXPECT_EQ(At(img, gutter.Left + 3, top), Button);  // transparent corner

  QImage wrong(10, 200, QImage::Format_RGB32);
  EXPECT_THROW(ed.SetBookmarkBitmap(&wrong), EHexEditor);
  EXPECT_TRUE(ed.Core().Appearance().OwnBookmarkBitmap());
  ed.SetBookmarkBitmap(nullptr);
  img = s.Render();
  EXPECT_EQ(At(img, gutter.Left + 3 + 1, top + 1), QColor(Qt::yellow));  // built-in, hex field
}
