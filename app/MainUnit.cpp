#include "app/MainUnit.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSessionManager>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/AboutUnit.h"
#include "app/EditCommands.h"
#include "app/InstalledFiles.h"
#include "app/MessageDialog.h"
#include "app/PellarApplication.h"
#include "app/UserGuideWindow.h"
#include "card/CardSession.h"
#include "hexedit/widget/HexEditor.h"
#include "images/DeviceCatalogue.h"

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME "Pellar Remake"
#endif

namespace {

constexpr const char* PortDriverMessageNT =
    "Cannot initialize Port Driver.\nPlease select System|Install when logged\n"
    "in as Administrator, then reboot.";
constexpr const char* PortDriverMessage = "Cannot initialize Port-driver";

QLabel* RowLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QString PortEntryText(uint16_t address, const std::string& name) {
  QString text = QStringLiteral("0x") +
                 QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
  if (!name.empty()) text += QStringLiteral(" (%1)").arg(QString::fromStdString(name));
  return text;
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
    FSettings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("pellar-remake"),
                                            QStringLiteral("pellar"));
  else
    FSettings = std::make_unique<QSettings>(options.SettingsFile, QSettings::IniFormat);

  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(BaseTitle());

  pgcMain = new QTabWidget(this);
  pgcMain->setObjectName(QStringLiteral("pgcMain"));
  setCentralWidget(pgcMain);
  TabSheet2 = new QWidget;
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  tshFlash = new QWidget;
  tshFlash->setObjectName(QStringLiteral("tshFlash"));
  tshIntEE = new QWidget;
  tshIntEE->setObjectName(QStringLiteral("tshIntEE"));
  tshExtEE = new QWidget;
  tshExtEE->setObjectName(QStringLiteral("tshExtEE"));
  pgcMain->addTab(TabSheet2, QStringLiteral("Programmer"));
  pgcMain->addTab(tshFlash, QStringLiteral("Flash"));
  pgcMain->addTab(tshIntEE, QStringLiteral("Int. EE."));
  pgcMain->addTab(tshExtEE, QStringLiteral("Ext EE."));
  pgcMain->setCurrentWidget(TabSheet2);

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusPanel = new QLabel(StatusBar1);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  StatusPanel->setTextFormat(Qt::PlainText);
  QFont bold = StatusPanel->font();
  bold.setBold(true);
  StatusPanel->setFont(bold);
  StatusPanel->setStyleSheet(QStringLiteral("color: navy;"));
  StatusBar1->addWidget(StatusPanel, 1);
  lbTimeLeft = new QLabel(StatusBar1);
  lbTimeLeft->setObjectName(QStringLiteral("lbTimeLeft"));
  lbTimeLeft->setVisible(false);
  StatusBar1->addPermanentWidget(lbTimeLeft);
  setStatusBar(StatusBar1);

  CreateActions();
  CreateMenus();
  CreateProgrammerPage();

  FormCreate(std::move(options.Port), options.ProcessorRow, options.EepromRow);
  EditCommands = new TEditCommands(*this);

  if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            &TMainForm::ApplicationIdle);
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
  for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
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
  pgcMain->setTabVisible(pgcMain->indexOf(tshFlash), false);
  pgcMain->setTabVisible(pgcMain->indexOf(tshIntEE), false);
  pgcMain->setTabVisible(pgcMain->indexOf(tshExtEE), false);

  // 3. The port object, and the link and commands over it.
  Port = port ? std::move(port) : std::make_unique<TLptPort>();
  IsWinNT = Port->IsWinNT;
  Link = std::make_unique<TIspLink>(*Port);
  Avr = std::make_unique<TAvrCommands>(*Link, *this);
  Loader = std::make_unique<TLoaderLink>(*Link, *Avr, *this);
  Card = std::make_unique<TCardContext>(TCardContext{*Port, *Link, *Avr, *Loader, *this});
  // 2. One power-cycle retry per run of EnterProgrammingMode.
  Avr->PowerCycleAllowed = true;

  // 5. The three images.
  hexFlash = CreateEditor(tshFlash, 2, 2);
  hexFlash->setObjectName(QStringLiteral("hexFlash"));
  hexIntEE = CreateEditor(tshIntEE, 1, 0);
  hexIntEE->setObjectName(QStringLiteral("hexIntEE"));
  hexExtEE = CreateEditor(tshExtEE, 1, 0);
  hexExtEE->setObjectName(QStringLiteral("hexExtEE"));

  // 6. The catalogue; selecting row 0 sizes no image.
  {
    const QSignalBlocker b1(cbProcessor);
    const QSignalBlocker b2(cbEeprom);
    for (const auto& row : ProcessorRows()) cbProcessor->addItem(QString::fromLatin1(row.Name));
    for (const auto& row : EepromTable) cbEeprom->addItem(QString::fromLatin1(row.Name));
    const auto row = [](int wanted, int count) { return wanted >= 0 && wanted < count ? wanted : 0; };
    FProcessorRow = row(processorRow, cbProcessor->count());
    FEepromRow = row(eepromRow, cbEeprom->count());
    cbProcessor->setCurrentIndex(FProcessorRow);
    cbEeprom->setCurrentIndex(FEepromRow);
  }

  // 7. Activate the port: find the ports, open them, select the first.
  Port->SetActive(true);

  if (Port->Active) {
    // 8. List the ports and start with every programmer line low.
    ListPorts();
  } else {
    // 9. Told once, before the window is shown; files still work.
    Beep();
    ShowMessageDialog(IsWinNT ? PortDriverMessageNT : PortDriverMessage, mkError, mbOK);
    if (!Port->LastError.empty()) SetStatusText(Port->LastError);
  }

  LoadAutoloadStates();
  RebuildRecentMenu();
  setAcceptDrops(true);
  AutoloadImages();
  UpdateActions();
}

void TMainForm::ListPorts() {
  const QSignalBlocker block(cbPort);
  cbPort->clear();
  for (int i = 0; i < Port->PortCount; ++i)
    cbPort->addItem(PortEntryText(Port->GetPortAddress(i), Port->PortNames[i]), i);
  // The list is sorted; each entry keeps the index of its port.
  cbPort->model()->sort(0);
  cbPort->setCurrentIndex(0);
  // The port in use is the one the list shows.
  const int index = cbPort->count() > 0 ? cbPort->itemData(0).toInt() : 0;
  Port->SelectPort(index);
  Link->DataLatch = 0;
  Link->Write();
}

THexEditor* TMainForm::CreateEditor(QWidget* page, int bytesPerColumn, int bytesPerUnit) {
  auto* editor = new THexEditor(page);
  // An edit the editor refuses is shown like any command's error.
  connect(editor, &TCustomHexEditor::errorRaised, this,
          [this](const QString& text) { ShowCommandError(text); });
  connect(editor, &TCustomHexEditor::modifiedChanged, this, [this] { UpdateModifiedMarks(); });
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(editor);
  editor->SetFillByte(0xFF);
  editor->SetBytesPerColumn(bytesPerColumn);
  if (bytesPerUnit > 0) editor->SetBytesPerUnit(bytesPerUnit);
  QFont font = editor->font();
  font.setPointSize(8);
  editor->setFont(font);
  return editor;
}

// ===========================================================================
// Actions, menus and the "Programmer" page

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
  make(actImportXML, "actImportXML", "Import XML", "Import XML");
  make(actLoadCardImage, "actLoadCardImage", "Load Card Image...",
       "Load flash, internal and external eeprom from one file");
  make(actSaveCardImage, "actSaveCardImage", "Save Card Image...",
       "Save flash, internal and external eeprom in one file");
  make(actReadCard, "actReadCard", "Read Card", "Read flash, internal and external eeprom");
  make(actInstallNTPortDrivers, "actInstallNTPortDrivers", "&Install NT Port Drivers",
       "Set up parallel port access (ppdev)");
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
  BindCommand(actImportXML, &TMainForm::actImportXMLExecute);
  BindCommand(actLoadCardImage, &TMainForm::actLoadCardImageExecute);
  BindCommand(actSaveCardImage, &TMainForm::actSaveCardImageExecute);
  BindCommand(actReadCard, &TMainForm::actReadCardExecute);
  BindCommand(actInstallNTPortDrivers, &TMainForm::actInstallNTPortDriversExecute);
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

void TMainForm::CreateProgrammerPage() {
  QWidget* page = TabSheet2;
  auto tool = [this, page](QToolButton*& button, const char* name, const char* text,
                           QAction* action) {
    button = new QToolButton(page);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromLatin1(text));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(52);
    BindButton(button, action);
  };
  auto autoload = [page](QCheckBox*& box, const char* name, const char* hint) {
    box = new QCheckBox(page);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(QString::fromLatin1(hint));
  };
  auto fileBox = [page](QLineEdit*& box, const char* name) {
    box = new QLineEdit(page);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setMinimumWidth(180);
  };

  tool(btnLoadFlash, "btnLoadFlash", "Load", actLoadFlash);
  tool(btnSaveFlash, "btnSaveFlash", "Save", actSaveFlash);
  autoload(cbFlash, "cbFlash", "Autoload last Flash file @ startup");
  fileBox(ebFlash, "ebFlash");
  tool(btnReadFlash, "btnReadFlash", "Read", actReadFlash);
  tool(btnVerifyFlash, "btnVerifyFlash", "Verify", actVerifyFlash);
  tool(btnLoadIntEE, "btnLoadIntEE", "Load", actLoadIntEE);
  tool(btnSaveIntEE, "btnSaveIntEE", "Save", actSaveIntEE);
  autoload(cbIntEE, "cbIntEE", "Autoload last Int. EEprom file @ startup");
  fileBox(ebIntEE, "ebIntEE");
  tool(btnReadIntEE, "btnReadIntEE", "Read", actReadIntEE);
  tool(btnVerifyIntEE, "btnVerifyIntEE", "Verify", actVerifyIntEE);
  tool(btnLoadExtEE, "btnLoadExtEE", "Load", actLoadExtEE);
  tool(btnSaveExtEE, "btnSaveExtEE", "Save", actSaveExtEE);
  autoload(cbExtEE, "cbExtEE", "Autoload last Ext. EEprom file @ startup");
  fileBox(ebExtEE, "ebExtEE");
  tool(btnReadExtEE, "btnReadExtEE", "Read", actReadExtEE);

  auto* files = new QGridLayout;
  files->setHorizontalSpacing(4);
  auto fileRow = [files, page](int row, const char* label, QToolButton* load, QToolButton* save,
                               QCheckBox* box, QLineEdit* name, QToolButton* read,
                               QToolButton* verify) {
    files->addWidget(RowLabel(label, page), row, 0);
    files->addWidget(load, row, 1);
    files->addWidget(save, row, 2);
    files->addWidget(box, row, 3);
    files->addWidget(name, row, 4);
    files->addWidget(read, row, 5);
    if (verify) files->addWidget(verify, row, 6);
  };
  fileRow(0, "Flash:", btnLoadFlash, btnSaveFlash, cbFlash, ebFlash, btnReadFlash,
          btnVerifyFlash);
  fileRow(1, "Int. eeprom:", btnLoadIntEE, btnSaveIntEE, cbIntEE, ebIntEE, btnReadIntEE,
          btnVerifyIntEE);
  fileRow(2, "Ext. eeprom:", btnLoadExtEE, btnSaveExtEE, cbExtEE, ebExtEE, btnReadExtEE,
          nullptr);
  files->setColumnStretch(4, 1);

  auto combo = [page](QComboBox*& box, const char* name) {
    box = new QComboBox(page);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    box->setMinimumWidth(150);
  };
  combo(cbProcessor, "cbProcessor");
  combo(cbEeprom, "cbEeprom");
  combo(cbPort, "cbPort");
  connect(cbProcessor, &QComboBox::currentIndexChanged, this,
          [this] { RunCommand([this] { cbProcessorChange(); }); });
  connect(cbEeprom, &QComboBox::currentIndexChanged, this,
          [this] { RunCommand([this] { cbEepromChange(); }); });
  connect(cbPort, &QComboBox::currentIndexChanged, this,
          [this] { RunCommand([this] { cbPortChange(); }); });

  chipidLabel = new QLabel(page);
  chipidLabel->setObjectName(QStringLiteral("chipidLabel"));
  chipidLabel->setTextFormat(Qt::PlainText);
  QFont bold = chipidLabel->font();
  bold.setBold(true);
  chipidLabel->setFont(bold);
  chipidLabel->setStyleSheet(QStringLiteral("color: navy;"));
  chipidLabel->setMinimumWidth(90);

  auto bar = [page](QProgressBar*& b, const char* name) {
    b = new QProgressBar(page);
    b->setObjectName(QString::fromLatin1(name));
    // Each bar shows its percentage.
    b->setTextVisible(true);
    b->setFormat(QStringLiteral("%p%"));
    b->setRange(0, 100);
    b->setValue(0);
    b->setFixedHeight(16);
  };
  bar(initBar, "initBar");
  bar(flashBar, "flashBar");
  bar(intBar, "intBar");
  bar(extBar, "extBar");
  // The chip id row keeps its height while the bar is hidden.
  QSizePolicy keep = initBar->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  initBar->setSizePolicy(keep);
  initBar->setVisible(false);
  for (int i = 0; i < 4; ++i) {
    FProgressMax[i] = 100;
    FProgressSteps[i] = 10;
  }

  auto big = [this, page](QPushButton*& button, const char* name, const char* text,
                          QAction* action, const char* hint) {
    button = new QPushButton(QString::fromLatin1(text), page);
    button->setObjectName(QString::fromLatin1(name));
    if (hint) button->setToolTip(QString::fromLatin1(hint));
    button->setMinimumWidth(110);
    button->setAutoDefault(false);
    BindButton(button, action);
  };
  big(btnProgAll, "btnProgAll", "&Program All", actProgAll, nullptr);
  big(btnErase, "btnErase", "&Erase", actErase, "Erase flash and internal eeprom");
  big(btnVerify, "btnVerify", "&Verify", actVerify, "Verify flash and internal eeprom");
  big(btnReadCard, "btnReadCard", "Read &Card", actReadCard,
      "Read flash, internal and external eeprom in one go");

  auto* device = new QGridLayout;
  device->setHorizontalSpacing(8);
  device->addWidget(RowLabel("Processor:", page), 0, 0);
  device->addWidget(cbProcessor, 0, 1);
  device->addWidget(RowLabel("Eeprom type:", page), 1, 0);
  device->addWidget(cbEeprom, 1, 1);
  device->addWidget(RowLabel("Parallell port:", page), 2, 0);
  device->addWidget(cbPort, 2, 1);
  device->addWidget(RowLabel("Chip Id:", page), 3, 0);
  device->addWidget(chipidLabel, 3, 1);
  device->addWidget(initBar, 3, 2);
  device->addWidget(RowLabel("Flash progress:", page), 4, 0);
  device->addWidget(flashBar, 4, 1, 1, 2);
  device->addWidget(RowLabel("Ieeprom progr.:", page), 5, 0);
  device->addWidget(intBar, 5, 1, 1, 2);
  device->addWidget(RowLabel("Ext. eeprom:", page), 6, 0);
  device->addWidget(extBar, 6, 1, 1, 2);
  device->setColumnStretch(2, 1);
  device->setColumnMinimumWidth(2, 120);

  auto* commands = new QVBoxLayout;
  commands->addWidget(btnProgAll);
  commands->addWidget(btnErase);
  commands->addWidget(btnVerify);
  commands->addSpacing(12);
  commands->addWidget(btnReadCard);
  commands->addStretch(1);

  auto* lower = new QHBoxLayout;
  lower->addLayout(device, 1);
  lower->addSpacing(24);
  lower->addLayout(commands);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addLayout(files);
  layout->addSpacing(14);
  layout->addLayout(lower);
  layout->addStretch(1);

  // Autoload: each box and each image's last file are remembered.
  for (TImageKind kind : {ikFlash, ikIntEE, ikExtEE}) {
    connect(ImageAutoloadBox(kind), &QCheckBox::toggled, this,
            [this, kind] { RememberAutoload(kind); });
    connect(ImageFileBox(kind), &QLineEdit::textChanged, this,
            [this, kind] { RememberFileName(kind); });
  }
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
  for (QAction* a : {actLoadFlash, actLoadIntEE, actLoadExtEE, actSaveFlash, actSaveIntEE,
                     actSaveExtEE, actReadFlash, actReadIntEE, actReadExtEE, actVerifyFlash,
                     actVerifyIntEE, actProgAll, actErase, actVerify, actLoadCardImage,
                     actSaveCardImage, actReadCard})
    a->setEnabled(enabled);
  // 3. The choices.
  cbProcessor->setEnabled(enabled);
  cbEeprom->setEnabled(enabled);
  cbPort->setEnabled(enabled);
  // 4. The images cannot be edited while the card is worked on.
  for (THexEditor* editor : {hexFlash, hexIntEE, hexExtEE}) editor->SetReadOnlyView(!enabled);
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
  actSaveFlashUpdate();
  actSaveIntEEUpdate();
  actSaveExtEEUpdate();
  actProgAllUpdate();
  actVerifyUpdate();
  actVerifyFlashUpdate();
  actVerifyIntEEUpdate();
  actInstallNTPortDriversUpdate();
  actSaveCardImageUpdate();
  if (EditCommands) EditCommands->UpdateActions();
}

void TMainForm::actSaveCardImageUpdate() {
  actSaveCardImage->setEnabled(hexFlash->DataSize() > 0 || hexIntEE->DataSize() > 0 ||
                               hexExtEE->DataSize() > 0);
}

void TMainForm::actSaveFlashUpdate() {
  const bool hasData = hexFlash->DataSize() > 0;
  actSaveFlash->setEnabled(hasData);
  pgcMain->setTabVisible(pgcMain->indexOf(tshFlash), hasData);
}

void TMainForm::actSaveIntEEUpdate() {
  const bool hasData = hexIntEE->DataSize() > 0;
  actSaveIntEE->setEnabled(hasData);
  pgcMain->setTabVisible(pgcMain->indexOf(tshIntEE), hasData);
}

void TMainForm::actSaveExtEEUpdate() {
  const bool hasData = hexExtEE->DataSize() > 0;
  actSaveExtEE->setEnabled(hasData);
  pgcMain->setTabVisible(pgcMain->indexOf(tshExtEE), hasData);
}

void TMainForm::actProgAllUpdate() {
  actProgAll->setEnabled(hexFlash->DataSize() > 0 || hexIntEE->DataSize() > 0 ||
                         hexExtEE->DataSize() > 0);
}

void TMainForm::actVerifyUpdate() {
  actVerify->setEnabled(hexFlash->DataSize() > 0 || hexIntEE->DataSize() > 0 ||
                        hexExtEE->DataSize() > 0);
}

void TMainForm::actVerifyFlashUpdate() { actVerifyFlash->setEnabled(hexFlash->DataSize() > 0); }

void TMainForm::actVerifyIntEEUpdate() { actVerifyIntEE->setEnabled(hexIntEE->DataSize() > 0); }

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
    // The command left by an exception while it held the card: power it
    // off and give the interface back.
    if (Port && Port->Active && Link) Link->PowerOff();
    SetUiEnabled(true);
  }
  if (failed) ShowCommandError(error);
  --FCommandDepth;
}

void TMainForm::CheckPortActive() const {
  if (!Port || !Port->Active) throw ECardPortError();
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
      int step = 0;
      switch (key->key()) {
        case Qt::Key_Tab: step = shift ? -1 : 1; break;
        case Qt::Key_Backtab: step = -1; break;
        case Qt::Key_PageDown: step = shift ? 0 : 1; break;
        case Qt::Key_PageUp: step = shift ? 0 : -1; break;
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

QString TMainForm::UserGuidePath() { return InstalledUserGuidePath(); }

void TMainForm::miContentsClick() {
  // One guide window, shown beside the main window and raised again.
  if (!GuideWindow) GuideWindow = new TUserGuideWindow(this);
  GuideWindow->show();
  GuideWindow->raise();
  GuideWindow->activateWindow();
}

// ===========================================================================
// Catalogue choices (the processor and EEPROM choices: UnsavedChanges.cpp)

void TMainForm::cbPortChange() {
  if (!Port || !Port->Active) return;
  const QVariant index = cbPort->currentData();
  if (!index.isValid()) return;
  Port->SelectPort(index.toInt());
  // The newly chosen port starts with every programmer line low.
  Link->DataLatch = 0;
  Link->Write();
}

// ===========================================================================
// Images

THexEditor* TMainForm::ImageEditor(TImageKind kind) const {
  switch (kind) {
    case ikFlash: return hexFlash;
    case ikIntEE: return hexIntEE;
    case ikExtEE: return hexExtEE;
  }
  return nullptr;
}

QLineEdit* TMainForm::ImageFileBox(TImageKind kind) const {
  switch (kind) {
    case ikFlash: return ebFlash;
    case ikIntEE: return ebIntEE;
    case ikExtEE: return ebExtEE;
  }
  return nullptr;
}

QCheckBox* TMainForm::ImageAutoloadBox(TImageKind kind) const {
  switch (kind) {
    case ikFlash: return cbFlash;
    case ikIntEE: return cbIntEE;
    case ikExtEE: return cbExtEE;
  }
  return nullptr;
}

int TMainForm::CatalogueSize(TImageKind kind) const {
  const ProcessorInfo* p = ProcessorAt(cbProcessor->currentIndex());
  const EepromInfo* e = EepromAt(cbEeprom->currentIndex());
  switch (kind) {
    case ikFlash: return p ? p->FlashSize : 0;
    case ikIntEE: return p ? p->EepromSize : 0;
    case ikExtEE: return e ? e->Size : 0;
  }
  return 0;
}

QString TMainForm::ImageTitle(TImageKind kind) {
  switch (kind) {
    case ikFlash: return QStringLiteral("flash");
    case ikIntEE: return QStringLiteral("internal eeprom");
    case ikExtEE: return QStringLiteral("external eeprom");
  }
  return {};
}

QWidget* TMainForm::ImagePage(TImageKind kind) const {
  switch (kind) {
    case ikFlash: return tshFlash;
    case ikIntEE: return tshIntEE;
    case ikExtEE: return tshExtEE;
  }
  return nullptr;
}

QString TMainForm::ImageName(TImageKind kind) {
  switch (kind) {
    case ikFlash: return QStringLiteral("Flash");
    case ikIntEE: return QStringLiteral("IntEE");
    case ikExtEE: return QStringLiteral("ExtEE");
  }
  return {};
}

// ===========================================================================
// Autoload

void TMainForm::RememberFileName(TImageKind kind) {
  const QString name = ImageFileBox(kind)->text();
  // A read from the card clears the box; the last file stays remembered.
  if (name.isEmpty()) return;
  FSettings->setValue(ImageName(kind) + QStringLiteral("/LastFile"), name);
  AddRecentFile(ImageName(kind), name);
}

void TMainForm::RememberAutoload(TImageKind kind) {
  FSettings->setValue(ImageName(kind) + QStringLiteral("/Autoload"),
                      ImageAutoloadBox(kind)->isChecked());
}

void TMainForm::LoadAutoloadStates() {
  for (TImageKind kind : {ikFlash, ikIntEE, ikExtEE}) {
    QCheckBox* box = ImageAutoloadBox(kind);
    const QSignalBlocker block(box);
    box->setChecked(StoredFlag(FSettings->value(ImageName(kind) + QStringLiteral("/Autoload"))));
  }
}

void TMainForm::AutoloadImages() {
  QStringList notes;
  for (TImageKind kind : {ikFlash, ikIntEE, ikExtEE}) {
    if (!ImageAutoloadBox(kind)->isChecked()) continue;
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
      // A file that does not load leaves no half-filled image behind.
      ImageEditor(kind)->ResetData();
      {
        const QSignalBlocker block(ImageFileBox(kind));
        ImageFileBox(kind)->clear();
      }
      notes << QStringLiteral("%1 file %2 skipped: %3").arg(what, file, QString::fromUtf8(e.what()));
    }
  }
  if (!notes.isEmpty()) SetStatusText(QStringLiteral("Autoload: ") + notes.join(QStringLiteral("; ")));
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
// TCardHost

void TMainForm::SetStatusText(const QString& text) {
  StatusPanel->setText(text);
  if (StatusPanel->isVisible()) StatusPanel->repaint();
}

void TMainForm::SetStatusText(const std::string& text) {
  SetStatusText(QString::fromStdString(text));
}

QString TMainForm::StatusText() const { return StatusPanel->text(); }

QProgressBar* TMainForm::Bar(TProgressBarId bar) const {
  switch (bar) {
    case pbInit: return initBar;
    case pbFlash: return flashBar;
    case pbIntEE: return intBar;
    case pbExtEE: return extBar;
  }
  return flashBar;
}

void TMainForm::SetProgressMax(TProgressBarId bar, int max) {
  FProgressMax[bar] = max < 0 ? 0 : max;
  QProgressBar* b = Bar(bar);
  const int position = b->value() < 0 ? 0 : std::min(b->value(), FProgressMax[bar]);
  // A range of 0..0 would turn the bar into a busy indicator.
  b->setRange(0, FProgressMax[bar] > 0 ? FProgressMax[bar] : 1);
  b->setValue(position);
}

void TMainForm::SetProgressStep(TProgressBarId bar, int step) { FProgressSteps[bar] = step; }

void TMainForm::SetProgressPosition(TProgressBarId bar, int position) {
  const int max = FProgressMax[bar];
  QProgressBar* b = Bar(bar);
  const int before = std::max(b->value(), 0);
  b->setValue(position < 0 ? 0 : (position > max ? max : position));
  // Forward steps of the transfer bars are the command's work done.
  if (bar != pbInit) WorkDone(b->value() - before);
}

void TMainForm::PlanWork(int64_t bytes) {
  if (!FTimeLeft.Active()) FWorkClock.start();
  FTimeLeft.Plan(bytes, FWorkClock.elapsed());
  FTimeLeftShownMs = -1000;
}

void TMainForm::EndWork() {
  FTimeLeft.End();
  lbTimeLeft->clear();
  lbTimeLeft->setVisible(false);
}

void TMainForm::WorkDone(int64_t bytes) {
  if (!FTimeLeft.Active() || bytes <= 0) return;
  FTimeLeft.Advance(bytes);
  // A few times a second is enough for the eye.
  const int64_t now = FWorkClock.elapsed();
  if (now - FTimeLeftShownMs < 250) return;
  FTimeLeftShownMs = now;
  const std::string text = TTimeLeft::Text(FTimeLeft.SecondsLeft(now));
  lbTimeLeft->setText(QString::fromStdString(text));
  lbTimeLeft->setVisible(!text.empty());
}

int TMainForm::ProgressPosition(TProgressBarId bar) {
  const int v = Bar(bar)->value();
  return v < 0 ? 0 : v;
}

void TMainForm::SetProgressVisible(TProgressBarId bar, bool visible) {
  Bar(bar)->setVisible(visible);
}

void TMainForm::StepProgress(TProgressBarId bar) {
  SetProgressPosition(bar, ProgressPosition(bar) + FProgressSteps[bar]);
}

void TMainForm::SetChipIdText(const std::string& text) {
  chipidLabel->setText(QString::fromStdString(text));
}

int TMainForm::SelectedProcessorRow() { return cbProcessor->currentIndex(); }

void TMainForm::SelectProcessorRow(int row) {
  if (row < 0 || row >= cbProcessor->count()) return;
  // A detected processor is selected without resizing any image.
  const QSignalBlocker block(cbProcessor);
  cbProcessor->setCurrentIndex(row);
  FProcessorRow = row;
}

int TMainForm::SelectedEepromRow() { return cbEeprom->currentIndex(); }

TMessageResult TMainForm::ShowMessageDialog(const std::string& text, TMessageKind kind,
                                            TMessageButtons buttons) {
  return Dialogs->MessageDialog(this, QString::fromStdString(text), kind, buttons);
}

void TMainForm::Beep() { QApplication::beep(); }

void TMainForm::ProcessPendingEvents() { QCoreApplication::processEvents(); }
