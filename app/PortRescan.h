#pragma once
// The port list looks for ports again when it is opened, so that a USB
// board plugged in after the program started appears without a restart.

class QComboBox;
class TMainForm;

void InstallPortListRescan(TMainForm& form, QComboBox* list);
