#pragma once
// The confirm dialog shown before the commands that erase the card to
// reach the external EEPROM (Program All, Read Ext. EEprom). The caller
// sets the enabled and checked states of cbRestore and cbVerify, shows
// the dialog, and reads both check boxes afterwards. The focus starts on
// btnOK, the default button, so Enter answers OK.

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

class TdlgExtCmd : public QDialog {
  Q_OBJECT
public:
  explicit TdlgExtCmd(QWidget* parent = nullptr);

  QGroupBox* GroupBox1;
  QCheckBox* cbRestore;
  QPlainTextEdit* meRestore;
  QGroupBox* GroupBox2;
  QCheckBox* cbVerify;
  QPushButton* btnOK;
  QPushButton* BitBtn2;

protected:
  void showEvent(QShowEvent* event) override;

private:
  void FormShow();
};
