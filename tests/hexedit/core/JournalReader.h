#pragma once
// Reads the edit journal back, entry by entry: forward by the leading
// lengths and backward by the trailing ones, independently of the
// editor's own reader, so the tests see what it wrote.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <optional>
#include <string>
#include <vector>

#include "hexedit/core/HexUndoStorage.h"

struct TJournalEntry {
  int64_t Offset = 0;
  uint32_t Length = 0;
  uint32_t Flags = 0;
  int Kind = -1;
  int Caret = 0;
  int Position = 0;
  int Count = 0;
  int Count2 = 0;
  int Translation = 0;
  int BytesPerUnit = 0;
  std::vector<uint8_t> Saved;
  std::optional<std::string> Description;
  std::optional<std::array<int, 3>> Selection;  // low, high, anchor
  int RestoreBlock = 0;                         // length of the restore block, 0 without

  bool operator==(const TJournalEntry&) const = default;
};

// Decodes the entry at offset whose length the caller has found; adds a
// test failure and returns nothing for an entry that does not hang together.
inline std::optional<TJournalEntry> DecodeJournalEntry(const uint8_t* journal, int64_t size,
                                                       int64_t offset, uint32_t length) {
  using namespace UndoEntry;
  if (offset < 0 || length < static_cast<uint32_t>(MinLength) || offset + length > size) {
    ADD_FAILURE() << "entry at " << offset << " with length " << length << " out of bounds";
    return std::nullopt;
  }
  const uint8_t* e = journal + offset;
  TJournalEntry r;
  r.Offset = offset;
  r.Length = length;
  if (Get32(e) != length || Get32(e + length - 4) != length) {
    ADD_FAILURE() << "leading and trailing lengths differ at " << offset;
    return std::nullopt;
  }
  r.Flags = Get32(e + FlagsOffset);
  const uint32_t kindBits = r.Flags & KindMask;
  if (kindBits == 0 || (kindBits & (kindBits - 1)) != 0) {
    ADD_FAILURE() << "not exactly one kind bit at " << offset;
    return std::nullopt;
  }
  r.Kind = std::countr_zero(kindBits);
  r.Caret = static_cast<int>(Get32(e + CaretOffset));
  r.Position = static_cast<int>(Get32(e + PositionOffset));
  r.Count = static_cast<int>(Get32(e + CountOffset));
  r.Count2 = static_cast<int>(Get32(e + Count2Offset));
  r.Translation = e[TranslationOffset];
  r.BytesPerUnit = static_cast<int>(Get32(e + BytesPerUnitOffset));
  int64_t tail = length - 4;  // end of the optional blocks
  if (r.Flags & ufRestore) {
    const uint32_t block = Get32(e + tail - 4);
    if (block < 9 || block > tail) {
      ADD_FAILURE() << "restore block of " << block << " bytes at " << offset;
      return std::nullopt;
    }
    tail -= block;
    r.RestoreBlock = static_cast<int>(block);
  }
  if (r.Flags & ufSelection) {
    tail -= SelectionLength;
    r.Selection =
        std::array<int, 3>{static_cast<int>(Get32(e + tail)), static_cast<int>(Get32(e + tail + 4)),
                           static_cast<int>(Get32(e + tail + 8))};
  }
  int64_t d = 0;
  if (r.Flags & ufDescription) {
    tail -= 4;
    d = Get32(e + tail);
    tail -= d;
  }
  const int64_t n = tail - 1 - SavedOffset;  // the reserved byte sits before tail
  if (n < 1) {
    ADD_FAILURE() << "no saved bytes at " << offset;
    return std::nullopt;
  }
  if (e[SavedOffset + n] != 0) ADD_FAILURE() << "reserved byte not zero at " << offset;
  r.Saved.assign(e + SavedOffset, e + SavedOffset + n);
  if (r.Flags & ufDescription) r.Description = std::string(e + tail, e + tail + d);
  return r;
}

inline std::vector<TJournalEntry> ReadJournalForward(const THexUndoStorage& undo) {
  std::vector<TJournalEntry> entries;
  const uint8_t* m = undo.Memory();
  const int64_t size = undo.Size();
  int64_t offset = 0;
  while (offset < size) {
    if (size - offset < 4) {
      ADD_FAILURE() << "dangling bytes at " << offset;
      break;
    }
    auto e = DecodeJournalEntry(m, size, offset, UndoEntry::Get32(m + offset));
    if (!e) break;
    offset += e->Length;
    entries.push_back(std::move(*e));
  }
  return entries;
}

inline std::vector<TJournalEntry> ReadJournalBackward(const THexUndoStorage& undo) {
  std::vector<TJournalEntry> entries;
  const uint8_t* m = undo.Memory();
  int64_t end = undo.Size();
  while (end > 0) {
    if (end < 4) {
      ADD_FAILURE() << "dangling bytes at 0";
      break;
    }
    const uint32_t length = UndoEntry::Get32(m + end - 4);
    auto e = DecodeJournalEntry(m, undo.Size(), end - int64_t(length), length);
    if (!e) break;
    end = e->Offset;
    entries.insert(entries.begin(), std::move(*e));
  }
  return entries;
}

// Both walks agree, cover the stream exactly and count EntryCount entries.
inline std::vector<TJournalEntry> ReadJournal(const THexUndoStorage& undo) {
  auto forward = ReadJournalForward(undo);
  auto backward = ReadJournalBackward(undo);
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(static_cast<int>(forward.size()), undo.EntryCount());
  return forward;
}
