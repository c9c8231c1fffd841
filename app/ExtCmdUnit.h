#pragma once
// The confirm dialog shown before the commands that erase the card to
// reach the external EEPROM (Program All, Read Ext. EEprom). It is built
// with what the command offers: a restore of the card's flash and
// internal EEPROM afterwards, a verify after programming. What is offered
// starts checked, what is not stays greyed and unchecked. After the dialog
// RestoreChecked() and VerifyChecked() give the user's choice. The focus
// starts on btnOK, the default button, so Enter answers OK.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

// What the dialog offers.
struct TExtCmdOffer {
  bool Restore = false;
  bool Verify = false;
};

class TdlgExtCmd : public QDialog {
  Q_OBJECT
public:
  explicit TdlgExtCmd(TExtCmdOffer offer, QWidget* parent = nullptr);

  // Whether the user leaves the restore and the verify checked.
  bool RestoreChecked() const;
  bool VerifyChecked() const;

protected:
  void showEvent(QShowEvent* event) override;

private:
  QGroupBox* GroupBox1;
  QCheckBox* cbRestore;
  QPlainTextEdit* meRestore;
  QGroupBox* GroupBox2;
  QCheckBox* cbVerify;
  QPushButton* btnOK;
  QPushButton* BitBtn2;

  void FormShow();
};
