#include "app/ExtCmdUnit.h"

#include <algorithm>

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A check box of what the dialog offers: checked when offered, greyed and
// unchecked when not.
QCheckBox* OfferBox(const char* name, const char* text, bool offered, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setEnabled(offered);
  box->setChecked(offered);
  return box;
}

}  // namespace

TdlgExtCmd::TdlgExtCmd(TExtCmdOffer offer, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgExtCmd"));
  setWindowTitle(QStringLiteral("Confirm"));

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  cbRestore = OfferBox("cbRestore", "Restore after execute", offer.Restore, GroupBox1);
  meRestore = new QPlainTextEdit(GroupBox1);
  meRestore->setObjectName(QStringLiteral("meRestore"));
  meRestore->setPlainText(
      QStringLiteral("This command will erase flash/internal eeprom.\n"
                     "Be sure to have a backup of these files or check \n"
                     "before executing this command!"));
  meRestore->setReadOnly(true);
  meRestore->setFrameShape(QFrame::NoFrame);
  meRestore->setEnabled(false);
  meRestore->setFocusPolicy(Qt::NoFocus);
  meRestore->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  meRestore->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  meRestore->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The memo takes the window's face colour in every state.
  QPalette pal = meRestore->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    pal.setColor(group, QPalette::Base, pal.color(group, QPalette::Window));
  meRestore->setPalette(pal);
  // Room for the three lines as they stand, without scrolling.
  const int margin = 2 * static_cast<int>(meRestore->document()->documentMargin()) + 4;
  int widest = 0;
  for (const QString& line : meRestore->toPlainText().split(QLatin1Char('\n')))
    widest = std::max(widest, meRestore->fontMetrics().horizontalAdvance(line));
  meRestore->setMinimumWidth(widest + margin);
  meRestore->setFixedHeight(meRestore->fontMetrics().lineSpacing() * 3 + margin);
  auto* group1 = new QVBoxLayout(GroupBox1);
  group1->addWidget(cbRestore);
  group1->addWidget(meRestore);

  GroupBox2 = new QGroupBox(this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  cbVerify = OfferBox("cbVerify", "Verify after program", offer.Verify, GroupBox2);
  auto* group2 = new QVBoxLayout(GroupBox2);
  group2->addWidget(cbVerify);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnOK->setAutoDefault(true);
  // Escape closes a QDialog with reject(), which is what Cancel does.
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setAutoDefault(false);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(BitBtn2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox2);
  layout->addStretch(1);
  layout->addLayout(buttons);

  resize(sizeHint().expandedTo(QSize(325, 218)));
}

bool TdlgExtCmd::RestoreChecked() const { return cbRestore->isChecked(); }

bool TdlgExtCmd::VerifyChecked() const { return cbVerify->isChecked(); }

void TdlgExtCmd::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TdlgExtCmd::FormShow() {
  // The warning reads normally when restoring is offered, greyed when not.
  meRestore->setEnabled(cbRestore->isEnabled());
  // The focus starts on the default button, whatever the platform theme
  // would pick: some themes let Enter press the focused button, and a check
  // box first in the tab order would then be toggled instead of the dialog
  // answered.
  btnOK->setFocus(Qt::OtherFocusReason);
}
