#pragma once
// TMainForm: the program's one window. It owns the port object, the bit
// link and the AVR commands, the three memory images (one hex editor
// each) and every control; every user command is one of its actions.
//
// Start-up (FormCreate, run by the constructor) hides the memory pages,
// sets up the editors, fills the chip choices, activates the port and
// lists its ports; a port that cannot be activated is reported once,
// before the window is shown. The action update rules run whenever the
// event loop goes idle, never while a command runs. Card commands lock the
// interface with SetUiEnabled; a close request that arrives meanwhile is
// held until the command has ended and the card is off.
//
// The command bodies live in their own files: CardCommands.cpp (program,
// verify, erase, read), FileCommands.cpp (load, save, import),
// PortDriverCommand.cpp (port driver set-up). UnsavedChanges.cpp keeps the
// user's edits from being lost (the modified marks, the Save / Discard /
// Cancel question, the catalogue choices that would cut an image),
// KeptBackups.cpp keeps the card's own memories that a command could not
// write back. The status line, the bars and the questions the card layer
// sees are the window's card host (WindowCardHost.h).
//
// Its widgets and state are its own. Other units and tests use the verbs
// and queries below, and find a widget by its object name (the names the
// documentation uses: "hexFlash", "actProgAll", "cbProcessor", ...).

#include <QDomDocument>
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/ImagePages.h"
#include "app/UserDialogs.h"
#include "app/WindowCardHost.h"
#include "card/CardCommandSupport.h"
#include "card/CardContext.h"
#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/PortDriverSetup.h"
#include "link/TLpt.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSettings;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QVBoxLayout;
class TCardCommand;
class TEditCommands;
class THexEditor;

struct TMainFormOptions {
  // The port object, not yet active; null: the machine's parallel ports.
  std::unique_ptr<TLptPort> Port;
  // The modal dialogs; null: the real ones.
  std::shared_ptr<TUserDialogs> Dialogs;
  // Where the autoload boxes and last file names are kept; empty: the
  // user's settings of this program.
  QString SettingsFile;
  // The catalogue rows chosen at start (the virtual card's chips); -1: the
  // first row.
  int ProcessorRow = -1;
  int EepromRow = -1;
  // Stands between the card layer and the window's own card host when set
  // (tests record what the commands report through it): it is given the
  // window's host to pass the calls on to.
  std::function<std::unique_ptr<TCardHost>(TCardHost& windowHost)> WrapCardHost;
};

class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(TMainFormOptions options = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // ---- The three images ----------------------------------------------------
  // An image's editor, file name box and page (hexFlash, ebFlash, tshFlash,
  // ...; the other widgets are found by their object names).
  THexEditor* Editor(TImageKind kind) const { return Images[kind].Editor; }
  QLineEdit* FileBox(TImageKind kind) const { return Images[kind].FileBox; }
  QWidget* Page(TImageKind kind) const { return Images[kind].Page; }
  // The image whose page is shown; none on the "Programmer" page.
  std::optional<TImageKind> ShownImage() const;
  // An image the user edited since it was loaded, read or saved.
  bool ImageModified(TImageKind kind) const;
  // "Flash", "IntEE", "ExtEE": the image's settings group and the suffix of
  // its widgets' names.
  static QString ImageName(TImageKind kind) {
    return QString::fromLatin1(ImagePageNames[kind].Name);
  }
  // The window title without the modified mark.
  static QString BaseTitle();

  // ---- Commands ------------------------------------------------------------
  // Runs a command; an exception that ends it is shown in the stop-icon box
  // titled with the application title, and the program goes on. A command
  // that ends by an exception while it holds the interface lock has the
  // card powered off and the interface unlocked.
  void RunCommand(const std::function<void()>& command);
  void ShowCommandError(const QString& text);
  // The action update rules, as when the event loop goes idle.
  void UpdateActions();
  // The interface lock: 1. menus, 2. the card and file actions, 3. the
  // three choices, 4. editors read-only while locked, 5. the hourglass
  // while locked.
  void SetUiEnabled(bool enabled);
  bool UiLocked() const { return FUiLocked; }
  // A close request held while the interface was locked.
  bool CloseDeferred() const { return FCloseRequested; }
  // Chooses a catalogue row as the user does in the choice: the images
  // take the chip's sizes, after their questions.
  void SelectProcessor(int row);
  void SelectEeprom(int row);
  // Loads a file of any image format into an image, as the load commands
  // do after their dialog: the file name box shows the file, the image is
  // emptied, sized from the selected chip and filled. Raises the file's
  // error; then the image has not changed.
  void LoadImageFile(TImageKind kind, const QString& fileName);
  // The same after the unsaved-changes question (a drop, File -> Recent).
  void OpenImageFile(TImageKind kind, const QString& fileName);
  // Replaces an image with bytes from elsewhere (a file, the card, a kept
  // backup): no undo or redo, marked modified or not as asked. The file
  // name box is the caller's; a later save without a dialog needs a load
  // to say the file takes the image back whole (TImagePage::SavesInPlace).
  void SetImageBytes(TImageKind kind, const std::vector<uint8_t>& bytes, bool modified);
  // The image now holds what its file or the card holds: not modified, no
  // undo or redo.
  void MarkImageClean(TImageKind kind);

  // ---- Recent files (RecentFiles.cpp) ------------------------------------
  // The last RecentFileCount files of each image (and of card images),
  // newest first, kept in the settings; File -> Recent lists them, a
  // missing one greyed with its path as the tool tip. The menu is rebuilt
  // each time it opens.
  static constexpr int RecentFileCount = 8;
  QStringList RecentFiles(const QString& group) const;
  void RebuildRecentMenu();

  // ---- What the window works with ------------------------------------------
  // The port, the link, the AVR commands, the loader and the card host the
  // card commands are given.
  const TCardContext& CardContext() const { return *Card; }
  // The status line, the bars, the chip id and the questions of the card
  // commands.
  TWindowCardHost& CardHost() { return *FWindowHost; }
  // Targets and hooks of the port driver set-up (tests redirect them).
  TPortDriverSetup& DriverSetup() { return FDriverSetup; }
  // Where the card's memories that a command could not write back are
  // saved when their page holds an image (tests redirect it); empty: the
  // program's data folder.
  QString BackupFolder() const { return FBackupFolder; }
  void SetBackupFolder(const QString& folder) { FBackupFolder = folder; }
  // The document of the last XML import.
  const QDomDocument& ImportedXml() const { return xmlFile; }

protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Ctrl+Tab and Ctrl+Shift+Tab switch pages from anywhere in the window,
  // an image's editor included; Ctrl+PgDown and Ctrl+PgUp everywhere but
  // in an editor, which moves its caret with them.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // ---- Fields ------------------------------------------------------------
  std::unique_ptr<TLptPort> Port;
  // Linux needs the ppdev set-up step, so it counts as the family with a
  // driver installation.
  bool IsWinNT = false;
  // The bit link (holds DataLatch) and the AVR commands (hold
  // PowerCycleAllowed), both over Port and the window's card host.
  std::unique_ptr<TIspLink> Link;
  std::unique_ptr<TAvrCommands> Avr;
  // The loader link to the external EEPROM, over Link, Avr and the host.
  std::unique_ptr<TLoaderLink> Loader;
  // All of the above with the window's card host: what the card commands
  // (card/) work with.
  std::unique_ptr<TCardContext> Card;
  TPortDriverSetup FDriverSetup;
  std::shared_ptr<TUserDialogs> Dialogs;
  QDomDocument xmlFile;

  // ---- The three images (ImagePages.h) -----------------------------------
  // Each image's names, page, editor, row of the "Programmer" page and
  // actions, indexed by TImageKind. The components and actions named after
  // an image below are names for the entries of this table.
  std::array<TImagePage, 3> Images = ImagePageNames;

  // ---- Components (object names as here) ---------------------------------
  QTabWidget* pgcMain = nullptr;
  QWidget* TabSheet2 = nullptr;  // "Programmer"
  QWidget*& tshFlash = Images[ikFlash].Page;
  QWidget*& tshIntEE = Images[ikIntEE].Page;
  QWidget*& tshExtEE = Images[ikExtEE].Page;
  THexEditor*& hexFlash = Images[ikFlash].Editor;
  THexEditor*& hexIntEE = Images[ikIntEE].Editor;
  THexEditor*& hexExtEE = Images[ikExtEE].Editor;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* StatusPanel = nullptr;  // the status bar's one simple panel
  QLabel* lbTimeLeft = nullptr;   // a card command's time left, while it runs

  QToolButton*& btnLoadFlash = Images[ikFlash].LoadButton;
  QToolButton*& btnSaveFlash = Images[ikFlash].SaveButton;
  QCheckBox*& cbFlash = Images[ikFlash].Autoload;
  QLineEdit*& ebFlash = Images[ikFlash].FileBox;
  QToolButton*& btnReadFlash = Images[ikFlash].ReadButton;
  QToolButton*& btnVerifyFlash = Images[ikFlash].VerifyButton;
  QToolButton*& btnLoadIntEE = Images[ikIntEE].LoadButton;
  QToolButton*& btnSaveIntEE = Images[ikIntEE].SaveButton;
  QCheckBox*& cbIntEE = Images[ikIntEE].Autoload;
  QLineEdit*& ebIntEE = Images[ikIntEE].FileBox;
  QToolButton*& btnReadIntEE = Images[ikIntEE].ReadButton;
  QToolButton*& btnVerifyIntEE = Images[ikIntEE].VerifyButton;
  QToolButton*& btnLoadExtEE = Images[ikExtEE].LoadButton;
  QToolButton*& btnSaveExtEE = Images[ikExtEE].SaveButton;
  QCheckBox*& cbExtEE = Images[ikExtEE].Autoload;
  QLineEdit*& ebExtEE = Images[ikExtEE].FileBox;
  QToolButton*& btnReadExtEE = Images[ikExtEE].ReadButton;
  QToolButton*& btnVerifyExtEE = Images[ikExtEE].VerifyButton;

  QComboBox* cbProcessor = nullptr;
  QComboBox* cbEeprom = nullptr;
  QComboBox* cbPort = nullptr;
  QLabel* chipidLabel = nullptr;
  QProgressBar* initBar = nullptr;
  QProgressBar* flashBar = nullptr;
  QProgressBar* intBar = nullptr;
  QProgressBar* extBar = nullptr;
  QPushButton* btnProgAll = nullptr;
  QPushButton* btnErase = nullptr;
  QPushButton* btnVerify = nullptr;
  QPushButton* btnReadCard = nullptr;

  QMenu* miFile = nullptr;
  QMenu* miRecent = nullptr;  // File -> Recent
  QMenu* miSystem = nullptr;
  QMenu* miHelp = nullptr;
  // The Edit menu, the editors' context menus, find bars, go-to and fill
  // dialogs and the status readout (EditCommands.cpp).
  TEditCommands* EditCommands = nullptr;

  // ---- Actions (list actMain) --------------------------------------------
  QAction*& actLoadFlash = Images[ikFlash].LoadAction;
  QAction*& actLoadIntEE = Images[ikIntEE].LoadAction;
  QAction*& actLoadExtEE = Images[ikExtEE].LoadAction;
  QAction*& actSaveFlash = Images[ikFlash].SaveAction;
  QAction*& actSaveIntEE = Images[ikIntEE].SaveAction;
  QAction*& actSaveExtEE = Images[ikExtEE].SaveAction;
  QAction* actProgAll = nullptr;
  QAction* actVerify = nullptr;
  QAction* actErase = nullptr;
  QAction*& actReadFlash = Images[ikFlash].ReadAction;
  QAction*& actReadIntEE = Images[ikIntEE].ReadAction;
  QAction*& actReadExtEE = Images[ikExtEE].ReadAction;
  QAction*& actVerifyFlash = Images[ikFlash].VerifyAction;
  QAction*& actVerifyIntEE = Images[ikIntEE].VerifyAction;
  QAction*& actVerifyExtEE = Images[ikExtEE].VerifyAction;
  QAction* actImportXML = nullptr;
  QAction* actLoadCardImage = nullptr;
  QAction* actSaveCardImage = nullptr;
  QAction* actReadCard = nullptr;
  QAction* actInstallNTPortDrivers = nullptr;
  QAction* actRescanPorts = nullptr;
  // Menu items without an action of the list.
  QAction* miExit = nullptr;
  QAction* miContents = nullptr;
  QAction* miAbout = nullptr;

  // ---- Action update rules (run when the event loop goes idle) ----------
  // An image's save and verify actions and its page's tab are there while
  // it holds data.
  void ImageActionsUpdate(TImageKind kind);
  void actProgAllUpdate();
  void actVerifyUpdate();
  void actInstallNTPortDriversUpdate();
  void actSaveCardImageUpdate();

  // ---- The error display of every command --------------------------------
  QString ApplicationTitle() const;

  // ---- Card commands (CardCommands.cpp) ---------------------------------
  // Checks the port and copies the chosen chips into the operation.
  void PrepareCard();
  void actProgAllExecute();
  void actVerifyExecute();
  void actEraseExecute();
  void actReadFlashExecute();
  void actReadIntEEExecute();
  void actReadExtEEExecute();
  void actVerifyFlashExecute();
  void actVerifyIntEEExecute();
  // The external EEPROM through the loader, flash and internal EEPROM
  // kept around it, after a question that says so and how long it takes.
  void actVerifyExtEEExecute();
  // All three memories in one card session (ReadCardCommand.*).
  void actReadCardExecute();
  // Runs a card command that erases the chip; what it could not write back
  // is kept (KeepUnrestoredBackups), also when an error ends it, before the
  // window shows that error.
  template <typename TRun>
  auto KeepingBackups(const TCardCommand& command, TRun run);

  // ---- File commands (FileCommands.cpp) ---------------------------------
  // A load command: the unsaved-changes question, the open dialog, the load.
  void LoadCommand(TImageKind kind);
  void actLoadFlashExecute();
  void actLoadIntEEExecute();
  void actLoadExtEEExecute();
  void actSaveFlashExecute();
  void actSaveIntEEExecute();
  void actSaveExtEEExecute();
  void actImportXMLExecute();
  // Whole-card images (CardImageCommands.cpp): the three images in one
  // Intel HEX file, flash at 0, internal EEPROM at 0x810000, external
  // EEPROM at 0x01000000.
  void actLoadCardImageExecute();
  void actSaveCardImageExecute();
  // Loads a whole-card image: every image whose range holds records is
  // replaced (after the unsaved-changes question for a modified one), the
  // others stay, and the file goes to File -> Recent. False when the user
  // cancelled a question. Raises the file's error; then no image has
  // changed.
  bool LoadCardImageFile(const QString& fileName);
  // A name typed without any dot gets the default suffix, as the file
  // dialog does; applied here too, so that a dialog that leaves it out (a
  // desktop portal, a test) saves the same file.
  static QString WithDefaultSuffix(const QString& name, const QString& suffix);
  // The save dialog, and the name it gives with the default suffix added
  // (an absolute path). Where the suffix makes the answer a file that
  // exists, asks "<file> already exists. Do you want to replace it?"; No
  // shows the dialog again. Empty when the user cancelled.
  QString AskSaveFileName(const TFileDialogRequest& request);
  // Saves an image as its save command does. With askName false, straight
  // to the file of the file name box when that file takes the image back
  // whole (SavesInPlace); otherwise through the save dialog, which
  // proposes that file. False when the user cancelled; raises the file's
  // error.
  bool SaveImage(TImageKind kind, bool askName);

  // ---- Unsaved changes (UnsavedChanges.cpp) -------------------------------
  // Before an image is replaced or cut: asks "The <image> image has unsaved
  // changes. Save them?" when it is modified. True to go on (saved or
  // discarded); false when the user cancelled or the save did not happen
  // (a failed save has shown its error).
  bool ConfirmDiscard(TImageKind kind);
  // The same for every modified image, before the program ends.
  bool ConfirmDiscardAll();
  // Shows the modified marks on the page tabs and in the window title.
  void UpdateModifiedMarks();
  // A catalogue choice gives an image a new size. When that would cut
  // bytes other than 0xFF, asks first (the unsaved-changes question for a
  // modified image, else whether to cut); false when the user said no.
  bool ConfirmResize(TImageKind kind, int newSize);
  // Resizes an image for a new catalogue choice: clears undo and redo;
  // the image stays as modified as it was, and becomes modified when data
  // was cut.
  void ResizeImage(TImageKind kind, int newSize);

  // ---- Backups a command could not write back (KeptBackups.cpp) -----------
  // Puts each backup into the empty image of its page, as a modified
  // image; a page whose image is not empty gets it as a file in the
  // program's data folder instead. Tells the user where they are.
  void KeepUnrestoredBackups(const TCardBackups& backups);
  // Where such files go (tests redirect it).
  QString FBackupFolder;

  // ---- Recent files (RecentFiles.cpp) ------------------------------------
  // The settings group of card images (each image's is its ImageName).
  static QString CardImageGroup() { return QStringLiteral("Card"); }
  void AddRecentFile(const QString& group, const QString& fileName);

  // ---- Dropped files (FileDrops.cpp) ---------------------------------------
  // Where a file dropped at `pos` (window coordinates) goes: an image page
  // or a memory's row of the Programmer page; -1 elsewhere.
  int DropTarget(const QPoint& pos) const;
  // Loads a dropped file: a whole-card image as one wherever it lands,
  // any other file into the image it was dropped on.
  void DropFile(const QString& fileName, int target);

  // ---- Port driver set-up (PortDriverCommand.cpp) ------------------------
  void actInstallNTPortDriversExecute();
  void actRescanPortsExecute();

  // ---- Menu commands -----------------------------------------------------
  void miExitClick();
  void miContentsClick();
  void miAboutClick();
  // The window of "&Contents" (F1), made when first asked for.
  class TUserGuideWindow* GuideWindow = nullptr;

  // ---- Catalogue choices -------------------------------------------------
  void cbProcessorChange();
  void cbEepromChange();
  void cbPortChange();

  // ---- The three images (entries of Images) -----------------------------
  QCheckBox* AutoloadBox(TImageKind kind) const { return Images[kind].Autoload; }
  // The image's size for the selected processor / external EEPROM.
  int CatalogueSize(TImageKind kind) const;
  // Whether any of the three holds data.
  bool AnyImageHasData() const;
  // "flash", "internal eeprom", "external eeprom": the image in messages.
  static QString ImageTitle(TImageKind kind) {
    return QString::fromLatin1(ImagePageNames[kind].Title);
  }
  // The page's tab text without the modified mark: "Flash", "Int. EE.",
  // "Ext EE.".
  static QString ImagePageTitle(TImageKind kind) {
    return QString::fromLatin1(ImagePageNames[kind].PageTitle);
  }

  // ---- Autoload ----------------------------------------------------------
  // Loads the images whose autoload box is checked from their last file;
  // a missing or unreadable file is skipped with a note on the status
  // line. Run at the end of start-up.
  void AutoloadImages();
  QSettings& Settings() { return *FSettings; }

  // ---- The status line (the card host's) ---------------------------------
  QString StatusText() const;
  void SetStatusText(const QString& text);
  void SetStatusText(const char* text) { SetStatusText(QString::fromUtf8(text)); }

  // Shows the next (step 1) or previous (step -1) page whose tab is
  // visible, wrapping around.
  void SwitchPage(int step);

  // ---- Construction --------------------------------------------------------
  void CreateActions();
  void CreateMenus();
  // A label for what the program reports (the status line, the chip id):
  // plain text, bold, navy (lightened on a dark palette), cut with "…"
  // rather than widening the window.
  static QLabel* CreateReadout(QWidget* parent, const char* name);
  // Makes an image's editor on its page.
  void CreateEditor(TImagePage& image);
  // The "Programmer" page (ProgrammerPage.cpp): the images' rows, the chip
  // choices with the chip id and the progress bars, the command buttons.
  void CreateProgrammerPage();
  QGridLayout* CreateFileRows();
  void CreateFileRow(TImagePage& image);
  QToolButton* CreateRowButton(const char* prefix, const TImagePage& image, const char* text,
                               QAction* action);
  void CreateChipChoices();
  void CreateProgressBars();
  QGridLayout* LayOutChipChoices();
  QVBoxLayout* CreateCommandButtons();
  void BindButton(QAbstractButton* button, QAction* action);
  void BindCommand(QAction* action, void (TMainForm::*handler)());
  void FormCreate(std::unique_ptr<TLptPort> port, int processorRow, int eepromRow);
  // Lists the ports, the one labelled `keep` chosen when it is there.
  void ListPorts(const std::string& keep = "");
  // Asked before a USB board whose serial port the system uses is taken
  // (PortRescan.cpp); yes once is yes for the rest of the run.
  bool ConfirmTakingBoard(int index);
  std::vector<std::string> FBoardsTaken;
  // Uses port `index` of the port object, every programmer line low.
  void SelectPortAt(int index);
  void ApplicationIdle();
  void ApplicationFocusChanged(QWidget* old, QWidget* now);
  void RememberFileName(TImageKind kind);
  void RememberAutoload(TImageKind kind);
  void LoadAutoloadStates();
  // The standard file keys (PageFileKeys.cpp): Ctrl+O and Ctrl+S on the
  // page shown, Ctrl+Q as a second key of "&Exit".
  void CreatePageFileKeys();
  // Makes the card host over the status line, the bars and the chip id,
  // and the one the card layer is given (WrapCardHost).
  void CreateCardHost(TMainFormOptions& options);
  // The host the card layer talks to; the window's own questions and beeps
  // go the same way.
  TCardHost& Host() { return FWrappedHost ? *FWrappedHost : *FWindowHost; }
  TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                   TMessageButtons buttons) {
    return Host().ShowMessageDialog(text, kind, buttons);
  }
  void Beep() { Host().Beep(); }
  // A detected processor is selected without resizing any image.
  void ShowDetectedProcessor(int row);

  std::unique_ptr<TWindowCardHost> FWindowHost;
  std::unique_ptr<TCardHost> FWrappedHost;
  std::unique_ptr<QSettings> FSettings;
  bool FUiLocked = false;
  bool FCursorOverridden = false;
  bool FCloseRequested = false;
  int FCommandDepth = 0;
  bool FStartingUp = true;
  // The catalogue rows the images were last sized for: a choice the user
  // takes back returns to them.
  int FProcessorRow = 0;
  int FEepromRow = 0;
  // The session manager has had every unsaved image answered for, and no
  // image has changed since.
  bool FSessionAnswered = false;
};
