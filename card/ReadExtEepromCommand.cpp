#include "card/ReadExtEepromCommand.h"

#include <algorithm>

#include "card/CardSession.h"
#include "link/loader/ELoader.h"

bool TReadExtEepromCommand::Run(bool restore) {
  FBytes.clear();
  FUnrestored = {};
  bool read = false;
  TCardSession session(Card);
  session.ResetBarsOnClose({pbExtEE, pbIntEE, pbFlash});
  session.SetClosingStatus("");
  if (session.Identify()) {
    Host.PlanWork(LoaderImageSize + Loader.ExternalSize() +
                  (restore ? 2 * (int64_t{Avr.FlashSize()} + Avr.EepromSize()) : 0));
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
  return read;
}
