#pragma once
// The status readout of an editor: where the caret is, what is selected,
// what the caret is on, the mode and the modified mark, and the texts the
// status fields show.

#include <cstdint>
#include <string>

struct THexReadout {
  bool HasData = false;
  int Caret = 0;  // byte position
  int Unit = 1;   // bytes per offset unit of the page (2: words)
  bool HasSelection = false;
  int SelStart = 0;
  int SelEnd = 0;  // inclusive
  bool HasByte = false;
  uint8_t Byte = 0;
  char16_t ByteChar = 0;  // as the character field shows it
  bool HasWord = false;
  uint16_t Word = 0;  // little-endian at the caret
  bool Insert = false;
  bool Modified = false;
};

struct THexReadoutTexts {
  std::string Offset;     // "Offset 0x01F0", on a word page "Offset 0x00F8 (byte 0x01F0)"
  std::string Selection;  // "Sel 0x0010-0x001F (16 bytes)"; empty without one
  std::string Value;      // "0x41 = 65 'A'"
  std::string Word;       // "Word 0x4241 = 16961"
  std::string Mode;       // "INS" or "OVR"
  std::string Modified;   // "Modified" or empty
};

// The texts of a readout (UTF-8); all empty while no data is held.
THexReadoutTexts ReadoutTexts(const THexReadout& r);
