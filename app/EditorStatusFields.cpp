#include "app/EditorStatusFields.h"

#include <QLabel>
#include <QStatusBar>

#include "hexedit/widget/HexEditor.h"

namespace {
QLabel* Field(QStatusBar* bar, const char* name, const char* tip) {
  auto* label = new QLabel(bar);
  label->setObjectName(QString::fromLatin1(name));
  label->setToolTip(QString::fromLatin1(tip));
  label->setTextFormat(Qt::PlainText);
  label->setContentsMargins(4, 0, 4, 0);
  label->hide();
  bar->addPermanentWidget(label);
  return label;
}

void Set(QLabel* label, const std::string& text) {
  const QString t = QString::fromStdString(text);
  if (label->text() != t) label->setText(t);
  label->setVisible(!t.isEmpty());
}
}  // namespace

TEditorStatusFields::TEditorStatusFields(QStatusBar* bar)
    : lblOffset(Field(bar, "lblOffset", "Caret offset")),
      lblSelection(Field(bar, "lblSelection", "Selection: first and last byte, length")),
      lblValue(Field(bar, "lblValue", "Byte at the caret: hex, decimal, character")),
      lblWord(Field(bar, "lblWord", "16-bit little-endian value at the caret")),
      lblMode(Field(bar, "lblMode", "Insert (INS) or overwrite (OVR) mode")),
      lblModified(Field(bar, "lblModified", "The image has changes that are not saved")) {}

void TEditorStatusFields::Show(const TCustomHexEditor* editor) {
  THexReadoutTexts t;
  if (editor) t = ReadoutTexts(editor->Core().Readout());
  Set(lblOffset, t.Offset);
  Set(lblSelection, t.Selection);
  Set(lblValue, t.Value);
  Set(lblWord, t.Word);
  Set(lblMode, t.Mode);
  Set(lblModified, t.Modified);
}
