// Random Qt key presses, typed text, clicks, drags and wheel turns sent
// to a shown editor, mixed with setting changes, with the event loop
// turning (painting, notices, the auto-scroll timer) now and then; after
// each step the input invariants and the journal check hold. Edits the
// data side refuses (NoSizeChange on) come back through errorRaised and
// change nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <random>

#include "hexedit/widget/HexEditor.h"
#include "tests/hexedit/core/HexInputChecker.h"

namespace {

class TRandomWidgetInput {
public:
  explicit TRandomWidgetInput(unsigned seed) : Rng(seed), Checker(Ed.Core()) {
    Ed.resize(520, 260);
    Ed.show();
    QApplication::setActiveWindow(&Ed);
    Ed.setFocus();
    Ed.SetMaxUndo(0);
    QObject::connect(&Ed, &TCustomHexEditor::errorRaised, [this](const QString&) { ++Errors; });
    NewImage();
  }

  void Run(int steps) {
    for (Step = 0; Step < steps; ++Step) {
      const bool readOnly = Ed.ReadOnlyView();
      HostEdit = false;
      try {
        Act();
      } catch (const EHexEditor&) {
        // A refused edit or setting: the checker sees that nothing changed.
      }
      if (Step % 25 == 0) QCoreApplication::processEvents();
      Checker.Check("step " + std::to_string(Step) + " (" + Last + ")",
                    readOnly && Ed.ReadOnlyView() && !HostEdit);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

  int Errors = 0;

private:
  THexEditor Ed;
  std::mt19937 Rng;
  THexInputChecker Checker;
  int Step = 0;
  bool HostEdit = false;
  bool LeftDown = false;
  std::string Last;

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }
  QWidget* View() { return Ed.viewport(); }

  void NewImage() {
    Ed.ResetData();
    const int size = Chance(10) ? 0 : Pick(1, 600);
    Ed.SetDataSize(size);
    for (int i = 0; i < size; ++i) Ed.PokeByte(i, static_cast<uint8_t>(Pick(0, 255)));
    Checker.Restart();
    HostEdit = true;
  }

  Qt::KeyboardModifiers Modifiers() {
    Qt::KeyboardModifiers m;
    if (Chance(25)) m |= Qt::ShiftModifier;
    if (Chance(15)) m |= Qt::ControlModifier;
    if (Chance(4)) m |= Qt::AltModifier;
    return m;
  }

  QPoint AnyPoint() {
    return QPoint(Pick(-20, View()->width() + 20), Pick(-20, View()->height() + 20));
  }

  void Act() {
    static const Qt::Key keys[] = {
        Qt::Key_Left,     Qt::Key_Right,      Qt::Key_Up,        Qt::Key_Down,   Qt::Key_PageUp,
        Qt::Key_PageDown, Qt::Key_Home,       Qt::Key_End,       Qt::Key_Tab,    Qt::Key_Backtab,
        Qt::Key_Insert,   Qt::Key_Delete,     Qt::Key_Backspace, Qt::Key_T,      Qt::Key_3,
        Qt::Key_7,        Qt::Key_Escape,     Qt::Key_Return,    Qt::Key_F5,     Qt::Key_A,
        Qt::Key_Space,    Qt::Key_NumberSign, Qt::Key_Shift,     Qt::Key_Control};
    const int what = Pick(0, 99);
    if (what < 35) {
      const Qt::Key k = keys[Pick(0, int(std::size(keys)) - 1)];
      Last = "key " + std::to_string(int(k));
      QTest::keyClick(&Ed, k, Modifiers());
    } else if (what < 55) {
      char32_t c;
      switch (Pick(0, 3)) {
        case 0: c = U"0123456789abcdefABCDEF"[Pick(0, 21)]; break;
        case 1: c = char32_t(Pick(0x20, 0x7E)); break;
        case 2: c = char32_t(Pick(0, 0x1F)); break;
        default: c = char32_t(Pick(0x80, 0xFFFF)); break;
      }
      Last = "text " + std::to_string(uint32_t(c));
      const QString text = QString::fromUcs4(&c, 1);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
      QApplication::sendEvent(&Ed, &press);
    } else if (what < 70) {
      const QPoint p = AnyPoint();
      Last = "click";
      if (Chance(90))
        QTest::mouseClick(View(), Chance(85) ? Qt::LeftButton : Qt::RightButton, Modifiers(), p);
      else
        QTest::mouseDClick(View(), Qt::LeftButton, {}, p);
    } else if (what < 82) {
      Last = "drag";
      QTest::mousePress(View(), Qt::LeftButton, {}, AnyPoint());
      for (int i = Pick(1, 5); i > 0; --i) QTest::mouseMove(View(), AnyPoint());
      if (Chance(3)) QTest::qWait(65);  // an auto-scroll tick or so
      QTest::mouseRelease(View(), Qt::LeftButton, {}, AnyPoint());
    } else if (what < 86) {
      Last = "wheel";
      const QPointF at(Pick(0, View()->width()), Pick(0, View()->height()));
      QWheelEvent e(at, View()->mapToGlobal(at), QPoint(), QPoint(0, Pick(-3, 3) * 60),
                    Qt::NoButton, Modifiers(), Qt::NoScrollPhase, false);
      QApplication::sendEvent(View(), &e);
    } else {
      Setting();
    }
  }

  void Setting() {
    switch (Pick(0, 13)) {
      case 0:
        Last = "insert mode";
        Ed.SetInsertMode(!Ed.Core().Document().Modes().InsertFlag);
        break;
      case 1:
        Last = "read-only view";
        Ed.SetReadOnlyView(!Ed.ReadOnlyView());
        break;
      case 2:
        Last = "allow insert mode";
        Ed.SetAllowInsertMode(Chance(80));
        break;
      case 3:
        Last = "bytes per unit";
        Ed.SetBytesPerUnit(1 << Pick(0, 3));
        break;
      case 4:
        Last = "bytes per row";
        Ed.SetBytesPerRow(Pick(1, 32));
        break;
      case 5:
        Last = "unicode";
        Ed.SetUnicodeChars(!Ed.UnicodeChars());
        break;
      case 6:
        Last = "ruler";
        Ed.SetShowRuler(!Ed.ShowRuler());
        break;
      case 7:
        Last = "swap nibbles";
        Ed.SetSwapNibbles(!Ed.SwapNibbles());
        break;
      case 8:
        Last = "want tabs";
        Ed.SetWantTabs(!Ed.WantTabs());
        break;
      case 9:
        Last = "view size";
        Ed.resize(Pick(40, 700), Pick(30, 400));
        break;
      case 10:
        Last = "size";
        HostEdit = true;
        Ed.SetDataSize(Pick(0, 640));
        break;
      case 11:
        Last = "focus";
        Ed.setFocus();
        break;
      case 12:
        Last = "no size change";
        Ed.SetNoSizeChange(Chance(40));
        break;
      default:
        Last = "new image";
        NewImage();
        break;
    }
  }
};

TEST(HexEditorInputRandom, QtEventsAgainstTheInvariants) {
  int errors = 0;
  for (unsigned seed : {21u, 22u}) {
    SCOPED_TRACE(seed);
    TRandomWidgetInput input(seed);
    input.Run(5000);
    errors += input.Errors;
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Refused edits did happen, and each came back as a signal.
  EXPECT_GT(errors, 0);
}

}  // namespace
