#include "cli/Interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t Presses = 0;

extern "C" void OnInterrupt(int) { Presses = Presses + 1; }

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // System calls go on after the handler: the press is looked at between
  // units of work, not by failing a read or a sleep.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

int InterruptCount() { return Presses; }
