// The widget over the core: window creation, the queued selection notice,
// the data interface of the main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>

#include "hexedit/widget/HexEditor.h"

namespace {

class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "hexedit_widget_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) App = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete App;
    App = nullptr;
  }
  QApplication* App = nullptr;
};
[[maybe_unused]] auto* const Env = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

TEST(HexEditorWidget, SelectionNoticeArrivesOnceAfterTheLoopTurns) {
  THexEditor ed;
  ed.ResetData();
  ed.SetDataSize(64);
  QCoreApplication::processEvents();
  QSignalSpy spy(&ed, &TCustomHexEditor::selectionChanged);
  ed.Core().SetSelStart(3);
  ed.Core().SetSelEnd(20);
  ed.Core().SetSelStart(7);
  ed.Core().NotifyChange();
  EXPECT_EQ(spy.count(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.count(), 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.count(), 1);
  ed.Core().SetSelStart(8);
  QCoreApplication::processEvents();
  EXPECT_EQ(spy.count(), 2);
}

TEST(HexEditorWidget, ShowingEmptiesOnlyAnEditorNobodyFilled) {
  THexEditor fresh;
  QSignalSpy changes(&fresh, &TCustomHexEditor::changed);
  fresh.show();
  EXPECT_EQ(fresh.FileTitle(), "Untitled");
  EXPECT_EQ(changes.count(), 1);

  THexEditor sized;
  sized.SetFillByte(0xFF);
  sized.SetDataSize(128);
  sized.show();
  EXPECT_EQ(sized.DataSize(), 128);
  EXPECT_EQ(sized.PeekByte(127), 0xFF);
}

TEST(HexEditorWidget, MainWindowDataInterface) {
  THexEditor ed;
  ed.SetFillByte(0xFF);
  ed.SetBytesPerColumn(1);
  ed.SetBytesPerUnit(2);
  ed.ResetData();
  ed.SetDataSize(8192);
  EXPECT_EQ(ed.FillByte(), 0xFF);
  EXPECT_EQ(ed.BytesPerColumn(), 1);
  EXPECT_EQ(ed.BytesPerUnit(), 2);
  ed.DataPointer()[0] = 0x0C;
  ed.PokeByte(1, 0x94);
  EXPECT_EQ(ed.Core().PeekByte(0), 0x0C);
  EXPECT_EQ(ed.PeekByte(1), 0x94);
  ed.SetReadOnlyView(true);
  ed.SetInsertMode(true);
  EXPECT_FALSE(ed.InsertMode());
  ed.SetReadOnlyView(false);
  ed.SetInsertMode(true);
  EXPECT_TRUE(ed.InsertMode());
  ed.setEnabled(false);
  EXPECT_FALSE(ed.Core().ControlEnabled);
}

}  // namespace
