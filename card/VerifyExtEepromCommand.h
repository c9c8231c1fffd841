#pragma once
// "Verify Ext. EEprom": the external EEPROM against its image, in one card
// session (CardSession.h), over the card link and a host. The caller asks
// its question first: the loader the comparison needs takes the card's
// flash (writing it erases the chip), so flash and internal EEPROM are
// read first and written back afterwards, unverified, as Read Ext. EEprom
// does with restore (ExternalRead.h). What could not be written back is
// left in Unrestored for the caller to keep; an error that ends the
// command (an exception from the port or the host) leaves Run after the
// write-back, with Unrestored set.
//
// The image is compared over the length it and the chosen EEPROM have in
// common; an image holding data beyond the chosen EEPROM is refused with a
// message before the card is touched.

#include "card/CardCommand.h"
#include "card/MemoryCommands.h"

class TVerifyExtEepromCommand : public TCardCommand {
public:
  using TCardCommand::TCardCommand;

  // crSame: "External eeprom verified."; crDifferent: the first difference
  // shown (address and both values), "External eeprom verification
  // error."; crNotCompared (the image does not fit, the user aborted, the
  // loader could not be written, the card stopped answering, a backup did
  // not get back): "Verification error.". Raises ECardPortError when the
  // port is not active.
  TCompareResult Run(const TImageRef& image);

  static constexpr const char* VerifiedText = "External eeprom verified.";
  static constexpr const char* DifferentText = "External eeprom verification error.";
};
