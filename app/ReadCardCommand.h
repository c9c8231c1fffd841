#pragma once
// "Read Card": all three memories in one card session, from power-on to
// power-off, over the card link and a host. The window checks the port,
// locks the interface around Run and takes the three images when every
// one of them came.
//
// Order: power on; programming mode and signature; flash and internal
// EEPROM read (they are the backups too); the loader written (which
// erases the chip) and the external EEPROM read through it; flash and
// internal EEPROM written back, so that the card is left as it was. What
// could not be written back is left in Unrestored, as with Read Ext.
// EEprom.

#include <cstdint>
#include <vector>

#include "app/CardCommandSupport.h"
#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"

class TReadCardCommand {
public:
  TReadCardCommand(TIspLink& link, TAvrCommands& avr, TLoaderLink& loader, TCardHost& host)
      : Link(link), Avr(avr), Loader(loader), Host(host) {}

  // True when all three memories came and flash and internal EEPROM went
  // back into the card; the memories are then in Flash, Eeprom and
  // External (sized for the detected processor and the chosen EEPROM).
  bool Run();

  std::vector<uint8_t> Flash;
  std::vector<uint8_t> Eeprom;
  std::vector<uint8_t> External;
  const TCardBackups& Unrestored() const { return FUnrestored; }

private:
  TIspLink& Link;
  TAvrCommands& Avr;
  TLoaderLink& Loader;
  TCardHost& Host;
  TCardBackups FUnrestored;
};
