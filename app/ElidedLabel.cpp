#include "app/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QSize TElidedLabel::minimumSizeHint() const {
  QSize size = QLabel::minimumSizeHint();
  const QMargins m = contentsMargins();
  const int least = fontMetrics().averageCharWidth() * MinimumChars + m.left() + m.right();
  size.setWidth(std::min(size.width(), least));
  return size;
}

bool TElidedLabel::Elided() const {
  return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

void TElidedLabel::paintEvent(QPaintEvent* event) {
  if (!Elided()) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  const QRect box = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, box.width());
  style()->drawItemText(&painter, box, int(alignment()), palette(), isEnabled(), shown,
                        foregroundRole());
}

bool TElidedLabel::event(QEvent* event) {
  // A cut text shows whole in the tool tip (unless the label has one).
  if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
    if (Elided())
      QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QLabel::event(event);
}
