// The component as a whole: a fresh editor's state and defaults, setters
// that refuse or change nothing, Version, the host's hooks, and the
// set-up the main window makes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>

#include "hexedit/widget/HexEditor.h"

namespace {

TEST(HexEditorProperties, FreshEditorOnceItsWindowExists) {
  THexEditor ed;
  EXPECT_EQ(ed.FileTitle(), "---");
  ed.setAttribute(Qt::WA_DontShowOnScreen);
  ed.show();
  EXPECT_EQ(ed.FileTitle(), "Untitled");
  EXPECT_EQ(ed.DataSize(), 0);
  EXPECT_FALSE(ed.Modified());
  EXPECT_EQ(ed.Core().Layout().RowCount(), 3);
  EXPECT_EQ(ed.Core().Layout().ColCount(), 51);
  EXPECT_EQ(ed.Core().CaretCell(), (TGridCoord{2, 2}));
  EXPECT_EQ(ed.SelCount(), 0);
  EXPECT_EQ(ed.Core().SelectionAnchor(), -1);
  EXPECT_EQ(ed.Core().Selection().ExtendOrigin, -1);
  EXPECT_FALSE(ed.Core().Selection().Selecting);
  for (int i = 0; i < HexBookmarkCount; ++i)
    EXPECT_EQ(ed.Core().Document().Bookmark(i).Position, -1);
  EXPECT_EQ(ed.Core().Document().UndoStorage().EntryCount(), 0);
}

TEST(HexEditorProperties, PublishedDefaults) {
  THexEditor ed;
  EXPECT_EQ(ed.BytesPerRow(), 16);
  EXPECT_EQ(ed.BytesPerColumn(), 2);
  EXPECT_EQ(ed.Translation(), tkAsIs);
  EXPECT_EQ(ed.OffsetFormat(), "-!10:0x|");
  EXPECT_EQ(ed.CaretKind(), ckAuto);
  EXPECT_EQ(ed.Colors().Background(), clWindow);
  EXPECT_TRUE(ed.FocusFrame());
  EXPECT_FALSE(ed.SwapNibbles());
  EXPECT_EQ(ed.MaskChar(), QChar('.'));
  EXPECT_FALSE(ed.NoSizeChange());
  EXPECT_TRUE(ed.AllowInsertMode());
  EXPECT_FALSE(ed.DrawGridLines());
  EXPECT_TRUE(ed.WantTabs());
  EXPECT_FALSE(ed.ReadOnlyView());
  EXPECT_FALSE(ed.HideSelection());
  EXPECT_FALSE(ed.GraySelectionIfNotFocused());
  EXPECT_EQ(ed.GutterWidth(), -1);
  EXPECT_FALSE(ed.Core().Appearance().OwnBookmarkBitmap());
  EXPECT_EQ(ed.BookmarkBitmap().size(), QSize(200, 10));
  EXPECT_EQ(ed.MaxUndo(), 1048576);
  EXPECT_FALSE(ed.InsertMode());
  EXPECT_FALSE(ed.HexLowerCase());
  EXPECT_TRUE(ed.DrawGutter3D());
  EXPECT_FALSE(ed.ShowRuler());
  EXPECT_EQ(ed.BytesPerUnit(), 1);
  EXPECT_EQ(ed.RulerBytesPerUnit(), -1);
  EXPECT_FALSE(ed.ShowPositionIfNotFocused());
  EXPECT_FALSE(ed.UnicodeChars());
  EXPECT_FALSE(ed.UnicodeBigEndian());
  EXPECT_EQ(ed.BytesPerBlock(), -1);
  EXPECT_TRUE(ed.SeparateBlocksInCharField());
  EXPECT_FALSE(ed.FindProgress());
  EXPECT_FALSE(static_cast<bool>(ed.OnProgress()));
  EXPECT_EQ(ed.ScrollBars(), ssBoth);
  EXPECT_EQ(ed.BorderStyle(), bsSingle);
  EXPECT_EQ(ed.font().family(), "Liberation Mono");
  EXPECT_EQ(ed.font().pointSize(), 11);
  EXPECT_EQ(ed.viewport()->cursor().shape(), Qt::IBeamCursor);
  EXPECT_EQ(ed.Core().Document().FileTitle(), "---");
}

TEST(HexEditorProperties, UnchangedValuesChangeNothing) {
  THexEditor ed;
  ed.ResetData();
  ed.SetDataSize(100);
  int repaints = 0, sizes = 0;
  auto repaint = ed.Core().RequestRepaint;
  ed.Core().RequestRepaint = [&] {
    ++repaints;
    repaint();
  };
  auto sized = ed.Core().Layout().Grid().OnSizeChanged;
  ed.Core().Layout().Grid().OnSizeChanged = [&] {
    ++sizes;
    sized();
  };
  std::vector<int> widths;
  for (int c = 0; c < ed.Core().Layout().ColCount(); ++c)
    widths.push_back(ed.Core().Layout().Grid().ColWidth(c));
  ed.SetBytesPerColumn(2);
  ed.SetBytesPerRow(16);
  ed.SetBytesPerUnit(1);
  ed.SetShowRuler(false);
  ed.SetOffsetFormat("-!10:0x|");
  ed.SetSwapNibbles(false);
  EXPECT_EQ(repaints, 0);
  EXPECT_EQ(sizes, 0);
  for (int c = 0; c < ed.Core().Layout().ColCount(); ++c)
    EXPECT_EQ(ed.Core().Layout().Grid().ColWidth(c), widths[size_t(c)]);

  // Version is a constant; MaxUndo takes anything.
  const QString version = ed.Version();
  EXPECT_FALSE(version.isEmpty());
  ed.SetVersion("9.9");
  EXPECT_EQ(ed.Version(), version);
  for (int v : {-5, 0, 7, INT_MAX}) {
    ed.SetMaxUndo(v);
    EXPECT_EQ(ed.MaxUndo(), v);
  }
}

TEST(HexEditorProperties, RefusedValuesKeepTheOldOnes) {
  THexEditor ed;
  ed.ResetData();
  ed.SetDataSize(33);
  auto error = [](auto f) {
    try {
      f();
    } catch (const EHexEditor& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(error([&] { ed.SetBytesPerRow(0); }), "Invalid bytes per line argument");
  EXPECT_EQ(error([&] { ed.SetBytesPerColumn(300); }), "Invalid bytes per column argument");
  EXPECT_EQ(error([&] { ed.SetBytesPerUnit(3); }),
            "Invalid bytes per unit value 3, allowed: 1,2,4,8");
  EXPECT_EQ(error([&] { ed.SetRulerBytesPerUnit(5); }),
            "Invalid ruler bytes per unit value 5, allowed: -1,1,2,4,8");
  EXPECT_EQ(error([&] { ed.SetUnicodeChars(true); }),
            "Cannot use unicode mode with odd-sized files");
  EXPECT_EQ(error([&] { ed.SetSelStart(33); }), "Invalid selection start");
  EXPECT_EQ(error([&] { ed.ToggleBookmark(11, 0, false); }), "Invalid bookmark index");
  const QImage wrong(20, 10, QImage::Format_RGB32);
  EXPECT_EQ(error([&] { ed.SetBookmarkBitmap(&wrong); }),
            "Invalid bookmark bitmap (must be 10 x 200 px)");
  EXPECT_EQ(ed.BytesPerRow(), 16);
  EXPECT_EQ(ed.BytesPerColumn(), 2);
  EXPECT_EQ(ed.BytesPerUnit(), 1);
  EXPECT_EQ(ed.RulerBytesPerUnit(), -1);
  EXPECT_FALSE(ed.UnicodeChars());
  EXPECT_FALSE(ed.Core().Appearance().OwnBookmarkBitmap());
}

TEST(HexEditorProperties, HostOffsetTextsAndFrames) {
  THexEditor ed;
  ed.ResetData();
  ed.SetDataSize(64);
  const int automatic = ed.Core().Layout().Grid().ColWidth(0);
  ed.SetOnGetOffsetText([](TCustomHexEditor*, int64_t n, QString& text) {
    text = QStringLiteral("Zeile %1").arg(n / 16);
  });
  EXPECT_EQ(ed.Core().Layout().GetOffsetText(32), "Zeile 2");
  EXPECT_GT(ed.Core().Layout().Grid().ColWidth(0), automatic);
  ed.SetOnGetOffsetText(nullptr);
  EXPECT_EQ(ed.Core().Layout().Grid().ColWidth(0), automatic);
  ed.SetScrollBars(ssNone);
  EXPECT_EQ(ed.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(ed.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  ed.SetScrollBars(ssVertical);
  EXPECT_EQ(ed.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  ed.SetBorderStyle(bsNone);
  EXPECT_EQ(ed.frameShape(), QFrame::NoFrame);
}

TEST(HexEditorProperties, MainWindowSetUp) {
  // The flash editor as the main window makes it: two bytes a column and
  // a unit, 8 points, 0xFF fill; then an image loaded and edited.
  THexEditor flash;
  flash.SetFillByte(0xFF);
  flash.SetBytesPerColumn(2);
  flash.SetBytesPerUnit(2);
  QFont font = flash.font();
  font.setPointSize(8);
  flash.setFont(font);
  flash.setAttribute(Qt::WA_DontShowOnScreen);
  flash.show();
  flash.ResetData();
  flash.SetDataSize(8192);
  EXPECT_EQ(flash.PeekByte(8191), 0xFF);
  EXPECT_EQ(flash.BytesPerRow(), 16);
  EXPECT_EQ(flash.Core().Layout().RulerText().substr(0, 8), "00000001");
  EXPECT_EQ(flash.font().family(), "Liberation Mono");
  flash.SetInsertMode(true);
  flash.SetReadOnlyView(true);
  EXPECT_FALSE(flash.InsertMode());
  flash.SetReadOnlyView(false);
  EXPECT_TRUE(flash.InsertMode());
}

TEST(HexEditorProperties, DestroyedWithANoticePending) {
  QSignalSpy* spy = nullptr;
  {
    THexEditor ed;
    ed.ResetData();
    ed.SetDataSize(10);
    ed.SetSelStart(4);
    spy = new QSignalSpy(&ed, &TCustomHexEditor::selectionChanged);
    EXPECT_GT(ed.Core().PendingSelectionNotices(), 0);
  }
  QCoreApplication::processEvents();  // the queued notice dies with the editor
  delete spy;
}

}  // namespace
