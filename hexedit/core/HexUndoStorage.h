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
//   ..  r  restore block                           } only with ufRestore
//   L-4 4  L again, so the last entry can be found from the end
// L = 34 + n, plus d + 4 with a description, plus 12 with a selection,
// plus r with a restore block (EntryLength below).
//
// The restore block holds what undoing the entry needs beyond the saved
// bytes and the header, when there is any of it:
//   4      m, the number of change marks saved
//   (m+7)/8  the marks from the entry's position on, lowest bit first
//   1      k, the number of bookmarks saved
//   k * 6  slot (1), position (4, -1 = unset), in the character field (1)
//   4      r, the block's length, this field included
// Without the block a kind 0 entry's marks are those of flags 0x800 and
// 0x1000, and the other kinds saved no marks and no bookmarks.
//
// An entry with ufJoined belongs to the same undo step as the entry
// before it: undo and redo take a step as a whole, and a trim never cuts
// one.
//
// The editor keeps two journals: the undo journal of the edits made, and
// the redo journal of the edits undone. An entry of either is a recipe:
// at Position, Count/Count2 say how many bytes are there now (the new
// length) and how many to put back (the saved bytes). Undoing an entry
// records its opposite in the other journal first.
//
// The journal keeps a dead prefix of dropped entries and moves the live
// entries down only when that prefix outgrows them, so dropping the oldest
// entry costs the same however full the journal is. To its users the
// stream is Memory() .. Memory() + Size(), first entry at offset 0.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
inline constexpr uint32_t ufRestore = 0x200000;
inline constexpr uint32_t ufJoined = 0x400000;
inline constexpr uint32_t KindMask = 0x7FF;
inline constexpr int BookmarkRecordLength = 6;

inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// Length of the restore block holding `marks` change marks and
// `bookmarks` bookmarks; 0 (no block) when there are neither.
inline int64_t RestoreBlockLength(int64_t marks, int64_t bookmarks) {
  return marks > 0 || bookmarks > 0 ? 4 + (marks + 7) / 8 + 1 + BookmarkRecordLength * bookmarks + 4
                                    : 0;
}
// L of an entry saving `saved` bytes, with a description of
// descriptionLength characters (0: none), with a selection or without,
// and with the restore block of marks and bookmarks. Whatever sizes an
// entry before it is written asks this.
inline int64_t EntryLength(int64_t saved, int64_t descriptionLength, bool selection, int64_t marks,
                           int64_t bookmarks) {
  return FixedLength + (saved > 1 ? saved : 1) +
         (descriptionLength > 0 ? descriptionLength + 4 : 0) + (selection ? SelectionLength : 0) +
         RestoreBlockLength(marks, bookmarks);
}

// Bytes an entry of this kind saves and bytes it says are there now.
inline int SavedCountOf(UndoKind kind, int count, int count2) {
  switch (kind) {
    case ukChangeBytes:
    case ukRemoveData: return count;
    case ukReplace: return count2;
    default: return 0;
  }
}
inline int NewCountOf(UndoKind kind, int count, int /*count2*/) {
  switch (kind) {
    case ukRemoveData: return 0;
    case ukChangeBytes:
    case ukInsertBuffer:
    case ukReplace:
    case ukAppendBuffer: return count;
    default: return 0;
  }
}
}  // namespace UndoEntry

// The editor state an entry puts back besides the bytes.
struct THexUndoState {
  int CaretPosition = 0;
  bool CaretInCharField = false;
  bool CaretOnSecondDigit = false;
  int SelAnchor = -1;
  int SelLow = -1;
  int SelHigh = -1;
  bool InsertFlag = false;

  bool operator==(const THexUndoState&) const = default;
};

struct THexSavedBookmark {
  int Slot = 0;
  int Position = -1;
  bool InCharField = false;
};

// The editor's settings an entry notes beside its state; undo does not
// put them back.
struct THexEntrySettings {
  uint8_t Translation = 0;  // THexTranslationKind
  int BytesPerUnit = 1;
  bool UnicodeChars = false;
  bool UnicodeBigEndian = false;
};

// Everything an entry holds beyond its kind, range and description: the
// journal reads nothing else.
struct THexEntryExtras {
  THexUndoState State;
  THexEntrySettings Settings;
  const uint8_t* Saved = nullptr;  // the bytes the entry saves (SavedCountOf of them)
  bool Modified = false;           // the data differed from the saved state before the edit
  bool FirstByteChanged = false;   // kind 0: the change marks of its first two bytes
  bool SecondByteChanged = false;
  bool Joined = false;
  int64_t Budget = 0;             // trim to this many bytes first; <= 0: no trim
  int MarkCount = 0;              // marks saved from the entry's position on
  std::vector<uint8_t> MarkBits;  // (MarkCount + 7) / 8 bytes
  std::vector<THexSavedBookmark> Bookmarks;
  bool HasRestoreBlock() const { return MarkCount > 0 || !Bookmarks.empty(); }
};

// One entry read back. The pointers point into the journal and stay valid
// until it changes.
struct THexUndoEntryView {
  int64_t Offset = 0;
  uint32_t Length = 0;
  uint32_t Flags = 0;
  UndoKind Kind = ukChangeBytes;
  int Position = 0;
  int Count = 0;
  int Count2 = 0;
  const uint8_t* Saved = nullptr;
  int SavedCount = 0;
  THexUndoState State;
  int MarkCount = 0;
  const uint8_t* MarkBits = nullptr;
  std::vector<THexSavedBookmark> Bookmarks;

  bool Joined() const { return (Flags & UndoEntry::ufJoined) != 0; }
  int NewCount() const { return UndoEntry::NewCountOf(Kind, Count, Count2); }
  // Saved change mark i (from Position on), by the block or the flags.
  bool MarkSaved(int i) const;
};

namespace UndoEntry {
// Decodes the entry of the given length at offset of a journal of size
// bytes; false when it does not hang together.
bool DecodeEntry(const uint8_t* journal, int64_t size, int64_t offset, uint32_t length,
                 THexUndoEntryView& entry);
}  // namespace UndoEntry

class THexUndoStorage {
public:
  THexUndoStorage() = default;
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
  // Undo steps held: entries without ufJoined.
  int StepCount() const { return FStepCount; }
  int UpdateCount() const { return FUpdateCount; }
  // Text of the entry added last.
  const std::string& Description() const { return FDescription; }
  // Counts the changes of the stream: equal values mean no entry was
  // added or dropped in between.
  uint64_t Version() const { return FVersion; }

  // Appends one entry describing the edit about to be made, after
  // trimming the oldest steps while the journal exceeds extras.Budget
  // (only before a step's first entry, so that no step is cut). Does
  // nothing while recording is suspended. Raises EHexStreamError when the
  // journal cannot grow; the new entry is then not added.
  void AddUndoEntry(UndoKind kind, int pos, int count, int count2, std::string_view description,
                    const THexEntryExtras& extras);
  // Drops the first entry. A leading length that no entry can have (below
  // the smallest entry, or beyond the stream) means a corrupt journal: it
  // is emptied instead.
  void DropOldestUndoEntry();
  // Drops the first step: its first entry and the joined ones after it.
  void DropOldestUndoStep();
  // The entry ending at offset end (Size() for the last one); false when
  // there is none or it does not hang together.
  bool ReadEntryEndingAt(int64_t end, THexUndoEntryView& entry) const;
  bool ReadLastEntry(THexUndoEntryView& entry) const { return ReadEntryEndingAt(Size(), entry); }
  // Removes the last entry, as ReadLastEntry read it (a view that is not
  // the last entry empties the journal).
  void DropLastEntry(const THexUndoEntryView& last);
  // Empties the journal but keeps recording suspended if it is.
  void DropAllEntries();
  // Makes room for extra more bytes, so that adding them cannot fail;
  // raises EHexStreamError (nothing changed) when memory runs out.
  void Reserve(int64_t extra);
  void ResetUndo();
  int BeginUndoUpdate() { return ++FUpdateCount; }
  int EndUndoUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    return FUpdateCount;
  }

private:
  std::vector<uint8_t> FBytes;
  size_t FHead = 0;  // start of the first live entry in FBytes
  int FEntryCount = 0;
  int FStepCount = 0;
  int FUpdateCount = 0;
  uint64_t FVersion = 0;
  std::string FDescription;
  bool FirstEntryJoined() const;
};
