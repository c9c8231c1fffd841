#pragma once
// The port list looks for ports again when it is opened, so that a USB
// board plugged in after the program started appears without a restart.

#include <functional>

class QComboBox;

// Calls `rescan` whenever the list is about to open.
void InstallPortListRescan(QComboBox* list, std::function<void()> rescan);
