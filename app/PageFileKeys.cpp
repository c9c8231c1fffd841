#include "app/PageFileKeys.h"

#include <QAction>
#include <QTabWidget>
#include <optional>

#include "app/MainUnit.h"

namespace {

// The image whose page is shown; none on the "Programmer" page.
std::optional<TImageKind> ShownImage(const TMainForm& form) {
  for (TImageKind kind : AllImageKinds)
    if (form.pgcMain->currentWidget() == form.ImagePage(kind)) return kind;
  return std::nullopt;
}

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

void CreatePageFileKeys(TMainForm& form) {
  QAction* open = MakeAction(form, "actOpenPageFile", "Load the file of the page shown",
                             QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* save = MakeAction(form, "actSavePageFile", "Save the file of the page shown",
                             QKeySequence(Qt::CTRL | Qt::Key_S));
  QObject::connect(open, &QAction::triggered, &form, [&form] {
    const std::optional<TImageKind> kind = ShownImage(form);
    Run(kind ? form.Images[*kind].LoadAction : form.actLoadExtEE);
  });
  QObject::connect(save, &QAction::triggered, &form, [&form] {
    const std::optional<TImageKind> kind = ShownImage(form);
    if (!kind) return Run(form.actSaveExtEE);
    if (form.Images[*kind].SaveAction->isEnabled())
      form.RunCommand([&form, kind] { form.SaveImage(*kind, false); });
  });
  form.miExit->setShortcuts(
      {QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
}
