#include "app/EditorStatusFields.h"

#include <QLabel>
#include <QStatusBar>
#include <algorithm>
#include <array>

#include "hexedit/widget/HexEditor.h"

namespace {

QLabel* Field(QWidget* strip, const char* name, const char* tip) {
  auto* label = new QLabel(strip);
  label->setObjectName(QString::fromLatin1(name));
  label->setToolTip(QString::fromLatin1(tip));
  label->setTextFormat(Qt::PlainText);
  label->setContentsMargins(4, 0, 4, 0);
  label->hide();
  return label;
}

// The fields side by side in screen order, each shown whole or not at all;
// which of them show depends on the strip's width.
class TReadoutStrip : public QWidget {
public:
  using QWidget::QWidget;

  // The fields, in screen order.
  void SetFields(const std::array<QLabel*, 6>& fields) { Fields = fields; }

  QSize sizeHint() const override {
    int width = 0, height = 0;
    for (QLabel* field : Fields) {
      if (field->text().isEmpty()) continue;
      width += field->sizeHint().width();
      height = std::max(height, field->sizeHint().height());
    }
    return {width, height};
  }
  // The offset alone.
  QSize minimumSizeHint() const override {
    QLabel* first = Fields[size_t(Priority[0])];
    return first->text().isEmpty() ? QSize(0, 0) : first->sizeHint();
  }

  // Shows the fields that fit, in their places.
  void Arrange() {
    std::array<bool, 6> shown{};
    int room = width();
    for (int index : Priority) {
      QLabel* field = Fields[size_t(index)];
      const int need = field->sizeHint().width();
      shown[size_t(index)] = !field->text().isEmpty() && need <= room;
      if (shown[size_t(index)]) room -= need;
    }
    // Shown fields keep their order, flush with the right end.
    int x = room;
    for (size_t i = 0; i < Fields.size(); ++i) {
      QLabel* field = Fields[i];
      field->setVisible(shown[i]);
      if (!shown[i]) continue;
      const int w = field->sizeHint().width();
      field->setGeometry(x, 0, w, height());
      x += w;
    }
  }

protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    Arrange();
  }

private:
  // In screen order; Priority lists their indexes, most important first.
  std::array<QLabel*, 6> Fields{};
  static constexpr std::array<int, 6> Priority{0, 4, 1, 2, 5, 3};
};

void Set(QLabel* label, const std::string& text) {
  const QString t = QString::fromStdString(text);
  if (label->text() != t) label->setText(t);
}

}  // namespace

TEditorStatusFields::TEditorStatusFields(QStatusBar* bar)
    : Strip(new TReadoutStrip(bar)),
      lblOffset(Field(Strip, "lblOffset", "Caret offset")),
      lblSelection(Field(Strip, "lblSelection", "Selection: first and last byte, length")),
      lblValue(Field(Strip, "lblValue", "Byte at the caret: hex, decimal, character")),
      lblWord(Field(Strip, "lblWord", "16-bit little-endian value at the caret")),
      lblMode(Field(Strip, "lblMode", "Insert (INS) or overwrite (OVR) mode")),
      lblModified(Field(Strip, "lblModified", "The image has changes that are not saved")) {
  auto* strip = static_cast<TReadoutStrip*>(Strip);
  strip->setObjectName(QStringLiteral("EditorReadout"));
  strip->SetFields({lblOffset, lblSelection, lblValue, lblWord, lblMode, lblModified});
  bar->addPermanentWidget(strip);
}

void TEditorStatusFields::Show(const TCustomHexEditor* editor) {
  THexReadoutTexts t;
  if (editor) t = ReadoutTexts(editor->Core().Readout());
  const QSize before = Strip->sizeHint();
  Set(lblOffset, t.Offset);
  Set(lblSelection, t.Selection);
  Set(lblValue, t.Value);
  Set(lblWord, t.Word);
  Set(lblMode, t.Mode);
  Set(lblModified, t.Modified);
  // The status bar lays the strip out anew only when its hint changed.
  if (Strip->sizeHint() != before) Strip->updateGeometry();
  Strip->setVisible(!t.Offset.empty());
  static_cast<TReadoutStrip*>(Strip)->Arrange();
}
