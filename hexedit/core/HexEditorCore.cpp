// Construction, life cycle, notifications and repaint requests.

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"

THexEditorCore::THexEditorCore() = default;

THexEditorCore::~THexEditorCore() {
  // The journal and the data are emptied before they go.
  FUndo.ResetUndo();
}

void THexEditorCore::WindowCreated() {
  if (!FDataInitialised) ResetData(UntitledTitle);
}

void THexEditorCore::NotifyChange() {
  if (OnChange) OnChange();
  NotifySelectionChange();
}

void THexEditorCore::NotifySelectionChange() {
  if (FPendingSelectionNotices == 0 && PostSelectionNotice) PostSelectionNotice();
  ++FPendingSelectionNotices;
}

void THexEditorCore::DeliverSelectionNotice() {
  if (FPendingSelectionNotices == 0) return;
  FPendingSelectionNotices = 0;
  if (OnSelectionChanged) OnSelectionChanged();
}

void THexEditorCore::CheckSaveAllowed() const {
  if (FReadOnlyFile) throw EFileOpenError(FillPlaceholders(HexMsg::SaveReadOnly, {FFileTitle}));
}

void THexEditorCore::Invalidate() {
  if (RequestRepaint) RequestRepaint();
}

void THexEditorCore::InvalidateRows(int firstPos, int lastPos) {
  if (RequestRepaintRange)
    RequestRepaintRange(std::min(firstPos, lastPos), std::max(firstPos, lastPos));
  else
    Invalidate();
}
