#pragma once
// "Read Ext. EEprom" in one card session (CardSession.h), over the card
// link and a host. The caller asks the confirm dialog first and takes the
// bytes read into its image.
//
// The loader the read needs takes the card's flash (writing it erases the
// chip). With restore, flash and internal EEPROM are read first and
// written back afterwards, whether or not the read succeeded; the
// internal EEPROM also when the flash would not program. What could not
// be written back (a failure, an abort at one of the "...Abort?"
// questions, a card that stopped answering) is left in Unrestored. A stop
// request from the host (ECardStopped) fails the step it comes in; the
// backups then go back as after any failure. So does any other error (an
// exception from the port or the host), which then leaves Run with what
// did not get back in Unrestored, for the caller to keep.

#include <cstdint>
#include <vector>

#include "card/CardCommand.h"

class TReadExtEepromCommand : public TCardCommand {
public:
  using TCardCommand::TCardCommand;

  // True when every byte of the external EEPROM came; they are in Bytes.
  bool Run(bool restore);

  const std::vector<uint8_t>& Bytes() const { return FBytes; }

private:
  std::vector<uint8_t> FBytes;
};
