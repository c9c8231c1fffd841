#include "app/ReadExtEepromCommand.h"

#include <algorithm>

bool TReadExtEepromCommand::Run(bool restore) {
  Avr.BeginCommand();
  FBytes.clear();
  FUnrestored = {};
  bool read = false;
  Link.PowerOn();
  if (Avr.EnterProgrammingMode() && Avr.ReadSignature()) {
    TCardBackups backups;
    if (restore)
      backups = ReadBackups(Avr, Host, true, true, "Reading flash", "Reading internal eeprom");
    // Writing the loader erases the chip, even when the loader then fails.
    const bool loaderWritten = Loader.WriteLoader();
    if (loaderWritten) {
      Host.SetStatusText("Reading external eeprom...");
      // Read aside: the caller replaces its image only once every byte
      // has come.
      const int size = std::max(Loader.ExternalSize(), 0);
      std::vector<uint8_t> bytes(static_cast<size_t>(size), 0xFF);
      Loader.StartLoader();
      read = Loader.ReadExternalEeprom(bytes.data(), size);
      if (read) FBytes = std::move(bytes);
    }
    // Whether or not the read succeeded; unverified.
    if (restore)
      FUnrestored = WriteBackBackups(Link, Avr, Host, backups, "Restoring flash",
                                     "Restoring internal eeprom");
  }
  Link.PowerOff();
  Host.SetProgressPosition(pbExtEE, 0);
  Host.SetProgressPosition(pbIntEE, 0);
  Host.SetProgressPosition(pbFlash, 0);
  return read;
}
