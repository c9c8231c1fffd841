#include "hexedit/core/HexUndoStorage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexEditorCore.h"

using namespace UndoEntry;

const char* const UndoKindText[UndoKindCount] = {
    "Change Byte(s)", "Remove Data",     "Insert Buffer", "Replace",
    "Append Buffer",  "Insert Nibble",   "Delete Nibble", "Convert",
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
  if (size <= 0) {
    FBytes.clear();
    FHead = 0;
  } else {
    FBytes.resize(FHead + static_cast<size_t>(size));
  }
  if (size < EmptyBelow) FEntryCount = 0;
}

void THexUndoStorage::ResetUndo() {
  SetSize(0);
  FEntryCount = 0;
  FUpdateCount = 0;
  FDescription.clear();
}

void THexUndoStorage::DropOldestUndoEntry() {
  if (Size() < 4) {
    SetSize(0);
    FEntryCount = 0;
    return;
  }
  const uint32_t length = Get32(Memory());
  if (length < static_cast<uint32_t>(MinLength) || static_cast<int64_t>(length) > Size()) {
    SetSize(0);
    FEntryCount = 0;
    return;
  }
  FHead += length;
  if (FEntryCount > 0) --FEntryCount;
  const size_t live = FBytes.size() - FHead;
  if (live == 0) {
    FBytes.clear();
    FHead = 0;
  } else if (FHead >= CompactAbove && FHead >= live) {
    std::memmove(FBytes.data(), FBytes.data() + FHead, live);
    FBytes.resize(live);
    FHead = 0;
  }
}

void THexUndoStorage::AddUndoEntry(UndoKind kind, int pos, int count, int count2,
                                   std::string_view description) {
  if (FUpdateCount >= 1) return;
  const THexEditorCore& editor = FEditor;

  // Trim first: the budget may be exceeded by the newest entry only.
  const int64_t budget = editor.MaxUndo;
  while (budget > 0 && FEntryCount > 0 && Size() > budget) DropOldestUndoEntry();

  int saved = 0;  // bytes copied from the data
  if (kind == ukChangeBytes || kind == ukRemoveData) saved = count;
  if (kind == ukReplace) saved = count2;
  saved = std::max(saved, 0);
  const int64_t n = std::max(saved, 1);
  const bool withText = !description.empty();
  const bool withSelection = editor.HasSelection();
  const int64_t length = FixedLength + n + (withText ? int64_t(description.size()) + 4 : 0) +
                         (withSelection ? SelectionLength : 0);
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

  const THexCaret& caret = editor.Caret();
  uint32_t flags = 1u << kind;
  if (editor.Modified()) flags |= ufModified;
  if (!caret.InCharField && caret.SecondDigit) flags |= ufCaretOnSecondDigit;
  if (caret.InCharField) flags |= ufCaretInCharField;
  if (withSelection) flags |= ufSelection;
  if (editor.InsertFlag()) flags |= ufInsertMode;
  if (editor.UnicodeChars()) flags |= ufUnicodeChars;
  if (editor.UnicodeBigEndian()) flags |= ufUnicodeBigEndian;
  if (withText) flags |= ufDescription;

  if (saved > 0) editor.CopyDataOut(e + SavedOffset, pos, saved);
  if (kind == ukChangeBytes) {
    if (editor.ByteChanged(pos)) flags |= ufFirstByteChanged;
    if (count == 2 && editor.ByteChanged(pos + 1)) flags |= ufSecondByteChanged;
  }

  Put32(e + LengthOffset, static_cast<uint32_t>(length));
  Put32(e + FlagsOffset, flags);
  Put32(e + CaretOffset, static_cast<uint32_t>(caret.Position));
  Put32(e + PositionOffset, static_cast<uint32_t>(pos));
  Put32(e + CountOffset, static_cast<uint32_t>(count));
  Put32(e + Count2Offset, static_cast<uint32_t>(count2));
  e[TranslationOffset] = static_cast<uint8_t>(editor.Translation());
  Put32(e + BytesPerUnitOffset, static_cast<uint32_t>(editor.BytesPerUnit()));
  uint8_t* p = e + SavedOffset + n + 1;  // past the reserved byte
  if (withText) {
    std::copy(description.begin(), description.end(), p);
    p += description.size();
    Put32(p, static_cast<uint32_t>(description.size()));
    p += 4;
  }
  if (withSelection) {
    Put32(p, static_cast<uint32_t>(editor.SelectionLow()));
    Put32(p + 4, static_cast<uint32_t>(editor.SelectionHigh()));
    Put32(p + 8, static_cast<uint32_t>(editor.SelectionAnchor()));
    p += SelectionLength;
  }
  Put32(p, static_cast<uint32_t>(length));
  ++FEntryCount;
  FDescription = withText ? std::string(description) : std::string(UndoKindText[kind]);

  // Bookmarks follow the data that moves.
  switch (kind) {
    case ukRemoveData: FEditor.AdjustBookmarks(pos + count, -count); break;
    case ukInsertBuffer: FEditor.AdjustBookmarks(pos, count); break;
    case ukReplace: FEditor.AdjustBookmarks(pos + count2, count - count2); break;
    default: break;
  }
}
