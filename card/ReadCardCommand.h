#pragma once
// "Read Card": all three memories in one card session (CardSession.h),
// over the card link and a host, with the same texts as the single reads.
// The caller takes the three images when every one of them came.
//
// Order: power on; programming mode and signature; flash and internal
// EEPROM read (they are the backups too); the loader written (which
// erases the chip) and the external EEPROM read through it; flash and
// internal EEPROM written back, so that the card is left as it was. What
// could not be written back is left in Unrestored, as with Read Ext.
// EEprom. A stop request from the host (ECardStopped) fails the step it
// comes in; flash and internal EEPROM then go back as after any failure.
// So does any other error, which then leaves Run with what did not get
// back in Unrestored, for the caller to keep.

#include <cstdint>
#include <vector>

#include "card/CardCommand.h"

class TReadCardCommand : public TCardCommand {
public:
  using TCardCommand::TCardCommand;

  // True when all three memories came and flash and internal EEPROM went
  // back into the card; the memories are then in Flash, Eeprom and
  // External (sized for the detected processor and the chosen EEPROM).
  bool Run();

  std::vector<uint8_t> Flash;
  std::vector<uint8_t> Eeprom;
  std::vector<uint8_t> External;
};
