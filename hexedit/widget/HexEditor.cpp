#include "hexedit/widget/HexEditor.h"

#include <QEvent>
#include <QFontDatabase>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>

TCustomHexEditor::TCustomHexEditor(QWidget* parent) : QAbstractScrollArea(parent) {
  // Liberation Mono has the metrics of Courier New.
  QFont font(QStringLiteral("Liberation Mono"), 11);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  setFont(font);
  setFrameShape(QFrame::StyledPanel);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);

  FCore.OnChange = [this] { emit changed(); };
  FCore.OnSelectionChanged = [this] { emit selectionChanged(); };
  FCore.OnBookmarkChanged = [this] { emit bookmarkChanged(); };
  // The queued call dies with the widget if the widget goes first.
  FCore.PostSelectionNotice = [this] {
    QMetaObject::invokeMethod(
        this, [this] { FCore.DeliverSelectionNotice(); }, Qt::QueuedConnection);
  };
  FCore.RequestRepaint = [this] { viewport()->update(); };
  FCore.RequestRepaintRange = [this](int, int) { viewport()->update(); };
}

TCustomHexEditor::~TCustomHexEditor() {
  // Nothing may call back into a half-destroyed widget.
  FCore.OnChange = nullptr;
  FCore.OnSelectionChanged = nullptr;
  FCore.OnBookmarkChanged = nullptr;
  FCore.PostSelectionNotice = nullptr;
  FCore.RequestRepaint = nullptr;
  FCore.RequestRepaintRange = nullptr;
}

void TCustomHexEditor::ResetData(const QString& title) { FCore.ResetData(title.toStdString()); }

void TCustomHexEditor::SetBytesPerColumn(int value) {
  FCore.SetBytesPerColumn(value);
  viewport()->update();
}

void TCustomHexEditor::SetBytesPerUnit(int value) {
  FCore.SetBytesPerUnit(value);
  viewport()->update();
}

void TCustomHexEditor::SetReadOnlyView(bool value) {
  FCore.SetReadOnlyView(value);
  viewport()->update();
}

void TCustomHexEditor::showEvent(QShowEvent* event) {
  if (!FWindowCreated) {
    FWindowCreated = true;
    FCore.WindowCreated();
  }
  QAbstractScrollArea::showEvent(event);
}

void TCustomHexEditor::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) FCore.ControlEnabled = isEnabled();
  QAbstractScrollArea::changeEvent(event);
}

// A plain view until the grid painter arrives: the size, then the first
// rows as offset, hex digits and characters.
void TCustomHexEditor::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.setFont(font());
  p.setPen(palette().color(QPalette::Text));
  const QFontMetrics fm(font());
  const int lineHeight = fm.height() + 2;
  int y = fm.ascent() + 4;
  const int x = 6;
  p.drawText(x, y, tr("%1 bytes").arg(FCore.DataSize()));
  y += lineHeight;
  const int bytesPerRow = 16;
  const int visibleRows = viewport()->height() / lineHeight;
  for (int row = 0; row < visibleRows; ++row) {
    const int start = row * bytesPerRow;
    if (start >= FCore.DataSize()) break;
    QString line = QStringLiteral("%1  ").arg(start, 6, 16, QLatin1Char('0')).toUpper();
    QString chars;
    for (int i = 0; i < bytesPerRow; ++i) {
      const int pos = start + i;
      if (pos < FCore.DataSize()) {
        const uint8_t b = FCore.PeekByte(pos);
        line += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        chars += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar('.');
      } else {
        line += QStringLiteral("   ");
      }
    }
    p.drawText(x, y, line + QStringLiteral(" ") + chars);
    y += lineHeight;
  }
}
