// The editing tools of the core beside the random undo test: the saved
// state and the budget, undo refusals, find, go to, fill values, paste
// texts, the edit keys, the mouse additions, the readout and the colours
// of a dark scheme.

#include <gtest/gtest.h>

#include "tests/hexedit/core/HexInputFixture.h"

namespace {

struct ToolsTest : InputTest {
  void Text(const char* ascii, int at = 0) {
    for (int i = 0; ascii[i]; ++i) Ed.Document().PokeByte(at + i, static_cast<uint8_t>(ascii[i]));
  }
  std::string Error(const std::function<void()>& f) {
    try {
      f();
    } catch (const EHexEditor& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(ToolsTest, SavedStateFollowsUndoRedoAndTheBudget) {
  Sized(32);
  Ed.Document().SetModified(false);
  Ed.ChangeByte(0, 9, 0);
  Ed.ChangeByte(1, 9, 1);
  EXPECT_TRUE(Ed.Document().Modified());
  Ed.Undo();
  Ed.Undo();
  EXPECT_FALSE(Ed.Document().Modified());  // back at the saved state
  Ed.Undo();
  EXPECT_FALSE(Ed.Document().Modified());  // nothing more to undo
  Ed.Redo();
  EXPECT_TRUE(Ed.Document().Modified());
  Ed.Document().SetModified(false);  // saved with one step undone
  Ed.Undo();
  EXPECT_TRUE(Ed.Document().Modified());  // past the saved state
  Ed.ChangeByte(0, 7, 0);                 // the saved state was in the redo just dropped
  Ed.Undo();
  EXPECT_TRUE(Ed.Document().Modified());

  // A saved state trimmed away by the budget is out of reach.
  Sized(32);
  Ed.Document().MaxUndo = 100;  // about two one-byte entries
  Ed.Document().SetModified(false);
  for (int i = 0; i < 5; ++i) Ed.ChangeByte(Ed.PeekByte(i), 0xEE, i);
  while (Ed.Undo()) EXPECT_TRUE(Ed.Document().Modified());
  EXPECT_EQ(Ed.PeekByte(0), 0xEE);

  // ClearUndo keeps a clean state clean and a modified one modified.
  Sized(8);
  Ed.Document().SetModified(false);
  Ed.Document().ClearUndo();
  EXPECT_FALSE(Ed.Document().Modified());
  Ed.ChangeByte(0, 1, 0);
  Ed.Document().ClearUndo();
  EXPECT_TRUE(Ed.Document().Modified());
  EXPECT_FALSE(Ed.CanUndo());
}

TEST_F(ToolsTest, UndoRefusals) {
  Sized(16);
  const uint8_t b[] = {1, 2, 3};
  Ed.InsertBuffer(b, 3, 0);
  Ed.SetNoSizeChange(true);
  EXPECT_EQ(Error([&] { Ed.Undo(); }), "Cannot change fixed filesize");
  EXPECT_EQ(Ed.DataSize(), 19);
  EXPECT_TRUE(Ed.CanUndo());
  Ed.SetNoSizeChange(false);
  Ed.SetReadOnlyView(true);
  EXPECT_FALSE(Ed.CanUndo());
  EXPECT_FALSE(Ed.Undo());
  Ed.SetReadOnlyView(false);
  EXPECT_TRUE(Ed.Undo());
  EXPECT_EQ(Ed.DataSize(), 16);

  // An edit the journal did not see: nothing before it can be undone.
  Ed.ChangeByte(Ed.PeekByte(3), 0x55, 3);
  Ed.Document().BeginUndoUpdate();
  Ed.ChangeByte(Ed.PeekByte(4), 0x66, 4);
  Ed.Document().EndUndoUpdate();
  EXPECT_FALSE(Ed.CanUndo());
  EXPECT_FALSE(Ed.CanRedo());
  EXPECT_TRUE(Ed.Document().Modified());

  // A journal that no longer fits the data is refused and emptied.
  Sized(16);
  Ed.InsertBuffer(b, 3, 10);
  UndoEntry::Put32(Ed.Document().UndoStorage().Memory() + UndoEntry::PositionOffset, 1000);
  EXPECT_EQ(Error([&] { Ed.Undo(); }), "Cannot update undo storage");
  EXPECT_EQ(Ed.DataSize(), 19);
  EXPECT_FALSE(Ed.CanUndo());
}

TEST_F(ToolsTest, FindReplaceAndWrap) {
  Sized(64);
  Text("abcABCabc", 10);
  Ed.MoveCaret(THexCaret{20, false, false});
  const THexPattern cased = Ed.MakePattern(U"abc", false, true);
  EXPECT_EQ(Ed.Find(cased, true), THexEditorCore::TFindOutcome::Wrapped);
  EXPECT_EQ(Selection(), (std::vector<int>{10, 12}));
  EXPECT_EQ(Ed.Find(cased, true), THexEditorCore::TFindOutcome::Found);
  EXPECT_EQ(Selection(), (std::vector<int>{16, 18}));
  const THexPattern anyCase = Ed.MakePattern(U"ABC", false, false);
  EXPECT_EQ(Ed.Find(anyCase, false), THexEditorCore::TFindOutcome::Found);
  EXPECT_EQ(Selection(), (std::vector<int>{13, 15}));
  EXPECT_EQ(Ed.Find(anyCase, false), THexEditorCore::TFindOutcome::Found);
  EXPECT_EQ(Selection(), (std::vector<int>{10, 12}));
  EXPECT_EQ(Ed.Find(anyCase, false), THexEditorCore::TFindOutcome::Wrapped);
  EXPECT_EQ(Selection(), (std::vector<int>{16, 18}));
  const THexPattern hex = Ed.MakePattern(U"0x61 62", true, true);
  EXPECT_EQ(hex.Length(), 2);
  EXPECT_EQ(Ed.Find(Ed.MakePattern(U"ff fe", true, true), true),
            THexEditorCore::TFindOutcome::NotFound);
  EXPECT_EQ(Error([&] { Ed.MakePattern(U"61 6g", true, true); }),
            "\"6g\" is not hex: write bytes as hex digits, such as DE AD BE EF or 0xDEADBEEF");
  EXPECT_EQ(Error([&] { Ed.MakePattern(U"", true, true); }), "Enter what to find");

  // Replace one match, then all; each is one undo step.
  Ed.ClearSelection(true);
  Ed.MoveCaret(THexCaret{0, false, false});
  EXPECT_EQ(Ed.Find(anyCase, true), THexEditorCore::TFindOutcome::Found);
  Ed.ReplaceAndFind(anyCase, {'x', 'y'});
  EXPECT_EQ(Ed.DataSize(), 63);
  EXPECT_EQ(Selection(), (std::vector<int>{12, 14}));  // the next match
  EXPECT_EQ(Ed.ReplaceAll(anyCase, {'Z'}), 2);
  EXPECT_EQ(Ed.DataSize(), 59);
  EXPECT_EQ(std::string(Ed.Document().DataPointer() + 10, Ed.Document().DataPointer() + 14),
            "xyZZ");
  Ed.Undo();
  EXPECT_EQ(Ed.DataSize(), 63);
  Ed.Undo();
  EXPECT_EQ(std::string(Ed.Document().DataPointer() + 10, Ed.Document().DataPointer() + 19),
            "abcABCabc");
  Ed.SetNoSizeChange(true);
  EXPECT_EQ(Error([&] { Ed.ReplaceAll(anyCase, {'Z'}); }),
            "Cannot replace 3 bytes by 1: the image size is fixed");
}

TEST_F(ToolsTest, GotoOffsetsAndFillValues) {
  Sized(0x400);
  Ed.GotoOffset("0x1F0");
  EXPECT_EQ(Ed.Caret().Position, 0x1F0);
  Ed.GotoOffset("10h");
  EXPECT_EQ(Ed.Caret().Position, 0x10);
  Ed.GotoOffset("+0x20");
  EXPECT_EQ(Ed.Caret().Position, 0x30);
  Ed.GotoOffset(" -16 ");
  EXPECT_EQ(Ed.Caret().Position, 0x20);
  Ed.GotoOffset("$3ff");
  EXPECT_EQ(Ed.Caret().Position, 0x3FF);
  EXPECT_EQ(Error([&] { Ed.GotoOffset("0x400"); }),
            "Offset 0x400 is outside the image (0x0 to 0x3FF)");
  EXPECT_EQ(Error([&] { Ed.GotoOffset("-0x400"); }),
            "Offset -0x1 is outside the image (0x0 to 0x3FF)");
  EXPECT_EQ(Error([&] { Ed.GotoOffset("1F0"); }),
            "\"1F0\" is not an offset: write hex as 0x1F0 or 1F0h, decimal as 496, or relative as "
            "+0x20 or -16");
  EXPECT_EQ(Ed.Caret().Position, 0x3FF);
  // Word offsets where a unit is two bytes.
  Ed.Layout().SetBytesPerUnit(2);
  EXPECT_EQ(Ed.OffsetUnit(), 2);
  Ed.GotoOffset("0x100");
  EXPECT_EQ(Ed.Caret().Position, 0x200);
  EXPECT_EQ(Error([&] { Ed.GotoOffset("0x200"); }),
            "Offset 0x200 is outside the image (0x0 to 0x1FF)");

  EXPECT_EQ(THexEditorCore::ParseFillValue("0xFF"), 0xFF);
  EXPECT_EQ(THexEditorCore::ParseFillValue("a5h"), 0xA5);
  EXPECT_EQ(THexEditorCore::ParseFillValue("17"), 17);
  EXPECT_EQ(Error([] { THexEditorCore::ParseFillValue("256"); }),
            "\"256\" is not a byte value (0 to 255, or 0x00 to 0xFF)");
  EXPECT_EQ(Error([] { THexEditorCore::ParseFillValue("+1"); }),
            "\"+1\" is not a byte value (0 to 255, or 0x00 to 0xFF)");
}

TEST_F(ToolsTest, ClipboardTextsAndPaste) {
  Sized(16);
  Ed.SelectRange(2, 5);
  EXPECT_EQ(Ed.SelectionText(), "02 03 04 05");
  Text("Hi!", 2);
  Ed.MoveCaret(THexCaret{2, true, false});
  Ed.KeyDown(hkShift, hsShift);
  Ed.KeyDown(hkRight, hsShift);
  Ed.KeyDown(hkRight, hsShift);
  EXPECT_EQ(Ed.SelectionText(), "Hi!");
  EXPECT_EQ(Ed.BytesFromText(U"A\u00e9"), (std::vector<uint8_t>{'A', 0xE9}));
  EXPECT_EQ(Error([&] { Ed.BytesFromText(U"A\u4e00"); }),
            "The character \"\u4e00\" has no byte in the current translation");
  EXPECT_EQ(Ed.BytesFromText(U"de ad\n0xBEEF 7", true),
            (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF, 7}));
  EXPECT_EQ(Error([&] { Ed.BytesFromText(U"abc", true); }),
            "\"abc\" has an odd number of hex digits");
  EXPECT_EQ(Error([&] { Ed.BytesFromText(U" \n", true); }), "No hex digits given");

  // Overwrite mode: a paste that would grow a fixed-size image is refused.
  Sized(16);
  Ed.SetNoSizeChange(true);
  Ed.MoveCaret(THexCaret{14, false, false});
  const uint8_t four[] = {1, 2, 3, 4};
  EXPECT_EQ(Error([&] { Ed.Paste(four, 4); }),
            "Cannot paste 4 bytes here: the image size is fixed and only 2 bytes follow the caret");
  EXPECT_EQ(Bytes()[14], 14);
  Ed.SetNoSizeChange(false);
  Ed.Paste(four, 4);
  EXPECT_EQ(Ed.DataSize(), 18);
  EXPECT_TRUE(Ed.Document().ByteChanged(14));
  Ed.Undo();  // overwrite and growth are one step
  EXPECT_EQ(Ed.DataSize(), 16);
  EXPECT_EQ(Bytes()[15], 15);
  EXPECT_FALSE(Ed.Document().ByteChanged(14));
}

TEST_F(ToolsTest, EditKeysComeBeforeTheKeyTableAndTakeNothingFromIt) {
  Sized(16);
  // Keys the key table uses with Ctrl stay its own.
  for (int key :
       {int(hkT), int(hk0), int(hk9), int(hkLeft), int(hkRight), int(hkHome), int(hkEnd),
        int(hkPageUp), int(hkPageDown), int(hkDelete), int(hkInsert), int(hkBack), int(hkTab)})
    for (THexShiftState s : {hsCtrl, THexShiftState(hsCtrl | hsShift)})
      EXPECT_EQ(THexEditorCore::EditCommandForKey(key, s), ecNone) << key;
  EXPECT_EQ(THexEditorCore::EditCommandForKey(hkZ, hsCtrl | hsShift), ecRedo);
  EXPECT_EQ(THexEditorCore::EditCommandForKey('Y', hsCtrl), ecRedo);
  EXPECT_EQ(THexEditorCore::EditCommandForKey(hkZ, hsCtrl | hsAlt), ecNone);
  EXPECT_EQ(THexEditorCore::EditCommandForKey('C', 0), ecNone);

  std::vector<THexEditCommand> clipboard;
  Ed.OnClipboardCommand = [&](THexEditCommand c) { clipboard.push_back(c); };
  Type("7");
  EXPECT_EQ(Bytes()[0], 0x70);
  Key(hkZ, hsCtrl);
  EXPECT_EQ(Bytes()[0], 0x00);
  Key(hkZ, hsCtrl | hsShift);
  EXPECT_EQ(Bytes()[0], 0x70);
  Key('A', hsCtrl);
  EXPECT_EQ(Selection(), (std::vector<int>{0, 15}));
  Key('C', hsCtrl);
  Key('X', hsCtrl);
  Key('V', hsCtrl);
  EXPECT_EQ(clipboard, (std::vector<THexEditCommand>{ecCopy, ecCut, ecPaste}));
}

TEST_F(ToolsTest, ShiftClickExtendsAndDoubleClickSelectsTheUnit) {
  Sized(64);
  auto at = [&](int pos, bool inChar = false) {
    const TRect r = Ed.Layout().Grid().CellRect(Ed.Layout().PositionToCell(pos, inChar).Col,
                                                Ed.Layout().PositionToCell(pos, inChar).Row);
    return std::pair<int, int>{r.Left + 2, r.Top + 2};
  };
  auto click = [&](int pos, THexShiftState shift) {
    const auto [x, y] = at(pos);
    Ed.MouseDown(mbLeft, shift | hsLeft, x, y);
    Ed.MouseUp(mbLeft, shift | hsLeft, x, y);
  };
  click(5, 0);
  click(20, hsShift);
  EXPECT_EQ(Selection(), (std::vector<int>{5, 20}));
  click(2, hsShift);  // from the same end again
  EXPECT_EQ(Selection(), (std::vector<int>{2, 5}));
  click(40, 0);
  EXPECT_EQ(Selection(), std::vector<int>{});

  Ed.Layout().SetBytesPerUnit(2);
  const auto [x, y] = at(33);
  Ed.MouseDown(mbLeft, hsLeft, x, y);
  Ed.MouseUp(mbLeft, hsLeft, x, y);
  Ed.MouseDown(mbLeft, hsLeft | hsDouble, x, y);
  Ed.MouseUp(mbLeft, hsLeft, x, y);
  EXPECT_EQ(Selection(), (std::vector<int>{32, 33}));
}

TEST_F(ToolsTest, ReadoutTexts) {
  Sized(0x300);
  Ed.Document().PokeByte(0x1F0, 'A');
  Ed.Document().PokeByte(0x1F1, 'B');
  Ed.MoveCaret(THexCaret{0x1F0, false, false});
  Ed.Document().SetModified(false);
  THexReadoutTexts t = ReadoutTexts(Ed.Readout());
  EXPECT_EQ(t.Offset, "Offset 0x01F0");
  EXPECT_EQ(t.Selection, "");
  EXPECT_EQ(t.Value, "0x41 = 65 'A'");
  EXPECT_EQ(t.Word, "Word 0x4241 = 16961");
  EXPECT_EQ(t.Mode, "OVR");
  EXPECT_EQ(t.Modified, "");
  Ed.Layout().SetBytesPerUnit(2);
  Ed.SelectRange(0x10, 0x1F);
  Ed.ChangeByte(0, 1, 0);
  Ed.SetInsertMode(true);
  t = ReadoutTexts(Ed.Readout());
  EXPECT_EQ(t.Offset, "Offset 0x00F8 (byte 0x01F0)");
  EXPECT_EQ(t.Mode, "INS");
  EXPECT_EQ(t.Modified, "Modified");
  Ed.SelectRange(0x10, 0x1F);
  EXPECT_EQ(ReadoutTexts(Ed.Readout()).Selection, "Sel 0x0010-0x001F (16 bytes)");
  Ed.MoveCaretToEnd();
  t = ReadoutTexts(Ed.Readout());
  EXPECT_EQ(t.Value, "");  // the append position holds no byte
  Ed.ResetData();
  EXPECT_EQ(ReadoutTexts(Ed.Readout()).Offset, "");
}

TEST(HexColorsDark, DarkSchemeTextsStayReadable) {
  THexSystemColors dark;
  dark.Window = RGBColor(0x2A, 0x2A, 0x2A);
  dark.WindowText = RGBColor(0xFF, 0xFF, 0xFF);
  dark.BtnFace = RGBColor(0x35, 0x35, 0x35);
  dark.BtnShadow = RGBColor(0x14, 0x14, 0x14);
  dark.BtnHighlight = RGBColor(0x50, 0x50, 0x50);
  EXPECT_TRUE(IsDarkScheme(dark));
  EXPECT_FALSE(IsDarkScheme(THexSystemColors{}));
  THexColors c;
  SetDarkSchemeDefaults(c, dark);
  auto rgb = [&](TColor x) { return dark.ToRGB(x); };
  const TColor back = rgb(c.Background());
  for (TColor text : {c.OddColumn(), c.EvenColumn(), TColor(clWindowText)})
    EXPECT_GE(ContrastRatio(rgb(text), back), 4.5) << std::hex << text;
  EXPECT_GE(ContrastRatio(rgb(c.ChangedText()), rgb(c.ChangedBackground())), 4.5);
  EXPECT_GE(ContrastRatio(rgb(c.Offset()), rgb(c.OffsetBackGround())), 4.5);
  EXPECT_GE(ContrastRatio(rgb(c.CurrentOffset()), rgb(c.CurrentOffsetBackground())), 4.5);
  EXPECT_GE(ContrastRatio(rgb(c.CursorFrame()), back), 3.0);
  // The light defaults are what a new set holds.
  EXPECT_TRUE(THexColors().SameColors(THexColors()));
  EXPECT_FALSE(c.SameColors(THexColors()));
}

}  // namespace
