#pragma once
// The application object. Besides the commands of the main window (which
// show their own errors), any event handler may raise: an editing key in
// a hex editor that the editor refuses, for instance. Such an error must
// not cross the event loop; it is caught here and shown in the same
// stop-icon box, and the program goes on.

#include <QApplication>
#include <functional>
#include <utility>

class TPellarApplication : public QApplication {
  Q_OBJECT
public:
  TPellarApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows an error that ended an event's handling; unset: a stop-icon box
  // titled with the application title.
  void SetErrorHandler(std::function<void(const QString&)> handler) {
    ErrorHandler = std::move(handler);
  }

  // The error text of an exception in flight (inside a catch block).
  static QString CurrentErrorText();

private:
  std::function<void(const QString&)> ErrorHandler;
};
