#include "app/PellarApplication.h"

#include <QMessageBox>
#include <exception>

#include "app/MessageDialog.h"

TPellarApplication::TPellarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString TPellarApplication::CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unexpected error");
  }
}

bool TPellarApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const QString text = CurrentErrorText();
    if (ErrorHandler)
      ErrorHandler(text);
    else
      CreateErrorBox(nullptr, applicationDisplayName(), text)->exec();
  }
  return false;
}
