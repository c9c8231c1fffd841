#pragma once
// The editor's own input vocabulary: key codes, the modifier and button
// set of an event, mouse buttons and the mouse cursor kinds. The widget
// maps its toolkit's events onto these; the core never sees Qt.
//
// Key codes are plain integers so that a host's key-down hook can change
// a key into any other (or into hkNone). The values follow the common PC
// virtual-key numbering: digits and letters are their upper-case ASCII
// codes.

#include <cstdint>
#include <functional>
#include <string>

enum THexKey : int {
  hkNone = 0,
  hkBack = 0x08,
  hkTab = 0x09,
  hkReturn = 0x0D,
  hkShift = 0x10,
  hkControl = 0x11,
  hkAlt = 0x12,
  hkEscape = 0x1B,
  hkSpace = 0x20,
  hkPageUp = 0x21,
  hkPageDown = 0x22,
  hkEnd = 0x23,
  hkHome = 0x24,
  hkLeft = 0x25,
  hkUp = 0x26,
  hkRight = 0x27,
  hkDown = 0x28,
  hkInsert = 0x2D,
  hkDelete = 0x2E,
  hk0 = 0x30,  // hk0 + d for digit d
  hk9 = 0x39,
  hkA = 0x41,  // hkA + i for the i-th letter
  hkT = 0x54,
  hkZ = 0x5A,
  hkF1 = 0x70,  // hkF1 + i for F(i + 1)
  hkF12 = 0x7B,
  hkOther = 0xFF,  // a key the editor has no code for
};

// The modifier keys and mouse buttons held during an event, and whether a
// press is the second of a double-click.
using THexShiftState = uint8_t;
inline constexpr THexShiftState hsShift = 0x01;
inline constexpr THexShiftState hsAlt = 0x02;
inline constexpr THexShiftState hsCtrl = 0x04;
inline constexpr THexShiftState hsLeft = 0x08;
inline constexpr THexShiftState hsRight = 0x10;
inline constexpr THexShiftState hsMiddle = 0x20;
inline constexpr THexShiftState hsDouble = 0x40;
inline constexpr THexShiftState hsKeys = hsShift | hsAlt | hsCtrl;
inline constexpr THexShiftState hsButtons = hsLeft | hsRight | hsMiddle;

enum THexMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

enum THexCursorKind : uint8_t { hcIBeam, hcArrow };

// The editing commands the editor's own keys stand for.
enum THexEditCommand : uint8_t { ecNone, ecUndo, ecRedo, ecCut, ecCopy, ecPaste, ecSelectAll };

// Progress of a long operation (no operation of this editor reports any).
enum THexProgressKind : uint8_t { pkLoad, pkSave, pkFind };
using THexProgressEvent = std::function<void(
    THexProgressKind ProgressType, const std::string& aName, uint8_t Percent, bool& Cancel)>;

// The host's hooks into key handling: both run before the editor acts and
// may change what it acts on.
using THexKeyDownEvent = std::function<void(int& Key, THexShiftState Shift)>;
using THexKeyPressEvent = std::function<void(char32_t& Key)>;

// The text the editor's Version property reads.
inline constexpr const char* HexEditorVersion = "Pellar hex editor 1.0";
