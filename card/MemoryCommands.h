#pragma once
// The card commands that work on the processor's own memories, each in one
// card session (CardSession.h): Verify (flash and internal EEPROM against
// their images), Erase, Read Flash / Read Int. EEprom, Verify Flash /
// Verify Int. EEprom. They show the same status texts and messages in the
// window and in pellar-cli; the caller asks any question first (Erase's
// "Do you really want to erase...").
//
// Images are compared over the length they and the detected chip have in
// common; an image holding data beyond the detected chip is refused with a
// message before anything is compared.

#include <cstdint>
#include <vector>

#include "card/CardCommandSupport.h"
#include "card/CardContext.h"

// How a command that compares ended: the images matched the card, a
// difference was found (and shown), or no comparison ran (the card did
// not answer, the user aborted, an image did not fit, the clock check of
// Verify Flash found no clock).
enum TCompareResult { crSame, crDifferent, crNotCompared };

// "Verify": "Verifying...", then "Verification error." or a result that
// names what was compared: "Flash and internal EEPROM verified.", or the
// one memory's VerifiedText ("Flash verified.", "Internal eeprom
// verified.") when only its image holds data. The external image is not
// compared (Verify Ext. EEprom does, VerifyExtEepromCommand.h). With
// neither flash nor internal EEPROM image the card is not touched: the
// status says so (NothingToVerifyText) and the result is crNotCompared.
TCompareResult VerifyCard(TCardContext& card, const TImageRef& flash, const TImageRef& intEE);
inline constexpr const char* BothVerifiedText = "Flash and internal EEPROM verified.";
inline constexpr const char* NothingToVerifyText =
    "Nothing verified: no flash or internal eeprom image (Verify Ext. EEprom compares the "
    "external eeprom).";

// "Erase": "Erasing chip...", then "Chip erased..." when the chip took it.
// No signature is read.
bool EraseCard(TCardContext& card);

// "Read Flash" / "Read Int. EEprom" (AvrFlash / AvrEeprom): the detected
// processor's whole memory into `bytes`; false (bytes untouched) when the
// card was not identified. The status line ends cleared.
bool ReadCardMemory(TCardContext& card, const TAvrMemory& memory, std::vector<uint8_t>& bytes);

// "Verify Flash" / "Verify Int. EEprom": "Flash verified." / "Flash
// verification error." and the internal EEPROM's texts. Verify Flash first
// clocks the unpowered card 1,000,001 times and ends without a word when
// the millisecond clock did not move meanwhile.
TCompareResult VerifyCardMemory(TCardContext& card, const TAvrMemory& memory,
                                const TImageRef& image);

