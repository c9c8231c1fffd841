// Tens of thousands of random key presses, typed characters, clicks,
// drags, wheel turns and setting changes on random images, each followed
// by the input invariants and a check of the data against the journal.

#include <gtest/gtest.h>

#include <random>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/HexInputChecker.h"

namespace {

class TRandomInput {
public:
  explicit TRandomInput(unsigned seed) : Rng(seed), Checker(Ed) {
    Ed.PostSelectionNotice = [this] { ++Notices; };
    Ed.Document().MaxUndo = 0;  // the checker reads every entry ever made
    Ed.Layout().SetFontMetrics(8, 13);
    Ed.Layout().Grid().SetClientSize(500, 160);
    Ed.SetFocused(true);
    NewImage();
  }

  void Run(int steps) {
    for (Step = 0; Step < steps; ++Step) {
      const bool readOnly = Ed.ReadOnlyView();
      Act();
      if (Ed.PendingSelectionNotices() && Pick(0, 3) == 0) Ed.DeliverSelectionNotice();
      Checker.Check(Trace(), readOnly && Ed.ReadOnlyView() && !HostEdit);
      if (::testing::Test::HasFatalFailure()) return;
      HostEdit = false;
    }
  }

private:
  THexEditorCore Ed;
  std::mt19937 Rng;
  THexInputChecker Checker;
  int Step = 0;
  int Notices = 0;
  bool HostEdit = false;  // the step was the host's, not the user's
  std::string Last;

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }
  std::string Trace() const { return "step " + std::to_string(Step) + " (" + Last + ")"; }

  void NewImage() {
    Ed.ResetData();
    const int size = Chance(10) ? 0 : Pick(1, 300);
    Ed.SetDataSize(size);
    for (int i = 0; i < size; ++i) Ed.Document().PokeByte(i, static_cast<uint8_t>(Pick(0, 255)));
    Checker.Restart();
    HostEdit = true;
  }

  THexShiftState Modifiers() {
    THexShiftState s = 0;
    if (Chance(25)) s |= hsShift;
    if (Chance(15)) s |= hsCtrl;
    if (Chance(4)) s |= hsAlt;
    return s;
  }

  int AnyKey() {
    static const int keys[] = {hkLeft,     hkRight,  hkUp,    hkDown,    hkPageUp,
                               hkPageDown, hkHome,   hkEnd,   hkTab,     hkInsert,
                               hkDelete,   hkBack,   hkShift, hkControl, hkT,
                               hkReturn,   hkEscape, hkF1,    hkNone,    hkOther};
    if (Chance(10)) return hk0 + Pick(0, 9);
    if (Chance(3)) return Pick(-5, 300);
    return keys[Pick(0, int(std::size(keys)) - 1)];
  }

  char32_t AnyChar() {
    switch (Pick(0, 5)) {
      case 0:
      case 1: return U"0123456789abcdefABCDEF"[Pick(0, 21)];
      case 2: return char32_t(Pick(0x20, 0x7E));
      case 3: return char32_t(Pick(0, 0x1F));
      case 4: return char32_t(Pick(0x80, 0x2FFF));
      default: return char32_t(Pick(0, 0x10FFFF) | (Chance(5) ? 0x80000000u : 0));
    }
  }

  // A point anywhere in the view or a little outside it.
  std::pair<int, int> AnyPoint() {
    return {Pick(-30, Ed.Layout().Grid().ClientWidth() + 30),
            Pick(-30, Ed.Layout().Grid().ClientHeight() + 30)};
  }

  template <typename F>
  void Try(F&& f) {
    try {
      f();
    } catch (const EHexEditor&) {
      // Refused settings, selections, bookmarks and edits change nothing;
      // the checker sees to that.
    }
  }

  void Act() {
    const int what = Pick(0, 99);
    if (what < 35) {
      const int key = AnyKey();
      const THexShiftState s = Modifiers();
      Last = "key " + std::to_string(key) + " with " + std::to_string(s);
      Try([&] {
        if (s & hsShift) Ed.KeyDown(hkShift, hsShift);
        Ed.KeyDown(key, s);
        if (Chance(70)) Ed.KeyUp(key, s);
        if ((s & hsShift) && Chance(70)) Ed.KeyUp(hkShift, 0);
      });
    } else if (what < 60) {
      const char32_t c = AnyChar();
      Last = "char " + std::to_string(uint32_t(c));
      Try([&] { Ed.KeyPress(c); });
    } else if (what < 72) {
      auto [x, y] = AnyPoint();
      const auto button = static_cast<THexMouseButton>(Chance(85) ? mbLeft : Pick(1, 2));
      THexShiftState s = Modifiers();
      if (Chance(5)) s |= hsDouble;
      Last = "click at " + std::to_string(x) + "," + std::to_string(y);
      Ed.MouseDown(button, s, x, y);
      if (Chance(80)) Ed.MouseUp(button, s | hsLeft, x + Pick(-1, 1), y + Pick(-1, 1));
    } else if (what < 82) {
      auto [x, y] = AnyPoint();
      Last = "drag from " + std::to_string(x) + "," + std::to_string(y);
      Ed.MouseDown(mbLeft, 0, x, y);
      for (int i = Pick(1, 6); i > 0; --i) {
        auto [mx, my] = AnyPoint();
        if (Chance(70)) Ed.MouseMove(hsLeft, mx, my);
        if (Chance(40)) Ed.AutoScrollTick(mx, my);
        if (Chance(10)) Ed.MouseMove(0, mx, my);
      }
      auto [ux, uy] = AnyPoint();
      Ed.MouseUp(mbLeft, hsLeft, ux, uy);
    } else if (what < 85) {
      const int n = Pick(-4, 4);
      Last = "wheel " + std::to_string(n);
      Ed.MouseWheel(n);
    } else {
      Setting();
    }
  }

  void Setting() {
    const int size = Ed.DataSize();
    switch (Pick(0, 24)) {
      case 0:
      case 1:
        Last = "insert mode";
        Ed.SetInsertMode(!Ed.Document().Modes().InsertFlag);
        break;
      case 2:
        Last = "read-only view";
        Ed.SetReadOnlyView(!Ed.ReadOnlyView());
        break;
      case 3:
        Last = "no size change";
        Ed.SetNoSizeChange(Chance(30));
        break;
      case 4:
        Last = "allow insert mode";
        Ed.SetAllowInsertMode(Chance(80));
        break;
      case 5:
        Last = "bytes per unit";
        Try([&] { Ed.Layout().SetBytesPerUnit(1 << Pick(0, 3)); });
        break;
      case 6:
        Last = "bytes per row";
        Try([&] { Ed.SetBytesPerRow(Pick(0, 40)); });
        break;
      case 7:
        Last = "bytes per column";
        Try([&] { Ed.Layout().SetBytesPerColumn(Pick(1, 9)); });
        break;
      case 8:
        Last = "unicode";
        Try([&] { Ed.SetUnicodeChars(!Ed.Layout().UnicodeChars()); });
        break;
      case 9:
        Last = "big endian";
        Ed.Layout().SetUnicodeBigEndian(!Ed.Layout().UnicodeBigEndian());
        break;
      case 10:
        Last = "swap nibbles";
        Ed.Layout().SetSwapNibbles(!Ed.Layout().SwapNibbles());
        break;
      case 11:
        Last = "translation";
        Try([&] { Ed.Layout().SetTranslation(THexTranslationKind(Pick(0, 5))); });
        break;
      case 12:
        Last = "ruler";
        Ed.Layout().SetShowRuler(!Ed.Layout().ShowRuler());
        break;
      case 13:
        Last = "blocks";
        Ed.Layout().SetBytesPerBlock(Pick(-1, 9));
        break;
      case 14:
        Last = "size";
        HostEdit = true;
        Try([&] { Ed.SetDataSize(Pick(0, 320)); });
        break;
      case 15:
        Last = "new image";
        NewImage();
        break;
      case 16:
        Last = "view size";
        Ed.Layout().Grid().SetClientSize(Pick(0, 700), Pick(0, 300));
        break;
      case 17:
        Last = "focus";
        Ed.SetFocused(!Ed.Focused());
        break;
      case 18:
        Last = "font";
        Ed.Layout().SetFontMetrics(Pick(0, 12), Pick(0, 20));
        break;
      case 19:
        Last = "sel start/end";
        Try([&] {
          Ed.SetSelStart(Pick(-1, size));
          Ed.SetSelEnd(Pick(-2, size));
        });
        break;
      case 20:
        Last = "select range";
        Ed.SelectRange(Pick(-3, size + 3), Pick(-3, size + 3));
        break;
      case 21:
        Last = "seek";
        Ed.Seek(Pick(-400, 400), Pick(-1, 3));
        break;
      case 22:
        Last = "toggle bookmark";
        Try([&] { Ed.ToggleBookmark(Pick(0, 10), Pick(-1, size), Chance(50)); });
        break;
      case 23:
        Last = "go to bookmark";
        Try([&] { Ed.GotoBookmark(Pick(-1, 10)); });
        break;
      default:
        Last = "top row";
        Ed.Layout().Grid().SetTopRow(Pick(0, Ed.Layout().RowCount() + 2));
        break;
    }
  }
};

TEST(HexInputRandom, KeysCharactersMouseAndSettings) {
  for (unsigned seed : {11u, 12u, 13u}) {
    SCOPED_TRACE(seed);
    TRandomInput(seed).Run(30000);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
