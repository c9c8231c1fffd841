#include "app/TextQueryDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ReadableColors.h"

TTextQueryDialog::TTextQueryDialog(const TTextQuery& query, QWidget* parent)
    : QDialog(parent), FCheck(query.Check) {
  setObjectName(QStringLiteral("TextQueryDialog"));
  setWindowTitle(query.Title);
  auto* label = new QLabel(query.Label, this);
  edText = new QLineEdit(query.Text, this);
  edText->setObjectName(QStringLiteral("edText"));
  edText->selectAll();
  label->setBuddy(edText);
  lblNote = new QLabel(query.Note, this);
  lblNote->setObjectName(QStringLiteral("lblNote"));
  lblNote->setWordWrap(true);
  lblNote->setVisible(!query.Note.isEmpty());
  lblMessage = new QLabel(this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setTextFormat(Qt::PlainText);
  lblMessage->setWordWrap(true);
  lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetMeaningColor(lblMessage, QColor(0xC0, 0x00, 0x00));
  // Room for a message of two lines from the start, so that one appearing
  // moves nothing and cuts nothing.
  lblMessage->setMinimumHeight(2 * lblMessage->fontMetrics().lineSpacing());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  btnOK = buttons->button(QDialogButtonBox::Ok);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(edText, &QLineEdit::textChanged, lblMessage, &QLabel::clear);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edText);
  layout->addWidget(lblNote);
  layout->addWidget(lblMessage);
  layout->addWidget(buttons);
  setMinimumWidth(360);
}

QString TTextQueryDialog::Text() const { return edText->text(); }
QString TTextQueryDialog::Message() const { return lblMessage->text(); }

void TTextQueryDialog::accept() {
  const QString message = FCheck ? FCheck(Text()) : QString();
  if (!message.isEmpty()) {
    lblMessage->setText(message);
    // A longer message makes the dialog taller below the field and the
    // help line; they stay where they are and whole.
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height()) resize(width(), needed);
    edText->setFocus();
    edText->selectAll();
    return;
  }
  QDialog::accept();
}
