#include "app/EditCommands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

#include "app/EditorStatusFields.h"
#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"

namespace {

QString ErrorText(const std::function<void()>& check) {
  try {
    check();
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  }
  return QString();
}

QString HexText(int value) { return QStringLiteral("0x") + QString::number(value, 16).toUpper(); }

}  // namespace

TEditCommands::TEditCommands(TMainForm& form, TUserDialogs& dialogs)
    : QObject(&form), Form(form), Dialogs(dialogs) {
  setObjectName(QStringLiteral("EditCommands"));
  auto make = [this](QAction*& action, const char* name, const char* text, const char* hint,
                     std::initializer_list<QKeySequence> keys, std::function<void()> command) {
    action = new QAction(QString::fromLatin1(text), &Form);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromLatin1(hint));
    action->setShortcuts(QList<QKeySequence>(keys));
    connect(action, &QAction::triggered, this, [this, command] { Form.RunCommand(command); });
    // The shortcuts work wherever the focus is in the window; an editor
    // with the focus takes its own keys first.
    Form.addAction(action);
  };
  make(actUndo, "actUndo", "&Undo", "Undo the last edit", {QKeySequence(Qt::CTRL | Qt::Key_Z)},
       OnEditor(&THexEditor::Undo));
  make(actRedo, "actRedo", "&Redo", "Redo the last edit undone",
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
       OnEditor(&THexEditor::Redo));
  make(actCut, "actCut", "Cu&t", "Cut the selected bytes", {QKeySequence(Qt::CTRL | Qt::Key_X)},
       OnEditor(&THexEditor::Cut));
  make(actCopy, "actCopy", "&Copy", "Copy the selected bytes", {QKeySequence(Qt::CTRL | Qt::Key_C)},
       OnEditor(&THexEditor::Copy));
  make(actPaste, "actPaste", "&Paste", "Paste bytes or hex text",
       {QKeySequence(Qt::CTRL | Qt::Key_V)}, OnEditor(&THexEditor::Paste));
  make(actSelectAll, "actSelectAll", "Select &All", "Select the whole image",
       {QKeySequence(Qt::CTRL | Qt::Key_A)}, OnEditor(&THexEditor::SelectAll));
  make(actFind, "actFind", "&Find...", "Find hex bytes or text",
       {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { Find(); });
  make(actReplace, "actReplace", "R&eplace...", "Find and replace",
       {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { Replace(); });
  make(actGoto, "actGoto", "&Go to Offset...", "Move the caret to an offset",
       {QKeySequence(Qt::CTRL | Qt::Key_G)}, [this] { Goto(); });
  make(actFill, "actFill", "F&ill Selection...", "Fill the selected bytes with one value", {},
       [this] { Fill(); });

  // Alt+E belongs to the Erase button of the Programmer page.
  miEdit = new QMenu(QStringLiteral("E&dit"), Form.menuBar());
  miEdit->setObjectName(QStringLiteral("miEdit"));
  AddActions(miEdit);
  // The items show what applies when the menu opens.
  connect(miEdit, &QMenu::aboutToShow, this, &TEditCommands::UpdateActions);

  for (TImageKind kind : AllImageKinds) {
    THexEditor* editor = Form.Editor(kind);
    QWidget* page = editor->parentWidget();
    FFindBars[kind] = new THexFindBar(editor, page);
    FFindBars[kind]->setObjectName(QStringLiteral("FindBar") + TMainForm::ImageName(kind));
    if (page->layout()) page->layout()->addWidget(FFindBars[kind]);
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QWidget::customContextMenuRequested, this,
            [this, editor](const QPoint& at) { ShowContextMenu(editor, at); });
  }

  FStatus = new TEditorStatusFields(Form.statusBar());
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
          &TEditCommands::ClipboardChanged);
  ClipboardChanged();
  UpdateActions();
}

TEditCommands::~TEditCommands() { delete FStatus; }

std::function<void()> TEditCommands::OnEditor(void (THexEditor::*call)()) {
  return [this, call] {
    if (THexEditor* ed = CurrentEditor()) (ed->*call)();
  };
}

void TEditCommands::AddActions(QMenu* menu) const {
  menu->addActions({actUndo, actRedo});
  menu->addSeparator();
  menu->addActions({actCut, actCopy, actPaste, actSelectAll});
  menu->addSeparator();
  menu->addActions({actFind, actReplace, actGoto});
  menu->addSeparator();
  menu->addAction(actFill);
}

void TEditCommands::ClipboardChanged() {
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  FClipboardFilled = mime && (mime->hasFormat(QLatin1String(HexBytesMimeType)) || mime->hasText());
}

THexEditor* TEditCommands::CurrentEditor() const {
  const std::optional<TImageKind> kind = Form.ShownImage();
  return kind ? Form.Editor(*kind) : nullptr;
}

THexFindBar* TEditCommands::FindBarOf(const THexEditor* editor) const {
  for (THexFindBar* bar : FFindBars)
    if (bar && bar->Editor() == editor) return bar;
  return nullptr;
}

// ---- Update rules and the lock --------------------------------------------

void TEditCommands::UpdateActions() {
  THexEditor* ed = FLocked ? nullptr : CurrentEditor();
  const bool data = ed && ed->DataSize() > 0;
  const bool editable = ed && !ed->ReadOnlyView();
  actUndo->setEnabled(ed && ed->CanUndo());
  actRedo->setEnabled(ed && ed->CanRedo());
  actCut->setEnabled(ed && ed->CanCut());
  actCopy->setEnabled(ed && ed->CanCopy());
  actPaste->setEnabled(editable && FClipboardFilled);
  actSelectAll->setEnabled(data);
  actFind->setEnabled(data);
  actReplace->setEnabled(ed && ed->Core().CanReplace());
  actGoto->setEnabled(data);
  actFill->setEnabled(ed && ed->CanFill());
  FStatus->Show(ed);
}

void TEditCommands::SetLocked(bool locked) {
  FLocked = locked;
  miEdit->menuAction()->setEnabled(!locked);
  miEdit->setEnabled(!locked);
  UpdateActions();
}

// ---- Context menu ---------------------------------------------------------

QMenu* TEditCommands::CreateContextMenu(QWidget* parent) {
  UpdateActions();
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("EditorContextMenu"));
  AddActions(menu);
  return menu;
}

void TEditCommands::ShowContextMenu(THexEditor* editor, const QPoint& at) {
  if (editor != CurrentEditor()) return;
  QMenu* menu = CreateContextMenu(editor);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(editor->viewport()->mapToGlobal(at));
}

// ---- Commands -------------------------------------------------------------

void TEditCommands::Find() {
  if (THexEditor* ed = CurrentEditor()) FindBarOf(ed)->OpenFind();
}

void TEditCommands::Replace() {
  if (THexEditor* ed = CurrentEditor()) FindBarOf(ed)->OpenReplace();
}

void TEditCommands::Goto() {
  THexEditor* ed = CurrentEditor();
  if (!ed || ed->DataSize() == 0) return;
  const THexEditorCore& core = ed->Core();
  const int unit = core.OffsetUnit();
  TTextQuery query;
  query.Title = QStringLiteral("Go to Offset");
  query.Label = QStringLiteral("&Offset:");
  query.Note = QStringLiteral(
      "Hex as 0x1F0 or 1F0h, decimal as 496, relative to the caret as +0x20 or -16.");
  if (unit > 1)
    query.Note = QStringLiteral("Offsets on this page count words of %1 bytes: 0x100 is byte %2.\n")
                     .arg(unit)
                     .arg(HexText(0x100 * unit)) +
                 query.Note;
  query.Text = HexText(core.CaretPosition() / unit);
  query.Check = [ed](const QString& text) {
    return ErrorText([&] { ed->Core().GotoTarget(text.toStdString()); });
  };
  const std::optional<QString> answer = Dialogs.AskText(&Form, query);
  if (!answer) return;
  ed->GotoOffset(*answer);
  ed->setFocus();
}

void TEditCommands::Fill() {
  THexEditor* ed = CurrentEditor();
  if (!ed || !ed->CanFill()) return;
  TTextQuery query;
  query.Title = QStringLiteral("Fill Selection");
  query.Label = QStringLiteral("&Byte value:");
  const int count = ed->SelCount();
  query.Note =
      QStringLiteral(
          "Each of the %1 selected bytes gets this value: hex as 0xFF or FFh, decimal as 255.")
          .arg(count);
  query.Text = QStringLiteral("0xFF");
  query.Check = [](const QString& text) {
    return ErrorText([&] { THexEditorCore::ParseFillValue(text.toStdString()); });
  };
  const std::optional<QString> answer = Dialogs.AskText(&Form, query);
  if (!answer) return;
  ed->FillSelection(THexEditorCore::ParseFillValue(answer->toStdString()));
  ed->setFocus();
}
