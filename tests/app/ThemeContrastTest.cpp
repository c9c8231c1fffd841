// Every text of the window, its dialogs and its find bar stands out from
// its background by at least 4.5:1, on a dark palette (the one the
// editor's tests use, with the window roles of the same scheme) as on the
// default one, and after the palette changes under a running window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "app/AboutUnit.h"
#include "app/EditCommands.h"
#include "app/ReadableColors.h"
#include "app/TextQueryDialog.h"
#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"
#include "tests/app/MainFormHarness.h"

namespace {

QPalette DarkPalette() {
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::Dark, QColor(0x14, 0x14, 0x14));
  dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::ButtonText, Qt::white);
  return dark;
}

// The application palette for the length of a test.
struct TPaletteScope {
  explicit TPaletteScope(const QPalette& palette) : Was(QApplication::palette()) {
    QApplication::setPalette(palette);
  }
  ~TPaletteScope() { QApplication::setPalette(Was); }
  QPalette Was;
};

// Every label under `root` that shows a text (on any page), measured as
// it is drawn: its text colour against its window colour.
void ExpectReadable(QWidget& root, const char* where) {
  int measured = 0;
  for (QLabel* label : root.findChildren<QLabel*>()) {
    if (label->text().isEmpty() || label->isHidden()) continue;
    label->ensurePolished();
    const QPalette& p = label->palette();
    const QColor text = p.color(QPalette::Active, label->foregroundRole());
    const QColor back = p.color(QPalette::Active, label->backgroundRole());
    EXPECT_GE(ColorContrast(text, back), MinimumContrast)
        << where << ": " << label->objectName().toStdString() << " \""
        << label->text().toStdString() << "\" " << text.name().toStdString() << " on "
        << back.name().toStdString();
    ++measured;
  }
  EXPECT_GT(measured, 0) << where;
}

// What the window shows with every coloured text on screen: a status, a
// chip id, and the flash page's find bar with a refused text.
void ShowColouredTexts(TMainForm& f) {
  f.Editor(ikFlash)->ResetData();
  f.Editor(ikFlash)->SetDataSize(64);
  f.UpdateActions();
  f.show();
  f.CardHost().SetStatusText("Programming error.");
  f.CardHost().SetChipIdText("AT90S8515");
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  THexFindBar* bar = Named<TEditCommands>(f, "EditCommands")->FindBar(ikFlash);
  bar->OpenFind();
  bar->edFind->setText("zz");
  bar->FindNext();
  ASSERT_FALSE(bar->Note().isEmpty()) << "a refused text";
  RunUntilIdle();
}

void ExpectDialogsReadable() {
  TTextQuery query;
  query.Title = "Go to Offset";
  query.Label = "&Offset:";
  query.Note = "Hex as 0x1F0 or 1F0h.";
  query.Check = [](const QString&) { return QStringLiteral("Offset out of range."); };
  TTextQueryDialog dialog(query);
  dialog.show();
  dialog.accept();
  ASSERT_FALSE(dialog.Message().isEmpty());
  ExpectReadable(dialog, "go to");
  TAboutForm about(CompiledVersionRecord(), nullptr);
  about.show();
  ExpectReadable(about, "about");
}

TEST(ThemeContrast, EveryTextIsReadableOnADarkPalette) {
  TestApp();
  const TPaletteScope scope(DarkPalette());
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  ShowColouredTexts(f);
  ExpectReadable(f, "main window");
  ExpectDialogsReadable();
}

TEST(ThemeContrast, LightPaletteKeepsTheDesignedColoursAndDarkOneFollowsAtOnce) {
  TestApp();
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  ShowColouredTexts(f);
  ExpectReadable(f, "main window, light");
  ExpectDialogsReadable();
  const auto textOf = [](QLabel* label) {
    return label->palette().color(QPalette::Active, label->foregroundRole());
  };
  EXPECT_EQ(textOf(Named<QLabel>(f, "StatusPanel")), QColor(0x00, 0x00, 0x80))
      << "navy on a light window";
  EXPECT_EQ(textOf(Named<QLabel>(f, "chipidLabel")), QColor(0x00, 0x00, 0x80));
  {
    // The desktop changes to a dark scheme while the window is open.
    const TPaletteScope scope(DarkPalette());
    RunUntilIdle();
    ExpectReadable(f, "main window, turned dark");
    EXPECT_NE(textOf(Named<QLabel>(f, "StatusPanel")), QColor(0x00, 0x00, 0x80));
  }
  RunUntilIdle();
  EXPECT_EQ(textOf(Named<QLabel>(f, "StatusPanel")), QColor(0x00, 0x00, 0x80)) << "and back";
}

// The choice itself: the designed colour where it reads, else the nearest
// one of its hue that does, on light and dark backgrounds alike.
TEST(ThemeContrast, ReadableColorKeepsTheHueAndReachesTheContrast) {
  const QColor navy(0x00, 0x00, 0x80);
  EXPECT_EQ(ReadableColor(navy, QColor(0xef, 0xef, 0xef)), navy);
  for (int grey = 0; grey <= 255; grey += 5) {
    const QColor back(grey, grey, grey);
    for (const QColor wanted : {navy, QColor(Qt::blue), QColor(0xC0, 0x00, 0x00)}) {
      const QColor got = ReadableColor(wanted, back);
      // Mid greys admit no colour at 4.5:1 beside black and white.
      const double best = std::max(ColorContrast(Qt::white, back), ColorContrast(Qt::black, back));
      EXPECT_GE(ColorContrast(got, back), std::min(MinimumContrast, best))
          << wanted.name().toStdString() << " on " << back.name().toStdString();
      if (got != Qt::white && got != Qt::black && got.hslSaturation() > 0) {
        EXPECT_NEAR(got.hslHue(), wanted.hslHue(), 2) << back.name().toStdString();
      }
    }
  }
}

}  // namespace
