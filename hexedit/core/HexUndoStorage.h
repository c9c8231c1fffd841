#pragma once
// The edit journal: one byte stream of entries back to back, written at
// the end and trimmed from the front to a byte budget.
//
// Layout of one entry (little-endian, packed):
//   0   4  total length L of the entry, this field and the trailing copy included
//   4   4  flags (UndoFlag)
//   8   4  caret byte position when recorded (may equal the data size)
//   12  4  position of the change
//   16  4  count (bytes changed, removed, inserted, appended; kind 3: new length)
//   20  4  second count (kind 3: length of the replaced selection; else 0)
//   24  1  translation kind in force
//   25  4  bytes per unit in force
//   29  n  saved bytes, n >= 1 (one zero byte when the kind saves nothing)
//   +0  1  reserved, zero
//   +1  d  description characters, no terminator   } only with ufDescription
//   +d  4  d                                       }
//   ..  12 selection low, high, anchor             } only with ufSelection
//   L-4 4  L again, so the last entry can be found from the end
// L = 34 + n, plus d + 4 with a description, plus 12 with a selection.
//
// The journal keeps a dead prefix of dropped entries and moves the live
// entries down only when that prefix outgrows them, so dropping the oldest
// entry costs the same however full the journal is. To its users the
// stream is Memory() .. Memory() + Size(), first entry at offset 0.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class THexEditorCore;

enum UndoKind : uint8_t {
  ukChangeBytes = 0,
  ukRemoveData = 1,
  ukInsertBuffer = 2,
  ukReplace = 3,
  ukAppendBuffer = 4,
  ukInsertNibble = 5,
  ukDeleteNibble = 6,
  ukConvert = 7,
  ukCursorMovement = 8,
  ukMultipleModification = 9,
  ukAllDataSaved = 10,
};
inline constexpr int UndoKindCount = 11;

// Default description of each kind.
extern const char* const UndoKindText[UndoKindCount];

namespace UndoEntry {
inline constexpr int LengthOffset = 0;
inline constexpr int FlagsOffset = 4;
inline constexpr int CaretOffset = 8;
inline constexpr int PositionOffset = 12;
inline constexpr int CountOffset = 16;
inline constexpr int Count2Offset = 20;
inline constexpr int TranslationOffset = 24;
inline constexpr int BytesPerUnitOffset = 25;
inline constexpr int SavedOffset = 29;
// Header, reserved byte and trailing length: an entry is this plus n.
inline constexpr int FixedLength = 34;
inline constexpr int MinLength = FixedLength + 1;
inline constexpr int SelectionLength = 12;

// Flags: bit (1 << kind) plus these.
inline constexpr uint32_t ufFirstByteChanged = 0x800;    // kind 0
inline constexpr uint32_t ufSecondByteChanged = 0x1000;  // kind 0, count 2
inline constexpr uint32_t ufModified = 0x2000;
inline constexpr uint32_t ufCaretOnSecondDigit = 0x4000;
inline constexpr uint32_t ufCaretInCharField = 0x8000;
inline constexpr uint32_t ufSelection = 0x10000;
inline constexpr uint32_t ufInsertMode = 0x20000;
inline constexpr uint32_t ufUnicodeChars = 0x40000;
inline constexpr uint32_t ufUnicodeBigEndian = 0x80000;
inline constexpr uint32_t ufDescription = 0x100000;
inline constexpr uint32_t KindMask = 0x7FF;

inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
}  // namespace UndoEntry

class THexUndoStorage {
public:
  explicit THexUndoStorage(THexEditorCore& editor) : FEditor(editor) {}
  ~THexUndoStorage() { ResetUndo(); }
  THexUndoStorage(const THexUndoStorage&) = delete;
  THexUndoStorage& operator=(const THexUndoStorage&) = delete;

  const uint8_t* Memory() const { return FBytes.data() + FHead; }
  uint8_t* Memory() { return FBytes.data() + FHead; }
  int64_t Size() const { return static_cast<int64_t>(FBytes.size() - FHead); }
  // Cuts or zero-extends the stream at its end; below 30 bytes no entry
  // can be held, so EntryCount drops to 0.
  void SetSize(int64_t size);

  int EntryCount() const { return FEntryCount; }
  int UpdateCount() const { return FUpdateCount; }
  // Text of the entry added last.
  const std::string& Description() const { return FDescription; }

  // Appends one entry describing the edit the editor is about to make, after
  // trimming the oldest entries while the journal exceeds MaxUndo. Does
  // nothing while recording is suspended. Raises EHexStreamError when the
  // journal cannot grow; the new entry is then not added.
  void AddUndoEntry(UndoKind kind, int pos, int count, int count2, std::string_view description);
  // Drops the first entry. A leading length that no entry can have (below
  // the smallest entry, or beyond the stream) means a corrupt journal: it
  // is emptied instead.
  void DropOldestUndoEntry();
  void ResetUndo();
  int BeginUndoUpdate() { return ++FUpdateCount; }
  int EndUndoUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    return FUpdateCount;
  }

private:
  THexEditorCore& FEditor;
  std::vector<uint8_t> FBytes;
  size_t FHead = 0;  // start of the first live entry in FBytes
  int FEntryCount = 0;
  int FUpdateCount = 0;
  std::string FDescription;
};
