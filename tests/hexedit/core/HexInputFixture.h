#pragma once
// An editor core laid out with a fixed font and view size, for the input
// tests: keys are pressed and characters typed the way the widget feeds
// them, and selection notices are counted as the event loop would deliver
// them.

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/HexErrorText.h"

struct InputTest : ::testing::Test {
  static constexpr int W = 8;       // width of "w"
  static constexpr int TextH = 13;  // height of "yY": rows are 15 px
  THexEditorCore Ed;
  int Posted = 0;   // selection notices posted
  int Invalid = 0;  // OnInvalidKey calls

  InputTest() {
    Ed.Layout().SetFontMetrics(W, TextH);
    Ed.Layout().Grid().SetClientSize(640, 10 * 15);  // ten data rows
    Ed.PostSelectionNotice = [this] { ++Posted; };
    Ed.OnInvalidKey = [this] { ++Invalid; };
    Ed.SetFocused(true);
  }

  // Data 0, 1, 2, ... of the given size, in a fresh journal.
  void Sized(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
    std::iota(Ed.Document().DataPointer(), Ed.Document().DataPointer() + size, uint8_t{0});
    Ed.Document().ClearUndo();
  }
  std::vector<uint8_t> Bytes() const {
    return {Ed.Document().DataPointer(), Ed.Document().DataPointer() + Ed.DataSize()};
  }

  // A key with its modifiers, pressed and released; Shift and Ctrl go
  // down first as a keyboard sends them.
  void Key(int key, THexShiftState shift = 0) {
    if (shift & hsShift) Ed.KeyDown(hkShift, hsShift);
    Ed.KeyDown(key, shift);
    Ed.KeyUp(key, shift);
    if (shift & hsShift) Ed.KeyUp(hkShift, shift);
  }
  // Keys pressed while Shift stays down (a keyboard selection).
  void ShiftKeys(std::initializer_list<int> keys, THexShiftState more = 0) {
    Ed.KeyDown(hkShift, hsShift | more);
    for (int k : keys) Ed.KeyDown(k, hsShift | more);
  }
  void ReleaseShift() { Ed.KeyUp(hkShift, 0); }
  void Type(const std::u32string& text) {
    for (char32_t c : text) Ed.KeyPress(c);
  }
  void Type(const char* text) {
    for (; *text; ++text) Ed.KeyPress(static_cast<unsigned char>(*text));
  }
  TGridCoord Cell() const { return Ed.CaretCell(); }
  std::vector<int> Selection() const {
    if (!Ed.HasSelection()) return {};
    return {Ed.SelectionLow(), Ed.SelectionHigh()};
  }
};
