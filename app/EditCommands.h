#pragma once
// The main window's editing commands: the Edit menu and its actions, the
// same actions in each hex editor's context menu, a find bar under each
// editor, the go-to and fill dialogs, and the status readout fields.
//
// The commands act on the editor of the page shown (none on the
// "Programmer" page). Their update rules run with the window's other
// idle-time rules; while a card command holds the interface lock the menu
// and every action are disabled (the editors are read-only then anyway).
// Errors go through the window's RunCommand, questions through its
// TUserDialogs.

#include <QObject>
#include <array>
#include <functional>

#include "app/MainUnit.h"

class QAction;
class QMenu;
class QWidget;
class TEditorStatusFields;
class THexFindBar;

class TEditCommands : public QObject {
  Q_OBJECT
public:
  // The actions are the window's (actUndo, actRedo, actCut, actCopy,
  // actPaste, actSelectAll, actFind, actReplace, actGoto, actFill); the
  // window puts the Edit menu (miEdit) into its menu bar.
  TEditCommands(TMainForm& form, TUserDialogs& dialogs);
  ~TEditCommands() override;

  QMenu* Menu() const { return miEdit; }

  // The editor of the page shown; null on the "Programmer" page.
  THexEditor* CurrentEditor() const;
  THexFindBar* FindBar(TImageKind kind) const { return FFindBars[kind]; }
  THexFindBar* FindBarOf(const THexEditor* editor) const;

  // The update rules (idle time) and the interface lock.
  void UpdateActions();
  void SetLocked(bool locked);

  // The context menu of an editor: the Edit actions, as they apply now.
  QMenu* CreateContextMenu(QWidget* parent);

  // The commands of the window's own, on the current editor (the others
  // are the editor's: undo, redo, the clipboard, select all).
  void Find();
  void Replace();
  void Goto();
  void Fill();

private:
  TMainForm& Form;
  TUserDialogs& Dialogs;
  QMenu* miEdit = nullptr;
  QAction* actUndo = nullptr;
  QAction* actRedo = nullptr;
  QAction* actCut = nullptr;
  QAction* actCopy = nullptr;
  QAction* actPaste = nullptr;
  QAction* actSelectAll = nullptr;
  QAction* actFind = nullptr;
  QAction* actReplace = nullptr;
  QAction* actGoto = nullptr;
  QAction* actFill = nullptr;
  std::array<THexFindBar*, 3> FFindBars{};
  TEditorStatusFields* FStatus = nullptr;
  bool FLocked = false;
  bool FClipboardFilled = false;
  // A command of the current editor itself, or nothing on the Programmer
  // page.
  std::function<void()> OnEditor(void (THexEditor::*call)());
  // The Edit actions in their groups: the Edit menu and the context menu.
  void AddActions(QMenu* menu) const;
  void ClipboardChanged();
  void ShowContextMenu(THexEditor* editor, const QPoint& at);
};
