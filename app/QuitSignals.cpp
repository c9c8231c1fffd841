#include "app/QuitSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace {

// The handler only writes a byte into a pipe; the event loop reads it.
int Pipe[2] = {-1, -1};

extern "C" void OnQuitSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(Pipe[1], &byte, 1);
}

}  // namespace

void CloseOnQuitSignals(QWidget& window) {
  if (Pipe[0] < 0) {
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  auto* notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
    char bytes[16];
    while (::read(Pipe[0], bytes, sizeof bytes) > 0) {
    }
    window.close();
  });
}
