#pragma once
// The external EEPROM read through the loader, for Read Ext. EEprom, Read
// Card and Verify Ext. EEprom, in one card session of its own: the card is
// identified; with `keep`, flash and internal EEPROM are read first
// ("Reading flash", "Reading internal eeprom") and written back afterwards
// ("Restoring flash", "Restoring internal eeprom", unverified), whether or
// not the read succeeded, since writing the loader erases the chip. The
// session closes as the loader reads do: the three bars back to 0, the
// status line cleared.

#include <cstdint>
#include <optional>
#include <vector>

#include "card/CardCommandSupport.h"
#include "card/CardContext.h"
#include "images/DeviceCatalogue.h"

struct TExternalRead {
  bool Read = false;              // every byte of the external EEPROM came
  std::vector<uint8_t> External;  // then: the bytes
  TCardBackups Memories;          // flash and internal EEPROM as read (keep)
};

// The work of one such read, in the bytes its bars step through (the
// plan of the time left): the loader written, the external EEPROM read,
// and with `keep` flash and internal EEPROM read and written back.
int64_t ExternalReadWork(int64_t flashSize, int64_t eepromSize, int64_t externalSize, bool keep);

// How long that work takes at the nominal pace (TimeLeft.h) on a card
// with `processor`, when every byte of flash and internal EEPROM holds
// data (bytes that are 0xFF cost no write): in whole seconds, rounded up.
int64_t ExternalReadSeconds(const ProcessorInfo& processor, int64_t externalSize, bool keep);

// Nothing when the card was not identified (the user aborted). The read
// shows `readingText` while the bytes come. `unrestored` gets what of flash
// and internal EEPROM did not get back into the card; it is set also when
// an error other than a stop request ends the read (an exception from the
// port or the host, memory running out), which goes on to the caller
// after the write-back.
std::optional<TExternalRead> ReadExternalThroughLoader(
    TCardContext& card, bool keep, TCardBackups& unrestored,
    const char* readingText = "Reading external eeprom...");
