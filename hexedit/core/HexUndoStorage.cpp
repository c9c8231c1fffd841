#include "hexedit/core/HexUndoStorage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "hexedit/core/EHexEditor.h"

using namespace UndoEntry;

const char* const UndoKindText[UndoKindCount] = {
    "Change Byte(s)",  "Remove Data",           "Insert Buffer",  "Replace",
    "Append Buffer",   "Insert Nibble",         "Delete Nibble",  "Convert",
    "Cursor movement", "Multiple Modification", "All data saved",
};

namespace {
// Below this no entry can be held at all.
constexpr int64_t EmptyBelow = 30;
// The dead prefix is reclaimed once it is this large and at least as large
// as the live journal behind it.
constexpr size_t CompactAbove = 64 * 1024;
}  // namespace

void THexUndoStorage::SetSize(int64_t size) {
  ++FVersion;
  if (size <= 0) {
    FBytes.clear();
    FHead = 0;
  } else {
    FBytes.resize(FHead + static_cast<size_t>(size));
  }
  if (size < EmptyBelow) FEntryCount = FStepCount = 0;
}

void THexUndoStorage::ResetUndo() {
  SetSize(0);
  FEntryCount = 0;
  FStepCount = 0;
  FUpdateCount = 0;
  FDescription.clear();
}

void THexUndoStorage::DropAllEntries() {
  SetSize(0);
  FEntryCount = 0;
  FStepCount = 0;
}

bool THexUndoStorage::FirstEntryJoined() const {
  return Size() >= 8 && (Get32(Memory() + FlagsOffset) & ufJoined) != 0;
}

void THexUndoStorage::DropOldestUndoEntry() {
  if (Size() < 4) {
    DropAllEntries();
    return;
  }
  const uint32_t length = Get32(Memory());
  if (length < static_cast<uint32_t>(MinLength) || static_cast<int64_t>(length) > Size()) {
    DropAllEntries();
    return;
  }
  if (!FirstEntryJoined() && FStepCount > 0) --FStepCount;
  ++FVersion;
  FHead += length;
  if (FEntryCount > 0) --FEntryCount;
  const size_t live = FBytes.size() - FHead;
  if (live == 0) {
    FBytes.clear();
    FHead = 0;
    FEntryCount = FStepCount = 0;
  } else if (FHead >= CompactAbove && FHead >= live) {
    std::memmove(FBytes.data(), FBytes.data() + FHead, live);
    FBytes.resize(live);
    FHead = 0;
  }
}

void THexUndoStorage::DropOldestUndoStep() {
  DropOldestUndoEntry();
  // Entries joined to the dropped one would be half a step.
  while (FEntryCount > 0 && FirstEntryJoined()) DropOldestUndoEntry();
}

bool THexUndoStorage::ReadEntryEndingAt(int64_t end, THexUndoEntryView& entry) const {
  if (end < MinLength || end > Size()) return false;
  const uint32_t length = Get32(Memory() + end - 4);
  if (length > end) return false;
  return DecodeEntry(Memory(), Size(), end - length, length, entry);
}

void THexUndoStorage::DropLastEntry(const THexUndoEntryView& last) {
  if (last.Length == 0 || last.Offset + int64_t(last.Length) != Size()) {
    DropAllEntries();
    return;
  }
  FBytes.resize(FBytes.size() - last.Length);
  ++FVersion;
  if (FEntryCount > 0) --FEntryCount;
  if (!last.Joined() && FStepCount > 0) --FStepCount;
  if (FBytes.size() == FHead) {
    FBytes.clear();
    FHead = 0;
    FEntryCount = FStepCount = 0;
  }
}

void THexUndoStorage::Reserve(int64_t extra) {
  try {
    FBytes.reserve(FBytes.size() + static_cast<size_t>(std::max<int64_t>(extra, 0)));
  } catch (const std::bad_alloc&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  } catch (const std::length_error&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  }
}

void THexUndoStorage::AddUndoEntry(UndoKind kind, int pos, int count, int count2,
                                   std::string_view description, const THexEntryExtras& extras) {
  if (FUpdateCount >= 1) return;
  const bool joined = extras.Joined && FEntryCount > 0;

  // Trim first: the budget may be exceeded by the newest step only.
  const int64_t budget = extras.Budget;
  if (!joined)
    while (budget > 0 && FEntryCount > 0 && Size() > budget) DropOldestUndoStep();

  const int saved = std::max(SavedCountOf(kind, count, count2), 0);
  const int64_t n = std::max(saved, 1);
  const THexUndoState& state = extras.State;
  const THexEntrySettings& settings = extras.Settings;
  const bool withText = !description.empty();
  const bool withSelection = state.SelAnchor != -1;
  const int64_t marks = extras.MarkCount;
  const int64_t bookmarks = int64_t(extras.Bookmarks.size());
  const int64_t restoreLength = RestoreBlockLength(marks, bookmarks);
  const bool withRestore = restoreLength > 0;
  const int64_t markBytes = (marks + 7) / 8;
  const int64_t length =
      EntryLength(saved, int64_t(description.size()), withSelection, marks, bookmarks);
  if (length > 0x7FFFFFFF) throw EHexStreamError(HexMsg::StreamGrowth);

  // Grow first; a failure leaves the journal as it was.
  const size_t start = FBytes.size();
  try {
    FBytes.resize(start + static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  } catch (const std::length_error&) {
    throw EHexStreamError(HexMsg::StreamGrowth);
  }
  uint8_t* e = FBytes.data() + start;
  std::fill(e, e + length, uint8_t{0});

  uint32_t flags = 1u << kind;
  if (extras.Modified) flags |= ufModified;
  if (!state.CaretInCharField && state.CaretOnSecondDigit) flags |= ufCaretOnSecondDigit;
  if (state.CaretInCharField) flags |= ufCaretInCharField;
  if (withSelection) flags |= ufSelection;
  if (state.InsertFlag) flags |= ufInsertMode;
  if (settings.UnicodeChars) flags |= ufUnicodeChars;
  if (settings.UnicodeBigEndian) flags |= ufUnicodeBigEndian;
  if (withText) flags |= ufDescription;
  if (withRestore) flags |= ufRestore;
  if (joined) flags |= ufJoined;

  if (saved > 0) std::memcpy(e + SavedOffset, extras.Saved, static_cast<size_t>(saved));
  if (kind == ukChangeBytes) {
    if (extras.FirstByteChanged) flags |= ufFirstByteChanged;
    if (count == 2 && extras.SecondByteChanged) flags |= ufSecondByteChanged;
  }

  Put32(e + LengthOffset, static_cast<uint32_t>(length));
  Put32(e + FlagsOffset, flags);
  Put32(e + CaretOffset, static_cast<uint32_t>(state.CaretPosition));
  Put32(e + PositionOffset, static_cast<uint32_t>(pos));
  Put32(e + CountOffset, static_cast<uint32_t>(count));
  Put32(e + Count2Offset, static_cast<uint32_t>(count2));
  e[TranslationOffset] = settings.Translation;
  Put32(e + BytesPerUnitOffset, static_cast<uint32_t>(settings.BytesPerUnit));
  uint8_t* p = e + SavedOffset + n + 1;  // past the reserved byte
  if (withText) {
    std::copy(description.begin(), description.end(), p);
    p += description.size();
    Put32(p, static_cast<uint32_t>(description.size()));
    p += 4;
  }
  if (withSelection) {
    Put32(p, static_cast<uint32_t>(state.SelLow));
    Put32(p + 4, static_cast<uint32_t>(state.SelHigh));
    Put32(p + 8, static_cast<uint32_t>(state.SelAnchor));
    p += SelectionLength;
  }
  if (withRestore) {
    Put32(p, static_cast<uint32_t>(extras.MarkCount));
    p += 4;
    std::copy(extras.MarkBits.begin(), extras.MarkBits.begin() + markBytes, p);
    p += markBytes;
    *p++ = static_cast<uint8_t>(extras.Bookmarks.size());
    for (const THexSavedBookmark& b : extras.Bookmarks) {
      p[0] = static_cast<uint8_t>(b.Slot);
      Put32(p + 1, static_cast<uint32_t>(b.Position));
      p[5] = b.InCharField ? 1 : 0;
      p += BookmarkRecordLength;
    }
    Put32(p, static_cast<uint32_t>(restoreLength));
    p += 4;
  }
  Put32(p, static_cast<uint32_t>(length));
  ++FVersion;
  ++FEntryCount;
  if (!joined) ++FStepCount;
  FDescription = withText ? std::string(description) : std::string(UndoKindText[kind]);
}

bool THexUndoEntryView::MarkSaved(int i) const {
  if (Flags & ufRestore) return i >= 0 && i < MarkCount && (MarkBits[i / 8] >> (i % 8) & 1) != 0;
  if (Kind != ukChangeBytes) return false;
  if (i == 0) return (Flags & ufFirstByteChanged) != 0;
  if (i == 1 && Count == 2) return (Flags & ufSecondByteChanged) != 0;
  return false;
}

bool UndoEntry::DecodeEntry(const uint8_t* journal, int64_t size, int64_t offset, uint32_t length,
                            THexUndoEntryView& entry) {
  if (offset < 0 || length < static_cast<uint32_t>(MinLength) || offset + length > size)
    return false;
  const uint8_t* e = journal + offset;
  if (Get32(e) != length || Get32(e + length - 4) != length) return false;
  entry = THexUndoEntryView{};
  entry.Offset = offset;
  entry.Length = length;
  entry.Flags = Get32(e + FlagsOffset);
  const uint32_t kindBits = entry.Flags & KindMask;
  if (kindBits == 0 || (kindBits & (kindBits - 1)) != 0) return false;
  entry.Kind = static_cast<UndoKind>(std::countr_zero(kindBits));
  entry.Position = static_cast<int>(Get32(e + PositionOffset));
  entry.Count = static_cast<int>(Get32(e + CountOffset));
  entry.Count2 = static_cast<int>(Get32(e + Count2Offset));
  entry.SavedCount = SavedCountOf(entry.Kind, entry.Count, entry.Count2);
  if (entry.Count < 0 || entry.Count2 < 0 || entry.SavedCount < 0) return false;
  THexUndoState& s = entry.State;
  s.CaretPosition = static_cast<int>(Get32(e + CaretOffset));
  s.CaretInCharField = (entry.Flags & ufCaretInCharField) != 0;
  s.CaretOnSecondDigit = (entry.Flags & ufCaretOnSecondDigit) != 0;
  s.InsertFlag = (entry.Flags & ufInsertMode) != 0;

  int64_t tail = int64_t(length) - 4;  // end of the optional blocks
  if (entry.Flags & ufRestore) {
    if (tail < 4) return false;
    const int64_t r = Get32(e + tail - 4);
    if (r < 9 || r > tail) return false;
    const uint8_t* b = e + tail - r;
    const int64_t marks = Get32(b);
    const int64_t markBytes = (marks + 7) / 8;
    if (4 + markBytes + 1 + 4 > r) return false;
    const int k = b[4 + markBytes];
    if (4 + markBytes + 1 + BookmarkRecordLength * int64_t(k) + 4 != r) return false;
    entry.MarkCount = static_cast<int>(marks);
    entry.MarkBits = b + 4;
    const uint8_t* q = b + 4 + markBytes + 1;
    for (int i = 0; i < k; ++i, q += BookmarkRecordLength)
      entry.Bookmarks.push_back({q[0], static_cast<int>(Get32(q + 1)), q[5] != 0});
    tail -= r;
  }
  if (entry.Flags & ufSelection) {
    tail -= SelectionLength;
    if (tail < SavedOffset) return false;
    s.SelLow = static_cast<int>(Get32(e + tail));
    s.SelHigh = static_cast<int>(Get32(e + tail + 4));
    s.SelAnchor = static_cast<int>(Get32(e + tail + 8));
  }
  if (entry.Flags & ufDescription) {
    tail -= 4;
    if (tail < SavedOffset) return false;
    tail -= Get32(e + tail);
  }
  // What is left is the saved bytes and the reserved byte.
  if (tail != SavedOffset + std::max<int64_t>(entry.SavedCount, 1) + 1) return false;
  entry.Saved = e + SavedOffset;
  return true;
}
