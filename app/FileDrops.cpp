// Files dropped on the window. A whole-card image (a file with records in
// the internal or external EEPROM range) loads as a card image wherever it
// lands. Any other file loads into the image it was dropped on: an image's
// page, or a memory's row of the Programmer page (its load button, name
// box, buttons, anywhere across the row). One file per drop.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>

#include "app/MainUnit.h"
#include "images/ImageFormats.h"

namespace {

// The one local file a drag carries, or empty.
QString DraggedFile(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

}  // namespace

int TMainForm::DropTarget(const QPoint& pos) const {
  QWidget* under = childAt(pos);
  for (TImageKind kind : AllImageKinds) {
    QWidget* page = Page(kind);
    if (under && (under == page || page->isAncestorOf(under))) return kind;
  }
  if (pgcMain->currentWidget() != TabSheet2) return -1;
  // A row of the Programmer page: the band of its file name box, half the
  // gap to the next row included.
  for (TImageKind kind : AllImageKinds) {
    const QLineEdit* box = FileBox(kind);
    const QPoint top = box->mapTo(this, QPoint(0, 0));
    const int margin = box->height() / 2;
    if (pos.y() >= top.y() - margin && pos.y() < top.y() + box->height() + margin) return kind;
  }
  return -1;
}

void TMainForm::DropFile(const QString& fileName, int target) {
  if (IsCardImageLayout(fileName)) {
    LoadCardImageFile(fileName);
    return;
  }
  if (target < 0) {
    SetStatusText(QStringLiteral("Drop the file on an image's page or on a memory's row."));
    return;
  }
  OpenImageFile(static_cast<TImageKind>(target), fileName);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!FUiLocked && !DraggedFile(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event) {
  if (!FUiLocked && !DraggedFile(event->mimeData()).isEmpty())
    event->acceptProposedAction();
  else
    event->ignore();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (FUiLocked || file.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  const int target = DropTarget(event->position().toPoint());
  // After the drop has ended: a question or an error box shown inside the
  // drop would keep the dragging program waiting until it closes.
  QMetaObject::invokeMethod(
      this, [this, file, target] { RunCommand([this, file, target] { DropFile(file, target); }); },
      Qt::QueuedConnection);
}
