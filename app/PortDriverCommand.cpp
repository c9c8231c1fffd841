// "&Install NT Port Drivers": on Linux, the ppdev set-up (modules-load
// entry, udev rule, modprobe), run as root.
#include "app/MainUnit.h"

void TMainForm::actInstallNTPortDriversExecute() {
  if (!IsWinNT) return;
  FDriverSetup.Run(Host());
}
