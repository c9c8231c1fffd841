#pragma once
// "Read Ext. EEprom" from power-on to power-off, over the card link and a
// host. The window checks the port, asks the confirm dialog, locks the
// interface around Run and takes the bytes read into its image.
//
// The loader the read needs takes the card's flash (writing it erases the
// chip). With restore, flash and internal EEPROM are read first and
// written back afterwards, whether or not the read succeeded; the
// internal EEPROM also when the flash would not program. What could not
// be written back (a failure, an abort at one of the "...Abort?"
// questions, a card that stopped answering) is left in Unrestored.

#include <cstdint>
#include <vector>

#include "app/CardCommandSupport.h"
#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"

class TReadExtEepromCommand {
public:
  TReadExtEepromCommand(TIspLink& link, TAvrCommands& avr, TLoaderLink& loader, TCardHost& host)
      : Link(link), Avr(avr), Loader(loader), Host(host) {}

  // True when every byte of the external EEPROM came; they are in Bytes.
  bool Run(bool restore);

  const std::vector<uint8_t>& Bytes() const { return FBytes; }
  const TCardBackups& Unrestored() const { return FUnrestored; }

private:
  TIspLink& Link;
  TAvrCommands& Avr;
  TLoaderLink& Loader;
  TCardHost& Host;
  std::vector<uint8_t> FBytes;
  TCardBackups FUnrestored;
};
