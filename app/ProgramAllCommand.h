#pragma once
// "Program All" from power-on to power-off, over the card link and a host
// (the main window, or a scripted host in benchmarks). The window checks
// the port, asks the confirm dialog and locks the interface around Run.
//
// Order: power on; programming mode and signature; the check that every
// image fits the detected chips; backups of the memories the user has no
// image for (restore chosen); the external EEPROM through the loader
// (which erases the chip) and its verification; the chip erase; flash;
// internal EEPROM; power off. A failed write ends the run; a failed
// verification does not, but skips the later verifications. The status
// line ends "Device programmed." or "Programming error.". After the user
// aborts at one of the "...Abort?" questions nothing more is asked and
// the card is not touched again.
//
// Backups are never lost: when a step fails after the chip was erased and
// before the backups were written back, the card is power-cycled, put in
// programming mode again, erased, and the backups are written into it.
// The internal EEPROM's backup is written back even when the flash would
// not program. What still could not be written back (a failure, an
// abort, a card that stopped answering) is left in Unrestored for the
// caller to keep.

#include "app/CardCommandSupport.h"
#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"

class TProgramAllCommand {
public:
  TProgramAllCommand(TIspLink& link, TAvrCommands& avr, TLoaderLink& loader, TCardHost& host)
      : Link(link), Avr(avr), Loader(loader), Host(host) {}

  // The confirm dialog offers "Restore after execute" only when the
  // external image has data and the flash or the internal EEPROM image
  // has none.
  static bool RestoreOffered(const TCardImages& images) {
    return images.ExtEE.HasData() && (!images.Flash.HasData() || !images.IntEE.HasData());
  }

  // True when the status line ends "Device programmed.".
  bool Run(const TCardImages& images, bool restore, bool verify);

  // The card's own flash and internal EEPROM, read before the chip was
  // erased, that did not get back into the card (empty when all did).
  const TCardBackups& Unrestored() const { return FUnrestored; }

private:
  bool Program(const TCardImages& images, bool restore, bool verify);

  TIspLink& Link;
  TAvrCommands& Avr;
  TLoaderLink& Loader;
  TCardHost& Host;
  TCardBackups FUnrestored;
};
