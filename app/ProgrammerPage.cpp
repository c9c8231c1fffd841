// The "Programmer" page: a row per image (load, save, autoload, file name,
// read, verify), the chip choices with the chip id and the progress bars
// under them, and the card command buttons beside those.
//
// Widgets are made in the order the Tab key visits them.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MainUnit.h"

namespace {

QLabel* RowLabel(const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

}  // namespace

void TMainForm::CreateProgrammerPage() {
  QGridLayout* files = CreateFileRows();
  CreateChipChoices();
  CreateProgressBars();
  QVBoxLayout* commands = CreateCommandButtons();

  auto* lower = new QHBoxLayout;
  lower->addLayout(LayOutChipChoices(), 1);
  lower->addSpacing(24);
  lower->addLayout(commands);

  auto* layout = new QVBoxLayout(TabSheet2);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->addLayout(files);
  layout->addSpacing(14);
  layout->addLayout(lower);
  layout->addStretch(1);
}

// ---- A row per image ------------------------------------------------------

QToolButton* TMainForm::CreateRowButton(const char* prefix, const TImagePage& image,
                                        const char* text, QAction* action) {
  auto* button = new QToolButton(TabSheet2);
  button->setObjectName(image.ComponentName(prefix));
  button->setText(QString::fromLatin1(text));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setMinimumWidth(52);
  BindButton(button, action);
  return button;
}

void TMainForm::CreateFileRow(TImagePage& image) {
  QWidget* page = TabSheet2;
  image.LoadButton = CreateRowButton("btnLoad", image, "Load", image.LoadAction);
  image.SaveButton = CreateRowButton("btnSave", image, "Save", image.SaveAction);
  image.Autoload = new QCheckBox(page);
  image.Autoload->setObjectName(image.ComponentName("cb"));
  image.Autoload->setToolTip(QString::fromLatin1(image.AutoloadHint));
  image.FileBox = new QLineEdit(page);
  image.FileBox->setObjectName(image.ComponentName("eb"));
  image.FileBox->setReadOnly(true);
  image.FileBox->setMinimumWidth(180);
  image.ReadButton = CreateRowButton("btnRead", image, "Read", image.ReadAction);
  if (image.VerifyAction)
    image.VerifyButton = CreateRowButton("btnVerify", image, "Verify", image.VerifyAction);
}

QGridLayout* TMainForm::CreateFileRows() {
  for (TImagePage& image : Images) CreateFileRow(image);

  auto* files = new QGridLayout;
  files->setHorizontalSpacing(4);
  int row = 0;
  for (const TImagePage& image : Images) {
    files->addWidget(RowLabel(image.RowLabel, TabSheet2), row, 0);
    files->addWidget(image.LoadButton, row, 1);
    files->addWidget(image.SaveButton, row, 2);
    files->addWidget(image.Autoload, row, 3);
    files->addWidget(image.FileBox, row, 4);
    files->addWidget(image.ReadButton, row, 5);
    if (image.VerifyButton) files->addWidget(image.VerifyButton, row, 6);
    ++row;
  }
  files->setColumnStretch(4, 1);

  // Autoload: each box and each image's last file are remembered.
  for (TImageKind kind : AllImageKinds) {
    connect(Images[kind].Autoload, &QCheckBox::toggled, this,
            [this, kind] { RememberAutoload(kind); });
    connect(Images[kind].FileBox, &QLineEdit::textChanged, this,
            [this, kind] { RememberFileName(kind); });
  }
  return files;
}

// ---- The chip choices, the chip id and the progress bars -----------------

void TMainForm::CreateChipChoices() {
  auto combo = [this](QComboBox*& box, const char* name, void (TMainForm::*change)()) {
    box = new QComboBox(TabSheet2);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    box->setMinimumWidth(150);
    connect(box, &QComboBox::currentIndexChanged, this,
            [this, change] { RunCommand([this, change] { (this->*change)(); }); });
  };
  combo(cbProcessor, "cbProcessor", &TMainForm::cbProcessorChange);
  combo(cbEeprom, "cbEeprom", &TMainForm::cbEepromChange);
  combo(cbPort, "cbPort", &TMainForm::cbPortChange);

  chipidLabel = CreateReadout(TabSheet2, "chipidLabel");
  chipidLabel->setMinimumWidth(90);
}

void TMainForm::CreateProgressBars() {
  auto bar = [this](QProgressBar*& b, const char* name) {
    b = new QProgressBar(TabSheet2);
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
}

QGridLayout* TMainForm::LayOutChipChoices() {
  QWidget* page = TabSheet2;
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
  return device;
}

// ---- The card command buttons ----------------------------------------------

QVBoxLayout* TMainForm::CreateCommandButtons() {
  auto big = [this](QPushButton*& button, const char* name, const char* text, QAction* action,
                    const char* hint) {
    button = new QPushButton(QString::fromLatin1(text), TabSheet2);
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

  auto* commands = new QVBoxLayout;
  commands->addWidget(btnProgAll);
  commands->addWidget(btnErase);
  commands->addWidget(btnVerify);
  commands->addSpacing(12);
  commands->addWidget(btnReadCard);
  commands->addStretch(1);
  return commands;
}
