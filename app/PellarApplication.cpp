#include "app/PellarApplication.h"

#include <QMessageBox>
#include <exception>

#include "app/MessageDialog.h"

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME "Pellar Remake"
#endif

TPellarApplication::TPellarApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The data folder (kept backups) is ~/.local/share/pellar-remake/pellar.
  setOrganizationName(QStringLiteral("pellar-remake"));
  setApplicationName(QStringLiteral("pellar"));
}

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
      CreateErrorBox(nullptr, QStringLiteral(PELLAR_PRODUCT_NAME), text)->exec();
  }
  return false;
}
