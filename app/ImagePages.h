#pragma once
// The main window's three memory images as one table, indexed by
// TImageKind: what each image is called, and the page, editor, row of the
// "Programmer" page and actions that show it and work on it. Whatever the
// window does to "an image" it does through its record; no code picks an
// image's widgets or texts by kind.

#include <QString>
#include <array>

class QAction;
class QCheckBox;
class QLineEdit;
class QToolButton;
class QWidget;
class THexEditor;

// The three memory images, in the order of the images library's
// TImageMemory (the window converts one to the other by value).
enum TImageKind { ikFlash, ikIntEE, ikExtEE };
inline constexpr std::array<TImageKind, 3> AllImageKinds{ikFlash, ikIntEE, ikExtEE};

struct TImagePage {
  // ---- What the image is called --------------------------------------------
  // The settings group and the suffix of its components' names
  // (hexFlash, ebFlash, btnLoadFlash, ...).
  const char* Name;
  // The image in messages ("The flash image has unsaved changes.").
  const char* Title;
  // Its page's tab text, without the modified mark.
  const char* PageTitle;
  // Its row of the "Programmer" page, and the row's autoload box's hint.
  const char* RowLabel;
  const char* AutoloadHint;
  // The titles of its load and save dialogs.
  const char* OpenTitle;
  const char* SaveTitle;
  // Its section of File -> Recent.
  const char* RecentTitle;
  // How its editor groups the bytes (0: the editor's own unit).
  int BytesPerColumn;
  int BytesPerUnit;
  // A component's name: "hex" -> "hexFlash".
  QString ComponentName(const char* prefix) const {
    return QString::fromLatin1(prefix) + QString::fromLatin1(Name);
  }

  // ---- Its widgets and actions (made with the window) ----------------------
  QWidget* Page = nullptr;
  THexEditor* Editor = nullptr;
  QLineEdit* FileBox = nullptr;
  QCheckBox* Autoload = nullptr;
  QToolButton* LoadButton = nullptr;
  QToolButton* SaveButton = nullptr;
  QToolButton* ReadButton = nullptr;
  QToolButton* VerifyButton = nullptr;
  QAction* LoadAction = nullptr;
  QAction* SaveAction = nullptr;
  QAction* ReadAction = nullptr;
  QAction* VerifyAction = nullptr;

  // ---- Its state -----------------------------------------------------------
  // A save without a dialog may write the file of the file name box: the
  // image was loaded from that file, which a save writes back whole (the
  // format its name saves in, one image and not a whole card), or was
  // saved to it. Cleared when the card, a card image or a kept backup
  // replaces the image, or a new catalogue choice cuts data off it.
  bool SavesInPlace = false;
};

// The records with their names filled in and no widgets yet.
inline constexpr std::array<TImagePage, 3> ImagePageNames{{
    {"Flash", "flash", "Flash", "Flash:", "Autoload last Flash file @ startup", "Open Flash file",
     "Save Flash file As", "Flash", 2, 2},
    {"IntEE", "internal eeprom", "Int. EE.",
     "Int. eeprom:", "Autoload last Int. EEprom file @ startup", "Open Internal EEprom file",
     "Save Internal EEprom file As", "Internal eeprom", 1, 0},
    {"ExtEE", "external eeprom", "Ext EE.",
     "Ext. eeprom:", "Autoload last Ext. EEprom file @ startup", "Open External EEprom file",
     "Save External EEprom file As", "External eeprom", 1, 0},
}};
