#pragma once
// A small modal dialog asking for one line of text (the go-to offset, the
// fill value): a label, the field, a note under it, and OK / Cancel. OK
// runs the query's check first; a refused text shows the check's message
// in the dialog, which stays open. The message has its room under the
// note from the start: it appears without moving or cutting anything.

#include <QDialog>

#include "app/UserDialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TTextQueryDialog : public QDialog {
  Q_OBJECT
public:
  TTextQueryDialog(const TTextQuery& query, QWidget* parent = nullptr);

  QString Text() const;
  // The message of the last refused text (empty: none).
  QString Message() const;

  void accept() override;

private:
  QLineEdit* edText = nullptr;
  QLabel* lblNote = nullptr;
  QLabel* lblMessage = nullptr;
  QPushButton* btnOK = nullptr;
  std::function<QString(const QString&)> FCheck;
};
