#pragma once
// One QApplication for the whole test program (the offscreen platform),
// created on first use and kept to the end of the process.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/PellarApplication.h"

#include <initializer_list>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

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
// names the documentation uses). A name that is not there, or names more
// than one such child, ends the test with an exception that says so.
template <typename T>
T* Named(const QObject& root, const char* name) {
  const QList<T*> found = root.findChildren<T*>(QString::fromLatin1(name));
  if (found.size() != 1)
    throw std::logic_error((found.isEmpty() ? "no " : "more than one ") + std::string(name) +
                           " in " + root.objectName().toStdString());
  return found.front();
}

// Several children of one type by name, in the order given.
template <typename T>
std::vector<T*> AllNamed(const QObject& root, std::initializer_list<const char*> names) {
  std::vector<T*> found;
  for (const char* name : names) found.push_back(Named<T>(root, name));
  return found;
}
