#include "card/ReadCardCommand.h"

#include <algorithm>

#include "card/CardSession.h"
#include "link/loader/ELoader.h"

bool TReadCardCommand::Run() {
  Flash.clear();
  Eeprom.clear();
  External.clear();
  FUnrestored = {};
  bool read = false;
  TCardSession session(Card);
  session.ResetBarsOnClose({pbExtEE, pbIntEE, pbFlash});
  session.SetClosingStatus("");
  if (session.Identify()) {
    Host.PlanWork(LoaderImageSize + Loader.ExternalSize() +
                  2 * (int64_t{Avr.FlashSize()} + Avr.EepromSize()));
    TCardBackups memories;
    // Set once the loader is being written: that erases the chip.
    bool erased = false;
    try {
      // Flash and internal EEPROM first: they are also what goes back
      // after the loader has taken the flash.
      memories = ReadBackups(Avr, Host, true, true, "Reading flash...", "Reading internal eeprom...");
      erased = true;
      if (Loader.WriteLoader()) {
        Host.SetStatusText("Reading external eeprom...");
        std::vector<uint8_t> bytes(static_cast<size_t>(std::max(Loader.ExternalSize(), 0)), 0xFF);
        Loader.StartLoader();
        read = Loader.ReadExternalEeprom(bytes.data(), static_cast<int>(bytes.size()));
        if (read) External = std::move(bytes);
      }
    } catch (const ECardStopped&) {
      // Stopped: a failed step. Before the erase the card is as it was.
      read = false;
    }
    // Whether or not the external read succeeded.
    if (erased)
      FUnrestored = WriteBackBackups(Link, Avr, Host, memories, "Restoring flash...",
                                     "Restoring internal eeprom...");
    // A failure at any step leaves the caller's images as they were.
    read = read && !FUnrestored.Any();
    if (read) {
      Flash = memories.Flash;
      Eeprom = memories.Eeprom;
    } else {
      External.clear();
    }
  }
  return read;
}
