#pragma once
// Ctrl+C in the terminal that started the window (SIGINT), and a polite
// kill (SIGTERM), close the window as its close button does: a card
// command that is running ends first (the card switched off, an adapter's
// lines let go), edited images are offered for saving, and the program
// then ends through its normal exit, which switches the card off too.
// Without this the signal would end the process where it stands, with the
// card powered and its lines driven.

class QWidget;

// From now on those signals close `window`.
void CloseOnQuitSignals(QWidget& window);
