#include "app/MainUnit.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSessionManager>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "app/AboutUnit.h"
#include "app/EditCommands.h"
#include "app/ElidedLabel.h"
#include "app/MessageDialog.h"
#include "app/PellarApplication.h"
#include "app/PortRescan.h"
#include "app/ReadableColors.h"
#include "app/UserGuideWindow.h"
#include "hexedit/widget/HexEditor.h"
#include "images/DeviceCatalogue.h"
#include "link/AdapterFile.h"

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME "Pellar Remake"
#endif

namespace {

constexpr const char* PortDriverMessageNT =
    "Cannot initialize Port Driver.\nPlease select System|Install when logged\n"
    "in as Administrator, then reboot.";
constexpr const char* PortDriverMessage = "Cannot initialize Port-driver";

// What the program reports: navy, or a readable navy on a dark palette.
const QColor ReadoutColor(0x00, 0x00, 0x80);

// Whether the widget is a hex editor or part of one.
bool InsideHexEditor(const QWidget* widget) {
  for (; widget; widget = widget->parentWidget())
    if (qobject_cast<const TCustomHexEditor*>(widget)) return true;
  return false;
}

// Reads a stored yes/no value; anything that is not one reads as no.
bool StoredFlag(const QVariant& value) {
  if (value.typeId() == QMetaType::Bool) return value.toBool();
  const QString text = value.toString().trimmed().toLower();
  return text == QLatin1String("true") || text == QLatin1String("1");
}

}  // namespace

// ===========================================================================
// Construction and start-up

TMainForm::TMainForm(TMainFormOptions options, QWidget* parent)
    : QMainWindow(parent), Dialogs(std::move(options.Dialogs)) {
  if (!Dialogs) Dialogs = std::make_shared<TQtUserDialogs>();
  if (options.SettingsFile.isEmpty())
    FSettings =
        std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                    QStringLiteral("pellar-remake"), QStringLiteral("pellar"));
  else
    FSettings = std::make_unique<QSettings>(options.SettingsFile, QSettings::IniFormat);

  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(BaseTitle());

  pgcMain = new QTabWidget(this);
  pgcMain->setObjectName(QStringLiteral("pgcMain"));
  setCentralWidget(pgcMain);
  TabSheet2 = new QWidget;
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  pgcMain->addTab(TabSheet2, QStringLiteral("Programmer"));
  for (TImagePage& image : Images) {
    image.Page = new QWidget;
    image.Page->setObjectName(image.ComponentName("tsh"));
    pgcMain->addTab(image.Page, QString::fromLatin1(image.PageTitle));
  }
  pgcMain->setCurrentWidget(TabSheet2);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusPanel = CreateReadout(StatusBar1, "StatusPanel");
  StatusBar1->addWidget(StatusPanel, 1);
  lbTimeLeft = new QLabel(StatusBar1);
  lbTimeLeft->setObjectName(QStringLiteral("lbTimeLeft"));
  lbTimeLeft->setVisible(false);
  StatusBar1->addPermanentWidget(lbTimeLeft);
  setStatusBar(StatusBar1);

  CreateActions();
  CreateMenus();
  CreateProgrammerPage();
  CreateCardHost(options);

  FormCreate(std::move(options.Port), options.ProcessorRow, options.EepromRow);
  EditCommands = new TEditCommands(*this, *Dialogs);
  // The Edit menu stands between File and System.
  menuBar()->insertMenu(miSystem->menuAction(), EditCommands->Menu());
  CreatePageFileKeys();

  if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TMainForm::ApplicationIdle);
  connect(qApp, &QApplication::focusChanged, this, &TMainForm::ApplicationFocusChanged);
  // Page switching keys reach the window before any of its widgets.
  qApp->installEventFilter(this);
#ifndef QT_NO_SESSIONMANAGER
  // The desktop session is ending: every edited image is saved or given
  // up, or the user cancels the logout.
  connect(
      qApp, &QGuiApplication::commitDataRequest, this,
      [this](QSessionManager& manager) {
        if (!manager.allowsInteraction()) return;
        if (!FUiLocked && ConfirmDiscardAll())
          FSessionAnswered = true;
        else
          manager.cancel();
        manager.release();
      },
      Qt::DirectConnection);
#endif

  resize(sizeHint().expandedTo(QSize(601, 407)));
  FStartingUp = false;
}

TMainForm::~TMainForm() {
  // Nothing may call into this window once its destruction has begun: the
  // base classes tear down the children (and hide the window) afterwards,
  // which emits signals connected to members of this class.
  QObject::disconnect(qApp, nullptr, this, nullptr);
  qApp->removeEventFilter(this);
  if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
    QObject::disconnect(dispatcher, nullptr, this, nullptr);
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  if (FCursorOverridden) QGuiApplication::restoreOverrideCursor();
  // The editors go with their pages; the AVR commands and the link before
  // the port object they use.
  Card.reset();
  Loader.reset();
  Avr.reset();
  Link.reset();
  Port.reset();
}

void TMainForm::FormCreate(std::unique_ptr<TLptPort> port, int processorRow, int eepromRow) {
  // 1. No memory page shows a tab until its image holds data.
  for (const TImagePage& image : Images)
    pgcMain->setTabVisible(pgcMain->indexOf(image.Page), false);

  // 3. The port object, and the link and commands over it.
  Port = port ? std::move(port) : std::make_unique<TLptPort>();
  IsWinNT = Port->IsWinNT;
  Link = std::make_unique<TIspLink>(*Port);
  Avr = std::make_unique<TAvrCommands>(*Link, Host());
  Loader = std::make_unique<TLoaderLink>(*Link, *Avr, Host());
  Card = std::make_unique<TCardContext>(TCardContext{*Port, *Link, *Avr, *Loader, Host()});
  // 2. One power-cycle retry per run of EnterProgrammingMode.
  Avr->PowerCycleAllowed = true;

  // 5. The three images.
  for (TImagePage& image : Images) CreateEditor(image);

  // 6. The catalogue; selecting row 0 sizes no image.
  {
    const QSignalBlocker b1(cbProcessor);
    const QSignalBlocker b2(cbEeprom);
    for (const auto& row : ProcessorRows()) cbProcessor->addItem(QString::fromLatin1(row.Name));
    for (const auto& row : EepromTable) cbEeprom->addItem(QString::fromLatin1(row.Name));
    const auto row = [](int wanted, int count) {
      return wanted >= 0 && wanted < count ? wanted : 0;
    };
    FProcessorRow = row(processorRow, cbProcessor->count());
    FEepromRow = row(eepromRow, cbEeprom->count());
    cbProcessor->setCurrentIndex(FProcessorRow);
    cbEeprom->setCurrentIndex(FEepromRow);
  }

  // 7. Activate the port: find the ports (with the user's own adapters),
  // open them, select the first.
  // The adapter file lives beside the settings file.
  const TAdapterFileResult adapters = ReadAdapterFile(
      QFileInfo(FSettings->fileName()).dir().filePath(QStringLiteral("adapters.ini")).toStdString());
  Port->SetAdapters(adapters.Adapters);
  Port->ConfirmTake = [this](int index) { return ConfirmTakingBoard(index); };
  InstallPortListRescan(cbPort, [this] { actRescanPortsExecute(); });
  Port->SetActive(true);

  if (Port->Active) {
    // 8. List the ports and start with every programmer line low.
    ListPorts();
  } else {
    // 9. Told once, before the window is shown; files still work.
    Beep();
    ShowMessageDialog(IsWinNT ? PortDriverMessageNT : PortDriverMessage, mkError, mbOK);
    if (!Port->LastError.empty()) SetStatusText(QString::fromStdString(Port->LastError));
  }

  // A fault in the adapter file leaves that adapter out; told once.
  if (!adapters.Messages.empty() || !adapters.Warnings.empty()) {
    std::string text = "Some of your adapters could not be used:";
    for (const std::string& line : adapters.Messages) text += "\n" + line;
    for (const std::string& line : adapters.Warnings) text += "\nWarning: " + line;
    ShowMessageDialog(text, adapters.Messages.empty() ? mkInformation : mkError, mbOK);
  }

  LoadAutoloadStates();
  RebuildRecentMenu();
  setAcceptDrops(true);
  AutoloadImages();
  UpdateActions();
}

void TMainForm::ListPorts(const std::string& keep) {
  const QSignalBlocker block(cbPort);
  cbPort->clear();
  for (int i = 0; i < Port->PortCount; ++i)
    cbPort->addItem(QString::fromStdString(Port->PortLabel(i)), i);
  // The list is sorted; each entry keeps the index of its port.
  cbPort->model()->sort(0);
  const int kept = cbPort->findText(QString::fromStdString(keep));
  cbPort->setCurrentIndex(kept > 0 ? kept : 0);
  // The port in use is the one the list shows.
  SelectPortAt(cbPort->count() > 0 ? cbPort->currentData().toInt() : 0);
}

void TMainForm::SelectPortAt(int index) {
  // A USB board held for the port chosen before goes back to the system.
  if (index != Port->SelectedIndex) Port->ReleaseSelected();
  Port->SelectPort(index);
  // The newly chosen port starts with every programmer line low.
  Link->DataLatch = 0;
  Link->Write();
}

QLabel* TMainForm::CreateReadout(QWidget* parent, const char* name) {
  auto* label = new TElidedLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  SetMeaningColor(label, ReadoutColor);
  return label;
}

void TMainForm::CreateEditor(TImagePage& image) {
  auto* editor = new THexEditor(image.Page);
  editor->setObjectName(image.ComponentName("hex"));
  // An edit the editor refuses is shown like any command's error.
  connect(editor, &TCustomHexEditor::errorRaised, this,
          [this](const QString& text) { ShowCommandError(text); });
  connect(editor, &TCustomHexEditor::modifiedChanged, this, [this] { UpdateModifiedMarks(); });
  // An image changed after the session manager's question (the logout was
  // cancelled elsewhere): that answer no longer covers it.
  connect(editor, &TCustomHexEditor::changed, this, [this] {
    FSessionAnswered = false;
    // What the last command reported no longer describes the images
    // ("Programming error." while the user mends the image).
    SetStatusText(QString());
  });
  auto* layout = new QVBoxLayout(image.Page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(editor);
  editor->SetFillByte(0xFF);
  editor->SetBytesPerColumn(image.BytesPerColumn);
  if (image.BytesPerUnit > 0) editor->SetBytesPerUnit(image.BytesPerUnit);
  QFont font = editor->font();
  font.setPointSize(8);
  editor->setFont(font);
  image.Editor = editor;
}

// ===========================================================================
// Actions and menus (the "Programmer" page: ProgrammerPage.cpp)

void TMainForm::CreateActions() {
  auto make = [this](QAction*& action, const char* name, const char* text, const char* hint) {
    action = new QAction(QString::fromLatin1(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(QString::fromLatin1(hint));
  };
  make(actLoadFlash, "actLoadFlash", "Load Flash File", "Load Flash file");
  make(actLoadIntEE, "actLoadIntEE", "Load Internal eeprom", "Load Internal eeprom");
  make(actLoadExtEE, "actLoadExtEE", "Load External eeprom...", "Load External eeprom");
  actLoadExtEE->setShortcut(QKeySequence(Qt::Key_F3));
  make(actSaveFlash, "actSaveFlash", "Save Flash file", "Save Flash file");
  make(actSaveIntEE, "actSaveIntEE", "Save Internal eeprom", "Save Internal eeprom");
  make(actSaveExtEE, "actSaveExtEE", "Save External eeprom as...", "Save External eeprom");
  actSaveExtEE->setShortcut(QKeySequence(Qt::Key_F2));
  make(actProgAll, "actProgAll", "&Program", "Program All");
  make(actVerify, "actVerify", "&Verify", "Verify All");
  make(actErase, "actErase", "&Erase", "Erase");
  make(actReadFlash, "actReadFlash", "Read Flash", "Read Flash");
  make(actReadIntEE, "actReadIntEE", "Read Int. EEprom", "Read Int. EEprom");
  make(actReadExtEE, "actReadExtEE", "Read Ext. EEprom", "Read Ext. EEprom");
  make(actVerifyFlash, "actVerifyFlash", "Verify Flash", "Verify Flash");
  make(actVerifyIntEE, "actVerifyIntEE", "Verify Int. EEprom", "Verify Int. EEprom");
  make(actVerifyExtEE, "actVerifyExtEE", "Verify Ext. EEprom",
       "Verify Ext. EEprom (rewrites the card's flash)");
  make(actImportXML, "actImportXML", "Import XML", "Import XML");
  make(actLoadCardImage, "actLoadCardImage", "Load Card Image...",
       "Load flash, internal and external eeprom from one file");
  make(actSaveCardImage, "actSaveCardImage", "Save Card Image...",
       "Save flash, internal and external eeprom in one file");
  make(actReadCard, "actReadCard", "Read Card", "Read flash, internal and external eeprom");
  make(actInstallNTPortDrivers, "actInstallNTPortDrivers", "&Install NT Port Drivers",
       "Set up parallel port access (ppdev)");
  make(actRescanPorts, "actRescanPorts", "&Rescan Ports",
       "Look for the ports again (a USB adapter plugged in since)");
  make(miExit, "miExit", "&Exit", "Exit");
  miExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  make(miContents, "miContents", "&Contents", "User guide");
  miContents->setShortcut(QKeySequence(Qt::Key_F1));
  make(miAbout, "miAbout", "&About", "About");

  BindCommand(actLoadFlash, &TMainForm::actLoadFlashExecute);
  BindCommand(actLoadIntEE, &TMainForm::actLoadIntEEExecute);
  BindCommand(actLoadExtEE, &TMainForm::actLoadExtEEExecute);
  BindCommand(actSaveFlash, &TMainForm::actSaveFlashExecute);
  BindCommand(actSaveIntEE, &TMainForm::actSaveIntEEExecute);
  BindCommand(actSaveExtEE, &TMainForm::actSaveExtEEExecute);
  BindCommand(actProgAll, &TMainForm::actProgAllExecute);
  BindCommand(actVerify, &TMainForm::actVerifyExecute);
  BindCommand(actErase, &TMainForm::actEraseExecute);
  BindCommand(actReadFlash, &TMainForm::actReadFlashExecute);
  BindCommand(actReadIntEE, &TMainForm::actReadIntEEExecute);
  BindCommand(actReadExtEE, &TMainForm::actReadExtEEExecute);
  BindCommand(actVerifyFlash, &TMainForm::actVerifyFlashExecute);
  BindCommand(actVerifyIntEE, &TMainForm::actVerifyIntEEExecute);
  BindCommand(actVerifyExtEE, &TMainForm::actVerifyExtEEExecute);
  BindCommand(actImportXML, &TMainForm::actImportXMLExecute);
  BindCommand(actLoadCardImage, &TMainForm::actLoadCardImageExecute);
  BindCommand(actSaveCardImage, &TMainForm::actSaveCardImageExecute);
  BindCommand(actReadCard, &TMainForm::actReadCardExecute);
  BindCommand(actInstallNTPortDrivers, &TMainForm::actInstallNTPortDriversExecute);
  BindCommand(actRescanPorts, &TMainForm::actRescanPortsExecute);
  BindCommand(miExit, &TMainForm::miExitClick);
  BindCommand(miContents, &TMainForm::miContentsClick);
  BindCommand(miAbout, &TMainForm::miAboutClick);

  // The shortcuts work wherever the focus is in the window.
  for (QAction* a : {actLoadExtEE, actSaveExtEE, miExit, miContents}) addAction(a);
}

void TMainForm::CreateMenus() {
  miFile = menuBar()->addMenu(QStringLiteral("&File"));
  miFile->setObjectName(QStringLiteral("miFile"));
  miFile->addAction(actLoadExtEE);
  miFile->addAction(actSaveExtEE);
  miFile->addAction(actImportXML);
  miFile->addSeparator();
  miFile->addAction(actLoadFlash);
  miFile->addAction(actSaveFlash);
  miFile->addAction(actLoadIntEE);
  miFile->addAction(actSaveIntEE);
  miFile->addSeparator();
  miFile->addAction(actLoadCardImage);
  miFile->addAction(actSaveCardImage);
  miFile->addAction(actReadCard);
  miFile->addAction(actReadExtEE);
  miFile->addAction(actVerifyExtEE);
  miFile->addSeparator();
  miRecent = miFile->addMenu(QStringLiteral("Recent"));
  miRecent->setObjectName(QStringLiteral("miRecent"));
  miRecent->setToolTipsVisible(true);
  connect(miRecent, &QMenu::aboutToShow, this, &TMainForm::RebuildRecentMenu);
  miFile->addSeparator();
  miFile->addAction(miExit);

  miSystem = menuBar()->addMenu(QStringLiteral("&System"));
  miSystem->setObjectName(QStringLiteral("miSystem"));
  miSystem->addAction(actInstallNTPortDrivers);
  miSystem->addAction(actRescanPorts);

  miHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  miHelp->setObjectName(QStringLiteral("miHelp"));
  miHelp->addAction(miContents);
  miHelp->addSeparator();
  miHelp->addAction(miAbout);
}

void TMainForm::BindCommand(QAction* action, void (TMainForm::*handler)()) {
  connect(action, &QAction::triggered, this,
          [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
}

void TMainForm::BindButton(QAbstractButton* button, QAction* action) {
  if (button->toolTip().isEmpty()) button->setToolTip(action->toolTip());
  button->setEnabled(action->isEnabled());
  connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
  connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
}

// ===========================================================================
// The interface lock and the update rules

void TMainForm::SetUiEnabled(bool enabled) {
  // 1. The top-level menus.
  for (QMenu* menu : {miFile, miSystem, miHelp}) {
    menu->menuAction()->setEnabled(enabled);
    menu->setEnabled(enabled);
  }
  // 2. The actions of the page (Import XML and the driver set-up are out
  //    of reach through the menus).
  for (QAction* a :
       {actLoadFlash, actLoadIntEE, actLoadExtEE, actSaveFlash, actSaveIntEE, actSaveExtEE,
        actReadFlash, actReadIntEE, actReadExtEE, actVerifyFlash, actVerifyIntEE, actVerifyExtEE,
        actProgAll, actErase, actVerify, actLoadCardImage, actSaveCardImage, actReadCard})
    a->setEnabled(enabled);
  // 3. The choices.
  cbProcessor->setEnabled(enabled);
  cbEeprom->setEnabled(enabled);
  cbPort->setEnabled(enabled);
  // 4. The images cannot be edited while the card is worked on.
  for (const TImagePage& image : Images) image.Editor->SetReadOnlyView(!enabled);
  if (EditCommands) EditCommands->SetLocked(!enabled);
  // 5. The hourglass while locked, the cursor from before afterwards.
  if (enabled) {
    if (FCursorOverridden) QGuiApplication::restoreOverrideCursor();
    FCursorOverridden = false;
  } else if (!FCursorOverridden) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    FCursorOverridden = true;
  }
  FUiLocked = !enabled;

  // A close asked for while locked is carried out once the command has
  // returned to the event loop (the card is off by then).
  if (enabled && FCloseRequested) QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::ApplicationIdle() {
  // Never while a command runs (its pending-event rounds included) or
  // while the interface is locked.
  if (FStartingUp || FCommandDepth > 0 || FUiLocked) return;
  UpdateActions();
}

void TMainForm::UpdateActions() {
  for (TImageKind kind : AllImageKinds) ImageActionsUpdate(kind);
  actProgAllUpdate();
  actVerifyUpdate();
  actInstallNTPortDriversUpdate();
  actSaveCardImageUpdate();
  if (EditCommands) EditCommands->UpdateActions();
}

void TMainForm::ImageActionsUpdate(TImageKind kind) {
  const TImagePage& image = Images[kind];
  const bool hasData = image.Editor->DataSize() > 0;
  image.SaveAction->setEnabled(hasData);
  if (image.VerifyAction) image.VerifyAction->setEnabled(hasData);
  pgcMain->setTabVisible(pgcMain->indexOf(image.Page), hasData);
}

void TMainForm::actSaveCardImageUpdate() { actSaveCardImage->setEnabled(AnyImageHasData()); }

void TMainForm::actProgAllUpdate() { actProgAll->setEnabled(AnyImageHasData()); }

void TMainForm::actVerifyUpdate() { actVerify->setEnabled(AnyImageHasData()); }

void TMainForm::actInstallNTPortDriversUpdate() { actInstallNTPortDrivers->setEnabled(IsWinNT); }

// ===========================================================================
// The error display

// The program's name as users know it, not the executable's.
QString TMainForm::ApplicationTitle() const { return QStringLiteral(PELLAR_PRODUCT_NAME); }

void TMainForm::ShowCommandError(const QString& text) {
  Dialogs->ErrorBox(this, ApplicationTitle(), ErrorBoxText(text));
}

void TMainForm::RunCommand(const std::function<void()>& command) {
  const bool wasLocked = FUiLocked;
  ++FCommandDepth;
  QString error;
  bool failed = false;
  try {
    command();
  } catch (...) {
    failed = true;
    error = TPellarApplication::CurrentErrorText();
  }
  if (failed && FUiLocked && !wasLocked) {
    // The command left by an exception while it held the card outside a
    // card session (whose own exit does this): power the card off and
    // give the interface back.
    if (Port && Port->Active && Link) Link->PowerOff();
    SetUiEnabled(true);
  }
  if (failed) ShowCommandError(error);
  --FCommandDepth;
}

// ===========================================================================
// Closing

void TMainForm::closeEvent(QCloseEvent* event) {
  if (FUiLocked) {
    // A card command is running and processes pending events: closing now
    // would take the port and the editors from under it, with the card
    // powered. Held until the command has ended.
    FCloseRequested = true;
    event->ignore();
    return;
  }
  FCloseRequested = false;
  // Every edited image is saved or given up first; Cancel keeps the
  // program running. The session manager may have asked already.
  if (!FSessionAnswered && !ConfirmDiscardAll()) {
    event->ignore();
    return;
  }
  if (Port && Port->Active && Link) Link->PowerOff();
  event->accept();
}

// ===========================================================================
// Page switching

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this && (key->modifiers() & Qt::ControlModifier) &&
        !(key->modifiers() & Qt::AltModifier)) {
      const bool shift = key->modifiers() & Qt::ShiftModifier;
      // Ctrl+PgUp and Ctrl+PgDn are an editor's own keys (the caret to
      // the view's top or bottom row).
      const bool inEditor = InsideHexEditor(widget);
      int step = 0;
      switch (key->key()) {
        case Qt::Key_Tab: step = shift ? -1 : 1; break;
        case Qt::Key_Backtab: step = -1; break;
        case Qt::Key_PageDown: step = shift || inEditor ? 0 : 1; break;
        case Qt::Key_PageUp: step = shift || inEditor ? 0 : -1; break;
        default: break;
      }
      if (step != 0) {
        SwitchPage(step);
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::SwitchPage(int step) {
  const int count = pgcMain->count();
  int index = pgcMain->currentIndex();
  for (int i = 0; i < count; ++i) {
    index = (index + step + count) % count;
    if (pgcMain->isTabVisible(index)) {
      pgcMain->setCurrentIndex(index);
      return;
    }
  }
}

// ===========================================================================
// Menu commands

void TMainForm::miExitClick() { close(); }

void TMainForm::miAboutClick() {
  TAboutForm about(CompiledVersionRecord(), Dialogs.get(), this);
  Dialogs->ExecDialog(about);
}

void TMainForm::miContentsClick() {
  // One guide window, shown beside the main window and raised again.
  if (!GuideWindow) GuideWindow = new TUserGuideWindow(this);
  GuideWindow->show();
  GuideWindow->raise();
  GuideWindow->activateWindow();
}

// ===========================================================================
// Catalogue choices (the processor and EEPROM choices: UnsavedChanges.cpp)

void TMainForm::SelectProcessor(int row) { cbProcessor->setCurrentIndex(row); }

void TMainForm::SelectEeprom(int row) { cbEeprom->setCurrentIndex(row); }

void TMainForm::cbPortChange() {
  if (!Port || !Port->Active) return;
  const QVariant index = cbPort->currentData();
  if (!index.isValid()) return;
  SelectPortAt(index.toInt());
}

// ===========================================================================
// Images

std::optional<TImageKind> TMainForm::ShownImage() const {
  for (TImageKind kind : AllImageKinds)
    if (pgcMain->currentWidget() == Page(kind)) return kind;
  return std::nullopt;
}

int TMainForm::CatalogueSize(TImageKind kind) const {
  return ChipMemorySize(static_cast<TImageMemory>(kind), cbProcessor->currentIndex(),
                        cbEeprom->currentIndex());
}

bool TMainForm::AnyImageHasData() const {
  return std::any_of(Images.begin(), Images.end(),
                     [](const TImagePage& image) { return image.Editor->DataSize() > 0; });
}

// ===========================================================================
// Autoload

void TMainForm::RememberFileName(TImageKind kind) {
  const QString name = FileBox(kind)->text();
  // A read from the card clears the box; the last file stays remembered.
  if (name.isEmpty()) return;
  FSettings->setValue(ImageName(kind) + QStringLiteral("/LastFile"), name);
  AddRecentFile(ImageName(kind), name);
}

void TMainForm::RememberAutoload(TImageKind kind) {
  FSettings->setValue(ImageName(kind) + QStringLiteral("/Autoload"),
                      AutoloadBox(kind)->isChecked());
}

void TMainForm::LoadAutoloadStates() {
  for (TImageKind kind : AllImageKinds) {
    QCheckBox* box = AutoloadBox(kind);
    const QSignalBlocker block(box);
    box->setChecked(StoredFlag(FSettings->value(ImageName(kind) + QStringLiteral("/Autoload"))));
  }
}

void TMainForm::AutoloadImages() {
  QStringList notes;
  for (TImageKind kind : AllImageKinds) {
    if (!AutoloadBox(kind)->isChecked()) continue;
    const QVariant stored = FSettings->value(ImageName(kind) + QStringLiteral("/LastFile"));
    const QString file = stored.typeId() == QMetaType::QString ? stored.toString() : QString();
    if (file.isEmpty()) continue;  // nothing remembered yet
    const QString what = ImageName(kind);
    if (!QFileInfo(file).isFile()) {
      notes << QStringLiteral("%1 file not found: %2").arg(what, file);
      continue;
    }
    try {
      LoadImageFile(kind, file);
    } catch (const std::exception& e) {
      // A file that does not load has changed nothing.
      notes
          << QStringLiteral("%1 file %2 skipped: %3").arg(what, file, QString::fromUtf8(e.what()));
    }
  }
  if (!notes.isEmpty())
    SetStatusText(QStringLiteral("Autoload: ") + notes.join(QStringLiteral("; ")));
}

// ===========================================================================
// Focus

void TMainForm::ApplicationFocusChanged(QWidget* old, QWidget* now) {
  // The focus entering the "Programmer" page from elsewhere in this window
  // clears the status line.
  if (!now || !old || now->window() != this || old->window() != this) return;
  if (TabSheet2->isAncestorOf(now) && !TabSheet2->isAncestorOf(old)) SetStatusText(QString());
}

// ===========================================================================
// The card host

void TMainForm::CreateCardHost(TMainFormOptions& options) {
  FWindowHost = std::make_unique<TWindowCardHost>(
      TWindowCardHostSetup{.Window = this,
                           .Dialogs = Dialogs.get(),
                           .Status = StatusPanel,
                           .TimeLeft = lbTimeLeft,
                           .ChipId = chipidLabel,
                           .Lock = [this](bool locked) { SetUiEnabled(!locked); },
                           .ShowProcessor = [this](int row) { ShowDetectedProcessor(row); },
                           .Bars = {initBar, flashBar, intBar, extBar}});
  if (options.WrapCardHost) FWrappedHost = options.WrapCardHost(*FWindowHost);
}

QString TMainForm::StatusText() const { return FWindowHost->StatusText(); }

void TMainForm::SetStatusText(const QString& text) { FWindowHost->SetStatusText(text); }

void TMainForm::ShowDetectedProcessor(int row) {
  if (row < 0 || row >= cbProcessor->count()) return;
  // A detected processor is selected without resizing any image.
  const QSignalBlocker block(cbProcessor);
  cbProcessor->setCurrentIndex(row);
  FProcessorRow = row;
}
