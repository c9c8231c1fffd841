#include "hexedit/widget/HexFindBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "hexedit/widget/HexEditor.h"

namespace {

// A text box of the bar, with its label.
QLineEdit* TextBox(QWidget* parent, const char* name, QLabel* label) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setClearButtonEnabled(true);
  box->setMinimumWidth(120);
  label->setBuddy(box);
  return box;
}

QToolButton* Button(QWidget* parent, const char* name, const QString& text, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  return b;
}

std::u32string Ucs4(const QString& text) {
  const QList<uint> u = text.toUcs4();
  return std::u32string(u.begin(), u.end());
}

// Selections up to this long seed the find field.
constexpr int SeedLimit = 64;

// Whether text, sought as characters, stands for exactly the selected
// bytes (a masked or untypable character does not).
bool TextMatchesSelection(const THexEditorCore& core, const std::string& text) {
  try {
    return core.BytesFromText(Ucs4(QString::fromStdString(text)), false) == core.SelectedBytes();
  } catch (const EHexEditor&) {
    return false;
  }
}

}  // namespace

THexFindBar::THexFindBar(TCustomHexEditor* editor, QWidget* parent)
    : QWidget(parent), FEditor(editor) {
  setObjectName(QStringLiteral("HexFindBar"));
  auto* findRow = FFindRow = new QHBoxLayout;
  findRow->setContentsMargins(4, 2, 4, 2);
  findRow->setSpacing(4);
  auto* findLabel = new QLabel(QStringLiteral("Find:"), this);
  edFind = TextBox(this, "edFind", findLabel);
  cbMode = new QComboBox(this);
  cbMode->setObjectName(QStringLiteral("cbMode"));
  cbMode->addItem(QStringLiteral("Hex bytes"));
  cbMode->addItem(QStringLiteral("Text"));
  cbMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
  cbMatchCase->setObjectName(QStringLiteral("cbMatchCase"));
  btnPrevious = Button(this, "btnPrevious", QStringLiteral("Previous"),
                       QStringLiteral("Find previous (Shift+Enter)"));
  btnNext = Button(this, "btnNext", QStringLiteral("Next"), QStringLiteral("Find next (Enter)"));
  lblNote = new QLabel(this);
  lblNote->setObjectName(QStringLiteral("lblNote"));
  lblNote->setTextFormat(Qt::PlainText);
  // The note takes the room left in the find row, or a line of its own
  // under the bar's rows when its text needs more (PlaceNote): it never
  // widens the window.
  lblNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  btnClose = Button(this, "btnClose", QStringLiteral("Close"),
                    QStringLiteral("Close the find bar (Escape)"));
  findRow->addWidget(findLabel);
  findRow->addWidget(edFind, 2);
  findRow->addWidget(cbMode);
  findRow->addWidget(cbMatchCase);
  findRow->addWidget(btnPrevious);
  findRow->addWidget(btnNext);
  findRow->addWidget(lblNote, 1);
  findRow->addWidget(btnClose);

  ReplaceRow = new QWidget(this);
  auto* replaceRow = new QHBoxLayout(ReplaceRow);
  replaceRow->setContentsMargins(4, 0, 4, 2);
  replaceRow->setSpacing(4);
  auto* replaceLabel = new QLabel(QStringLiteral("Replace:"), ReplaceRow);
  edReplace = TextBox(ReplaceRow, "edReplace", replaceLabel);
  btnReplace = Button(ReplaceRow, "btnReplace", QStringLiteral("Replace"),
                      QStringLiteral("Replace this match and find the next"));
  btnReplaceAll = Button(ReplaceRow, "btnReplaceAll", QStringLiteral("Replace All"),
                         QStringLiteral("Replace every match"));
  // The two rows' fields line up.
  replaceLabel->setMinimumWidth(findLabel->sizeHint().width());
  findLabel->setMinimumWidth(replaceLabel->sizeHint().width());
  replaceRow->addWidget(replaceLabel);
  replaceRow->addWidget(edReplace, 2);
  replaceRow->addWidget(btnReplace);
  replaceRow->addWidget(btnReplaceAll);
  replaceRow->addStretch(3);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(findRow);
  layout->addWidget(ReplaceRow);
  FNoteRow = new QHBoxLayout;
  FNoteRow->setContentsMargins(4, 0, 4, 2);
  layout->addLayout(FNoteRow);

  connect(btnNext, &QToolButton::clicked, this, &THexFindBar::FindNext);
  connect(btnPrevious, &QToolButton::clicked, this, &THexFindBar::FindPrevious);
  connect(btnReplace, &QToolButton::clicked, this, &THexFindBar::ReplaceOne);
  connect(btnReplaceAll, &QToolButton::clicked, this, &THexFindBar::ReplaceAll);
  connect(btnClose, &QToolButton::clicked, this, &THexFindBar::Close);
  connect(cbMode, &QComboBox::currentIndexChanged, this, [this] {
    UpdateControls();
    SetNote(QString());
  });
  connect(edFind, &QLineEdit::textChanged, this, [this] { SetNote(QString()); });
  edFind->installEventFilter(this);
  edReplace->installEventFilter(this);
  UpdateControls();
  ReplaceRow->hide();
  hide();
}

bool THexFindBar::HexMode() const { return cbMode->currentIndex() == 0; }
void THexFindBar::SetHexMode(bool hex) { cbMode->setCurrentIndex(hex ? 0 : 1); }
bool THexFindBar::ReplaceMode() const { return !ReplaceRow->isHidden(); }
QString THexFindBar::Note() const { return lblNote->text(); }

void THexFindBar::UpdateControls() { cbMatchCase->setEnabled(!HexMode()); }

void THexFindBar::SetNote(const QString& text, bool error) {
  lblNote->setText(text);
  FNoteIsError = error;
  ColourNote();
  PlaceNote();
}

void THexFindBar::PlaceNote() {
  // The room the find row leaves at its least, the note aside.
  const QMargins margins = FFindRow->contentsMargins();
  int used = margins.left() + margins.right();
  int items = 0;
  for (int i = 0; i < FFindRow->count(); ++i) {
    QWidget* w = FFindRow->itemAt(i)->widget();
    if (!w || w == lblNote || w->isHidden()) continue;
    used += w->minimumSizeHint().expandedTo(w->minimumSize()).width();
    ++items;
  }
  used += FFindRow->spacing() * items;
  const bool fits = lblNote->fontMetrics().horizontalAdvance(lblNote->text()) <= width() - used;
  QBoxLayout* wanted = fits || lblNote->text().isEmpty() ? FFindRow : FNoteRow;
  if (wanted->indexOf(lblNote) >= 0) return;
  if (wanted == FFindRow) {
    FNoteRow->removeWidget(lblNote);
    // Before the Close button, the find row's last item.
    FFindRow->insertWidget(FFindRow->count() - 1, lblNote, 1);
  } else {
    FFindRow->removeWidget(lblNote);
    FNoteRow->addWidget(lblNote, 1);
  }
}

void THexFindBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceNote();
}

void THexFindBar::ColourNote() {
  // An error in red that stands out from the bar by 4.5:1 (dark red on a
  // light palette, light red on a dark one), else the palette's own text.
  const QPalette& bar = palette();
  const QColor back = bar.color(QPalette::Window);
  const QColor text = bar.color(QPalette::WindowText);
  QPalette note = bar;
  note.setResolveMask(0);
  if (FNoteIsError) {
    const QColor red =
        back.lightness() < text.lightness() ? QColor(0xFF, 0x8A, 0x80) : QColor(0xC0, 0x00, 0x00);
    const auto rgb = [](const QColor& c) {
      return RGBColor(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
    };
    note.setColor(QPalette::WindowText, ContrastRatio(rgb(red), rgb(back)) >= 4.5 ? red : text);
  }
  lblNote->setPalette(note);
}

void THexFindBar::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) ColourNote();
  QWidget::changeEvent(event);
}

void THexFindBar::OpenFind() { Open(false); }
void THexFindBar::OpenReplace() { Open(true); }

void THexFindBar::Open(bool replace) {
  const THexEditorCore& core = FEditor->Core();
  // A bar already open keeps what the user typed (the selection is then
  // usually its own last match).
  if (isHidden() && core.HasSelection() && core.SelCount() <= SeedLimit) {
    // Characters that would not find the selected bytes again (the mask
    // character stands for many bytes) make the bar seek hex bytes.
    bool hex = !core.CaretInCharField();
    std::string text = core.SelectionText(hex);
    if (!hex && !TextMatchesSelection(core, text)) text = core.SelectionText(hex = true);
    SetHexMode(hex);
    edFind->setText(QString::fromStdString(text));
  }
  ReplaceRow->setVisible(replace);
  show();
  edFind->setFocus(Qt::ShortcutFocusReason);
  edFind->selectAll();
  SetNote(QString());
}

void THexFindBar::Close() {
  hide();
  FEditor->setFocus(Qt::OtherFocusReason);
}

bool THexFindBar::Pattern(THexPattern& pattern) {
  try {
    pattern =
        FEditor->Core().MakePattern(Ucs4(edFind->text()), HexMode(), cbMatchCase->isChecked());
    return true;
  } catch (const EHexEditor& e) {
    SetNote(QString::fromUtf8(e.what()), true);
    return false;
  }
}

bool THexFindBar::Replacement(std::vector<uint8_t>& bytes) {
  const QString text = edReplace->text();
  if (text.isEmpty()) {
    bytes.clear();  // replacing by nothing removes the matches
    return true;
  }
  try {
    bytes = FEditor->Core().BytesFromText(Ucs4(text), HexMode());
    return true;
  } catch (const EHexEditor& e) {
    SetNote(QString::fromUtf8(e.what()), true);
    return false;
  }
}

namespace {
QString OutcomeNote(THexEditorCore::TFindOutcome outcome, bool forward) {
  switch (outcome) {
    case THexEditorCore::TFindOutcome::Found: return QString();
    case THexEditorCore::TFindOutcome::Wrapped:
      return forward ? QStringLiteral("Reached the end, continued from the start")
                     : QStringLiteral("Reached the start, continued from the end");
    case THexEditorCore::TFindOutcome::NotFound: return QStringLiteral("Not found");
  }
  return QString();
}
}  // namespace

void THexFindBar::Search(bool forward) {
  THexPattern pattern;
  if (!Pattern(pattern)) return;
  const auto outcome = FEditor->Core().Find(pattern, forward);
  SetNote(OutcomeNote(outcome, forward));
}

void THexFindBar::FindNext() { Search(true); }
void THexFindBar::FindPrevious() { Search(false); }

bool THexFindBar::ReplaceInputs(THexPattern& pattern, std::vector<uint8_t>& replacement) {
  if (!Pattern(pattern) || !Replacement(replacement)) return false;
  const THexEditorCore& core = FEditor->Core();
  if (core.CanReplace()) return true;
  // Empty data holds no match; otherwise the view is read-only.
  if (core.ReadOnlyView())
    SetNote(QStringLiteral("The image cannot be changed now"), true);
  else
    SetNote(QStringLiteral("Not found"));
  return false;
}

void THexFindBar::RunReplace(const std::function<QString()>& replace) {
  try {
    SetNote(replace());
  } catch (const std::exception& e) {
    SetNote(QString::fromUtf8(e.what()), true);
  }
}

void THexFindBar::ReplaceOne() {
  THexPattern pattern;
  std::vector<uint8_t> with;
  if (!ReplaceInputs(pattern, with)) return;
  RunReplace([&] { return OutcomeNote(FEditor->Core().ReplaceAndFind(pattern, with), true); });
}

void THexFindBar::ReplaceAll() {
  THexPattern pattern;
  std::vector<uint8_t> with;
  if (!ReplaceInputs(pattern, with)) return;
  RunReplace([&] {
    const int count = FEditor->Core().ReplaceAll(pattern, with);
    return count == 0   ? QStringLiteral("Not found")
           : count == 1 ? QStringLiteral("1 match replaced")
                        : QStringLiteral("%1 matches replaced").arg(count);
  });
}

bool THexFindBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (key->key() == Qt::Key_Escape) {
      Close();
      return true;
    }
    if (enter && watched == edFind) {
      if (key->modifiers() & Qt::ShiftModifier)
        FindPrevious();
      else
        FindNext();
      return true;
    }
    if (enter && watched == edReplace) {
      ReplaceOne();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void THexFindBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close();
    return;
  }
  QWidget::keyPressEvent(event);
}
