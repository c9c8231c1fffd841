#pragma once
// One QApplication for the whole test program (the offscreen platform),
// created on first use and kept to the end of the process.

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include "app/PellarApplication.h"

#include <ostream>

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
