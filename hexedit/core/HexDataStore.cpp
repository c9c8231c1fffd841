// The document's data store: held bytes, change marks, size rules and the
// document's part of a reset and a size change.

#include <algorithm>
#include <cstring>

#include "hexedit/core/HexDocument.h"
#include "hexedit/core/HexRadix.h"
#include "hexedit/core/HexScopedFlag.h"

THexDocument::~THexDocument() {
  // The journal and the data are emptied before they go.
  FUndo.ResetUndo();
}

void THexDocument::CopyDataOut(void* dest, int pos, int count) const {
  if (count > 0) std::memcpy(dest, FData.PointerAt(pos), static_cast<size_t>(count));
}

void THexDocument::CopyDataIn(const void* src, int pos, int count) {
  if (count > 0) std::memcpy(FData.PointerAt(pos), src, static_cast<size_t>(count));
}

void THexDocument::InsertBytes(const void* buffer, int count, int pos) {
  const int old = DataSize();
  FData.SetSize(int64_t(old) + count);
  if (pos < old) FData.MoveBytes(pos, int64_t(pos) + count, old - pos);
  CopyDataIn(buffer, pos, count);
}

void THexDocument::RemoveBytes(int start, int end) {
  const int size = DataSize();
  if (end <= size - 1) FData.MoveBytes(end, start, size - end);
  FData.SetSize(size - (end - start));
}

void THexDocument::Splice(int pos, int remove, const uint8_t* insert, int count) {
  const int64_t size = DataSize();
  const int64_t tail = size - pos - remove;
  if (count > remove) {
    FData.SetSize(size - remove + count);
    FData.MoveBytes(pos + remove, pos + count, tail);
  } else if (count < remove) {
    FData.MoveBytes(pos + remove, pos + count, tail);
    FData.SetSize(size - remove + count);
  }
  CopyDataIn(insert, pos, count);
}

bool THexDocument::ByteChanged(int pos) const {
  if (InsertMode()) return false;
  return pos >= 0 && pos < ChangeMarksSize() && FChangeMarks[static_cast<size_t>(pos)];
}

void THexDocument::SetChangeMark(int pos, bool value) {
  if (pos < 0) return;
  const auto i = static_cast<size_t>(pos);
  if (i >= FChangeMarks.size()) {
    if (!value) return;  // beyond the marks every byte reads unchanged
    FChangeMarks.resize(i + 1, false);
  }
  FChangeMarks[i] = value;
}

void THexDocument::CutChangeMarks(int size) {
  if (size < 0) size = 0;
  if (static_cast<size_t>(size) < FChangeMarks.size())
    FChangeMarks.resize(static_cast<size_t>(size));
}

void THexDocument::CheckSaveAllowed() const {
  if (FReadOnlyFile) throw EFileOpenError(FillPlaceholders(HexMsg::SaveReadOnly, {FFileTitle}));
}

void THexDocument::Reset(std::string_view title) {
  FData.SetSize(0);
  FFileTitle = title.empty() ? std::string(UntitledTitle) : std::string(title);
  FUndo.ResetUndo();
  FRedo.ResetUndo();
  FChangeMarks.clear();
  SetModified(false);
  FReadOnlyFile = true;
  FDataInitialised = true;
  // Bookmarks of the old data mean nothing in the new.
  bool hadBookmarks = false;
  for (THexBookmark& b : FBookmarks) {
    hadBookmarks |= b.Position != -1;
    b = THexBookmark{};
  }
  if (hadBookmarks) BookmarkChanged();
}

bool THexDocument::Resize(int newSize, const THexEditContext& now) {
  if (newSize < 0)
    throw EHexEditor(FillPlaceholders(HexMsg::InvalidDataSize, {std::to_string(newSize)}));
  const int old = DataSize();
  if (newSize == old) {
    FDataInitialised = true;
    return false;
  }
  if (newSize != 0 && old != 0 && SizeFixed()) throw EHexEditor(HexMsg::FixedFileSize);
  // Room first: a growth that fails must not leave a journal entry behind.
  if (newSize > old) Reserve(newSize);
  {
    // A size change of its own is allowed while the size is fixed.
    const THexScopedFlag inProgress(FSizeChangeInProgress);
    if (newSize < old)
      RecordChange(ukRemoveData, newSize, old - newSize, 0, {}, now);
    else
      RecordChange(ukAppendBuffer, old, newSize - old, 0, {}, now);
  }
  FData.SetSize(newSize);
  if (newSize > old)
    std::memset(FData.PointerAt(old), FFillByte, static_cast<size_t>(newSize - old));
  FDataInitialised = true;
  return true;
}
