#pragma once
// One QApplication for the whole test program (the offscreen platform),
// created on first use and kept to the end of the process.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/PellarApplication.h"

#include <ostream>
#include <stdexcept>
#include <string>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

inline TPellarApplication& TestApp() {
  static int argc = 1;
  static char name[] = "pellar-app-tests";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static TPellarApplication* app = new TPellarApplication(argc, argv);
  return *app;
}

// Lets the event loop run until it has nothing left to do and goes idle
// at least once.
inline void RunUntilIdle(int ms = 20) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// A widget, action or other child of `root`, found by its object name (the
// names the documentation uses). A name that is not there ends the test
// with an exception that names it.
template <typename T>
T* Named(const QObject& root, const char* name) {
  T* found = root.findChild<T*>(QString::fromLatin1(name));
  if (!found)
    throw std::logic_error("no " + std::string(name) + " in " + root.objectName().toStdString());
  return found;
}
