#pragma once
// Ctrl+C. The handler only counts the presses; the card host turns each
// new press into one stop request at the next unit of card work, so that
// a command can still power the card off and write its backups back.

// Installs the SIGINT handler (once, at start).
void InstallInterruptHandler();

// Presses of Ctrl+C since the handler was installed.
int InterruptCount();
