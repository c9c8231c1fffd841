#pragma once
// The window's modal message box: a kind (error, information,
// confirmation) that gives the caption and the icon, and either OK alone
// or Yes and No. With OK alone, Enter and Escape both answer OK; with Yes
// and No, Enter answers Yes and Escape No. The text is shown as plain
// text, line breaks included.

#include <QString>
#include <memory>

#include "link/CardHost.h"

class QMessageBox;
class QWidget;

// The caption of a kind: "Error", "Information", "Confirm".
QString MessageDialogCaption(TMessageKind kind);

// The box, ready to be shown.
std::unique_ptr<QMessageBox> CreateMessageDialog(QWidget* parent, const QString& text,
                                                 TMessageKind kind, TMessageButtons buttons);

// The answer a finished box gave. Escape answers No (or OK); a Yes/No box
// closed with its close button answers Cancel.
TMessageResult MessageDialogResult(const QMessageBox& box, TMessageButtons buttons);

// True when the box was closed with its close button (boxes made here).
bool MessageBoxClosedByWindow(const QMessageBox& box);

// Creates the box, shows it modally, frees it and returns the answer.
// With a parent (the window) an error box is titled with the program's
// name like the window's other error boxes, and every box is centred on
// the window while that is on screen; otherwise the box is centred on the
// screen, and without a parent it is titled by its kind.
TMessageResult ShowMessageDialog(QWidget* parent, const QString& text, TMessageKind kind,
                                 TMessageButtons buttons);

// The error box of the application's loop: stop icon, OK, titled with
// `title`; a period is appended when the text ends in a letter or digit.
std::unique_ptr<QMessageBox> CreateErrorBox(QWidget* parent, const QString& title,
                                            const QString& text);
QString ErrorBoxText(const QString& text);
