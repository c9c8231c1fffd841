#pragma once
// The external EEPROM read through the loader, for Read Ext. EEprom and
// Read Card, in one card session of its own: the card is identified;
// with `keep`, flash and internal EEPROM are read first ("Reading flash",
// "Reading internal eeprom") and written back afterwards ("Restoring
// flash", "Restoring internal eeprom", unverified), whether or not the
// read succeeded, since writing the loader erases the chip. The session
// closes as the loader reads do: the three bars back to 0, the status line
// cleared.

#include <cstdint>
#include <optional>
#include <vector>

#include "card/CardCommandSupport.h"
#include "card/CardContext.h"

struct TExternalRead {
  bool Read = false;              // every byte of the external EEPROM came
  std::vector<uint8_t> External;  // then: the bytes
  TCardBackups Memories;          // flash and internal EEPROM as read (keep)
  TCardBackups Unrestored;        // what of them did not get back
};

// Nothing when the card was not identified (the user aborted).
std::optional<TExternalRead> ReadExternalThroughLoader(TCardContext& card, bool keep);
