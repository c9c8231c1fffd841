// The standard file keys of the main window, beside its own F2, F3 and
// Alt+X: Ctrl+O loads and Ctrl+S saves the file of the image whose page is
// shown (Ctrl+S straight to that file when it takes the image back whole,
// else through the save dialog); on the "Programmer" page they do what F3
// and F2 do there. Ctrl+Q leaves the program as Alt+X does, after the
// unsaved-changes question.
#include <QAction>
#include <optional>

#include "app/MainUnit.h"

namespace {

QAction* MakeAction(TMainForm& form, const char* name, const char* hint, QKeySequence key) {
  auto* action = new QAction(QString::fromLatin1(hint), &form);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(QString::fromLatin1(hint));
  action->setShortcut(key);
  form.addAction(action);
  return action;
}

// A command of the image actions, as its button or menu item would run it
// (nothing while the action is disabled: a locked window, an empty image).
void Run(QAction* action) {
  if (action->isEnabled()) action->trigger();
}

}  // namespace

void TMainForm::CreatePageFileKeys() {
  QAction* open = MakeAction(*this, "actOpenPageFile", "Load the file of the page shown",
                             QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* save = MakeAction(*this, "actSavePageFile", "Save the file of the page shown",
                             QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(open, &QAction::triggered, this, [this] {
    const std::optional<TImageKind> kind = ShownImage();
    Run(kind ? Images[*kind].LoadAction : actLoadExtEE);
  });
  connect(save, &QAction::triggered, this, [this] {
    const std::optional<TImageKind> kind = ShownImage();
    if (!kind) return Run(actSaveExtEE);
    if (Images[*kind].SaveAction->isEnabled())
      RunCommand([this, kind] { SaveImage(*kind, false); });
  });
  miExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
}
