#pragma once
// The external EEPROM read through the loader, for Read Ext. EEprom and
// Read Card, on a card already identified in an open session: with `keep`,
// flash and internal EEPROM are read first ("Reading flash", "Reading
// internal eeprom") and written back afterwards ("Restoring flash",
// "Restoring internal eeprom", unverified), whether or not the read
// succeeded, since writing the loader erases the chip.

#include <cstdint>
#include <vector>

#include "card/CardCommandSupport.h"
#include "card/CardContext.h"

struct TExternalRead {
  bool Read = false;              // every byte of the external EEPROM came
  std::vector<uint8_t> External;  // then: the bytes
  TCardBackups Memories;          // flash and internal EEPROM as read (keep)
  TCardBackups Unrestored;        // what of them did not get back
};

TExternalRead ReadExternalThroughLoader(TCardContext& card, bool keep);
