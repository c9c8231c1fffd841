// Character entry: hex digits and characters, overwrite and insert mode,
// units, unicode characters, refused characters.

#include "tests/hexedit/core/HexInputFixture.h"
#include "tests/hexedit/core/JournalReader.h"

namespace {

using TypingTest = InputTest;
using V = std::vector<uint8_t>;

TEST_F(TypingTest, HexDigitsOverwriteTheNibbleUnderTheCaret) {
  Sized(20);
  Type("a");
  EXPECT_EQ(Ed.PeekByte(0), 0xA0);  // "a" counts as "A"
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, true}));
  Type("5");
  EXPECT_EQ(Ed.PeekByte(0), 0xA5);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, false, false}));
  Type("g");
  Type(U"\u0663");  // an Arabic-Indic three is no hex digit
  EXPECT_EQ(Invalid, 2);
  EXPECT_EQ(Ed.PeekByte(1), 0x01);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, false, false}));
  Type("F");
  EXPECT_EQ(Ed.PeekByte(1), 0xF1);
  EXPECT_TRUE(Ed.Document().ByteChanged(0));
  EXPECT_TRUE(Ed.Document().ByteChanged(1));
  EXPECT_FALSE(Ed.Document().ByteChanged(2));

  // On the last byte's second digit the caret stays.
  Ed.MoveCaret(THexCaret{19, false, true});
  Type("7");
  Type("8");
  EXPECT_EQ(Ed.PeekByte(19), 0x18);
  EXPECT_EQ(Ed.Caret(), (THexCaret{19, false, true}));

  // One journal entry per changed byte, without a description; a digit
  // that changes nothing records nothing but still advances.
  const auto entries = ReadJournal(Ed.Document().UndoStorage());
  ASSERT_EQ(entries.size(), 5u);
  for (const auto& e : entries) {
    EXPECT_EQ(e.Kind, ukChangeBytes);
    EXPECT_FALSE(e.Description.has_value());
  }
  Ed.SetSelStart(0);
  Type("A");
  EXPECT_EQ(Ed.Document().UndoStorage().EntryCount(), 5);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, true}));
}

TEST_F(TypingTest, SwappedNibbles) {
  Sized(4);
  Ed.Document().PokeByte(0, 0x4A);
  Ed.Layout().SetSwapNibbles(true);
  Type("1");  // the left column shows the low nibble
  EXPECT_EQ(Ed.PeekByte(0), 0x41);
  Type("2");
  EXPECT_EQ(Ed.PeekByte(0), 0x21);
  // Inserted units carry the digit in the left column too.
  Ed.SetInsertMode(true);
  Ed.SetSelStart(2);
  Type("3");
  EXPECT_EQ(Bytes(), (V{0x21, 1, 0x03, 2, 3}));
}

TEST_F(TypingTest, InsertModeDigitsInsertUnits) {
  Sized(4);
  Ed.SetInsertMode(true);
  Type("12");
  EXPECT_EQ(Bytes(), (V{0x12, 0, 1, 2, 3}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, false, false}));
  EXPECT_TRUE(Selection().empty());
  EXPECT_FALSE(Ed.Document().ByteChanged(0));

  // Units of two: the digit at a unit's start opens a unit, the others
  // fill it.
  Sized(4);
  Ed.Layout().SetBytesPerUnit(2);
  Type("12345");
  EXPECT_EQ(Bytes(), (V{0x12, 0x34, 0x50, 0, 0, 1, 2, 3}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, false, true}));

  // At the append position, and over a selection.
  Ed.MoveCaretToEnd();
  Type("e");
  EXPECT_EQ(Ed.DataSize(), 10);
  EXPECT_EQ(Ed.PeekByte(8), 0xE0);
  Ed.SetSelStart(2);
  Ed.SetSelEnd(5);
  Type("9");
  EXPECT_EQ(Bytes(), (V{0x12, 0x34, 0x90, 0, 2, 3, 0xE0, 0}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, false, true}));
  const auto entries = ReadJournal(Ed.Document().UndoStorage());
  EXPECT_EQ(entries.back().Kind, ukReplace);
}

TEST_F(TypingTest, EmptyEditor) {
  Ed.ResetData();
  Type("7");
  EXPECT_EQ(Ed.DataSize(), 0);  // overwrite: nothing to overwrite
  Ed.Layout().SetBytesPerUnit(2);
  Ed.SetInsertMode(true);
  Type("7");
  EXPECT_EQ(Bytes(), (V{0x70, 0}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, true}));
  // The character field of an empty editor takes characters too.
  Ed.ResetData();
  ASSERT_TRUE(Ed.MoveToCell(Ed.Layout().FirstCharColumn(), 2));
  Type("Q");
  EXPECT_EQ(Bytes(), (V{'Q', 0}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, true, false}));
}

TEST_F(TypingTest, CharactersOverwriteAndInsert) {
  Sized(8);
  Key(hkTab);
  Type("Hi");
  EXPECT_EQ(Bytes(), (V{'H', 'i', 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, true, false}));
  Type(U"\u20AC");  // the euro sign is in the ANSI code page
  EXPECT_EQ(Ed.PeekByte(2), 0x80);
  Type(U"\u0416\x01\x1F");  // not in the code page; control characters are ignored
  EXPECT_EQ(Invalid, 1);
  EXPECT_EQ(Ed.Caret(), (THexCaret{3, true, false}));
  Ed.Layout().SetTranslation(tkASCII);
  Type(U"\u00E9");
  EXPECT_EQ(Invalid, 2);
  Ed.Layout().SetTranslation(tkAsIs);

  // Insert mode with units of 2: a unit at a unit's start, the second
  // byte overwritten, the append position appends and follows.
  Ed.Layout().SetBytesPerUnit(2);
  Ed.SetInsertMode(true);
  Ed.SetSelStart(4);
  Type("ab");
  EXPECT_EQ(Bytes(), (V{'H', 'i', 0x80, 3, 'a', 'b', 4, 5, 6, 7}));
  Key(hkEnd, hsCtrl);
  Type("z");
  EXPECT_EQ(Ed.DataSize(), 12);
  EXPECT_EQ(Ed.PeekByte(10), 'z');
  EXPECT_EQ(Ed.Caret(), (THexCaret{11, true, false}));
  Ed.SelectRange(0, 3);
  Type("!");
  EXPECT_EQ(Bytes(), (V{'!', 0, 'a', 'b', 4, 5, 6, 7, 'z', 0}));
}

TEST_F(TypingTest, UnicodeCharacters) {
  Sized(6);
  Ed.SetUnicodeChars(true);
  Key(hkTab);
  Type(U"\u0416A");
  EXPECT_EQ(Bytes(), (V{0x16, 0x04, 'A', 0, 4, 5}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{4, true, false}));
  Ed.Layout().SetUnicodeBigEndian(true);
  Type(U"\u0416");
  EXPECT_EQ(Bytes(), (V{0x16, 0x04, 'A', 0, 0x04, 0x16}));
  EXPECT_FALSE(Ed.Document().ByteChanged(4));  // 0x04 before and after
  EXPECT_TRUE(Ed.Document().ByteChanged(5));
  EXPECT_EQ(Ed.Caret(), (THexCaret{4, true, false}));  // the last character
  Type(U"\U0001F600");                                 // beyond one 16-bit unit
  EXPECT_EQ(Invalid, 1);

  // An odd tail byte takes the character's first byte.
  Ed.SetDataSize(7);
  Key(hkEnd, hsCtrl);
  EXPECT_EQ(Ed.Caret(), (THexCaret{6, true, false}));
  Type(U"\u0141");
  EXPECT_EQ(Ed.PeekByte(6), 0x01);
  EXPECT_EQ(Ed.DataSize(), 7);

  Ed.Layout().SetUnicodeBigEndian(false);
  Ed.SetInsertMode(true);
  Ed.SetSelStart(2);
  Type(U"\u00FF");
  EXPECT_EQ(Bytes(), (V{0x16, 0x04, 0xFF, 0x00, 'A', 0, 0x04, 0x16, 0x01}));
}

TEST_F(TypingTest, NothingTypedWhereNothingMayChange) {
  Sized(8);
  Ed.SetReadOnlyView(true);
  Type("12ab");
  Key(hkTab);
  Type("xy");
  EXPECT_EQ(Invalid, 0);
  Ed.SetReadOnlyView(false);
  Type("\t\r\x1b");
  Ed.SetNoSizeChange(true);
  Ed.SetInsertMode(true);  // refused: the size is fixed
  Type("q");
  EXPECT_EQ(Bytes(), (V{'q', 1, 2, 3, 4, 5, 6, 7}));
  // A host's key-press hook may swallow a character.
  Ed.OnKeyPress = [](char32_t& c) { c = 0; };
  Type("r");
  EXPECT_EQ(Ed.PeekByte(1), 1);
}

// The two digits typed into one byte are one undo step; anything between
// them (a caret move, a save, a switch of mode) or the next byte starts a
// new one.
TEST_F(TypingTest, TheTwoDigitsOfAByteAreOneUndoStep) {
  Sized(4);
  Ed.Document().PokeByte(0, 0x79);
  Type("AB");
  EXPECT_EQ(Ed.PeekByte(0), 0xAB);
  EXPECT_EQ(Ed.Document().UndoStorage().StepCount(), 1);
  ASSERT_TRUE(Ed.Undo());
  EXPECT_EQ(Ed.PeekByte(0), 0x79);
  EXPECT_EQ(Ed.Caret(), (THexCaret{0, false, false}));
  EXPECT_FALSE(Ed.Document().ByteChanged(0));
  EXPECT_FALSE(Ed.CanUndo());
  ASSERT_TRUE(Ed.Redo());
  EXPECT_EQ(Ed.PeekByte(0), 0xAB);
  EXPECT_EQ(Ed.Caret(), (THexCaret{1, false, false}));
  EXPECT_TRUE(Ed.Document().ByteChanged(0));

  // Two bytes, two steps; a first digit that changes nothing leaves the
  // second its own step.
  Type("CD07");
  EXPECT_EQ(Bytes(), (V{0xAB, 0xCD, 0x07, 3}));
  EXPECT_EQ(Ed.Document().UndoStorage().StepCount(), 3);
  Ed.Undo();
  EXPECT_EQ(Bytes(), (V{0xAB, 0xCD, 2, 3}));
  Ed.Undo();
  EXPECT_EQ(Bytes(), (V{0xAB, 1, 2, 3}));

  // A caret move between the digits, or a save, parts them.
  Sized(4);
  Type("E");
  Key(hkRight);
  Key(hkLeft);
  Type("F");
  EXPECT_EQ(Ed.PeekByte(0), 0xEF);
  Ed.Undo();
  EXPECT_EQ(Ed.PeekByte(0), 0xE0);
  Sized(4);
  Ed.Document().SetModified(false);
  Type("E");
  Ed.Document().SetModified(false);
  Type("F");
  EXPECT_TRUE(Ed.Document().Modified());
  Ed.Undo();
  EXPECT_EQ(Ed.PeekByte(0), 0xE0);
  EXPECT_FALSE(Ed.Document().Modified());

  // Insert mode: the byte the first digit opened goes with the second.
  Sized(4);
  Ed.SetInsertMode(true);
  Ed.SetSelStart(2);
  Type("5A");
  EXPECT_EQ(Bytes(), (V{0, 1, 0x5A, 2, 3}));
  Ed.Undo();
  EXPECT_EQ(Bytes(), (V{0, 1, 2, 3}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{2, false, false}));
  Ed.Redo();
  EXPECT_EQ(Bytes(), (V{0, 1, 0x5A, 2, 3}));
  EXPECT_EQ(Ed.Caret(), (THexCaret{3, false, false}));
}

}  // namespace
