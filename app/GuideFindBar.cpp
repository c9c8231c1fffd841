#include "app/GuideFindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

namespace {

QToolButton* Button(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  return b;
}

}  // namespace

TGuideFindBar::TGuideFindBar(QTextBrowser* browser, QWidget* parent)
    : QWidget(parent), FBrowser(browser) {
  setObjectName(QStringLiteral("GuideFindBar"));
  auto* label = new QLabel(QStringLiteral("&Find:"), this);
  edFind = new QLineEdit(this);
  edFind->setObjectName(QStringLiteral("edGuideFind"));
  edFind->setClearButtonEnabled(true);
  label->setBuddy(edFind);
  btnPrevious = Button(this, "btnGuidePrevious", QStringLiteral("Previous"),
                       QStringLiteral("Find previous (Shift+Enter)"));
  btnNext =
      Button(this, "btnGuideNext", QStringLiteral("Next"), QStringLiteral("Find next (Enter)"));
  lblNote = new QLabel(this);
  lblNote->setObjectName(QStringLiteral("lblGuideNote"));
  lblNote->setTextFormat(Qt::PlainText);
  // A long note never widens the window.
  lblNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  // A cross, not a second "Close" beside the window's own button.
  btnClose =
      Button(this, "btnGuideClose", QString(), QStringLiteral("Close the find bar (Escape)"));
  btnClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 2, 0, 2);
  row->setSpacing(4);
  row->addWidget(label);
  row->addWidget(edFind, 2);
  row->addWidget(btnPrevious);
  row->addWidget(btnNext);
  row->addWidget(lblNote, 3);
  row->addWidget(btnClose);

  connect(btnNext, &QToolButton::clicked, this, &TGuideFindBar::FindNext);
  connect(btnPrevious, &QToolButton::clicked, this, &TGuideFindBar::FindPrevious);
  connect(btnClose, &QToolButton::clicked, this, &TGuideFindBar::Close);
  // Typing looks again from where the last match began.
  connect(edFind, &QLineEdit::textEdited, this,
          [this] { Search(true, FBrowser->textCursor().selectionStart()); });
  edFind->installEventFilter(this);
  hide();
}

QString TGuideFindBar::Note() const { return lblNote->text(); }

void TGuideFindBar::Open() {
  show();
  edFind->setFocus(Qt::ShortcutFocusReason);
  edFind->selectAll();
}

void TGuideFindBar::Close() {
  hide();
  lblNote->clear();
  FBrowser->setFocus(Qt::OtherFocusReason);
}

void TGuideFindBar::FindNext() { Search(true, FBrowser->textCursor().selectionEnd()); }

void TGuideFindBar::FindPrevious() { Search(false, FBrowser->textCursor().selectionStart()); }

void TGuideFindBar::Search(bool forward, int from) {
  lblNote->clear();
  const QString text = edFind->text();
  if (text.isEmpty()) return;
  const QTextDocument* document = FBrowser->document();
  const QTextDocument::FindFlags flags =
      forward ? QTextDocument::FindFlags() : QTextDocument::FindBackward;
  QTextCursor found = document->find(text, from, flags);
  if (found.isNull()) {
    // Round the end (or the start) to the other one.
    QTextCursor end(FBrowser->document());
    if (!forward) end.movePosition(QTextCursor::End);
    found = document->find(text, end, flags);
    if (found.isNull()) {
      lblNote->setText(QStringLiteral("Not found"));
      return;
    }
    lblNote->setText(forward ? QStringLiteral("Reached the end, continued from the start")
                             : QStringLiteral("Reached the start, continued from the end"));
  }
  FBrowser->setTextCursor(found);
  // A match out of sight comes to a third of the view's height, with the
  // text before it in view too.
  const QRect place = FBrowser->cursorRect(found);
  const int height = FBrowser->viewport()->height();
  if (place.top() < 0 || place.bottom() > height) {
    QScrollBar* bar = FBrowser->verticalScrollBar();
    bar->setValue(bar->value() + place.top() - height / 3);
  }
}

bool TGuideFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edFind && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
      Close();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (key->modifiers() & Qt::ShiftModifier)
        FindPrevious();
      else
        FindNext();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
