#pragma once
// What the card commands of the main window share, kept free of widgets so
// that the command flows can also run over a scripted host: the images as
// byte arrays with their lengths, the check that an image fits the chip it
// is meant for, and writing saved memories back after the card was erased.

#include <cstdint>
#include <string>
#include <vector>

#include "link/AvrCommands.h"
#include "link/AvrMemory.h"
#include "link/CardHost.h"
#include "link/IspLink.h"

// One memory image as an editor holds it; empty when Size is 0.
struct TImageRef {
  uint8_t* Data = nullptr;
  int Size = 0;
  bool HasData() const { return Size > 0 && Data != nullptr; }
};

struct TCardImages {
  TImageRef Flash;
  TImageRef IntEE;
  TImageRef ExtEE;
  // The image of AvrFlash or AvrEeprom.
  const TImageRef& Of(const TAvrMemory& memory) const {
    return &memory == &AvrFlash ? Flash : IntEE;
  }
  TImageRef& Of(const TAvrMemory& memory) { return &memory == &AvrFlash ? Flash : IntEE; }
};

// The first offset at or past chipSize where the image holds data (a byte
// other than 0xFF, the erased value); -1 when the image fits. Bytes past
// the chip that are all 0xFF are what an erased chip would give anyway.
int FirstDataBeyond(const uint8_t* data, int size, int chipSize);

// Checks every image that has data against the operation's chips (flash
// and internal EEPROM against the processor, the external image against
// the external EEPROM). For the first that does not fit it beeps, shows an
// error naming the image and the chip, and returns false; `after` ends
// that message ("Nothing has been written to the card.").
bool CheckImagesFit(TCardHost& host, const TCardChips& chips, const TCardImages& images,
                    const char* after);

// Memories read from the card before a command erases it.
struct TCardBackups {
  std::vector<uint8_t> Flash;   // empty: not saved
  std::vector<uint8_t> Eeprom;  // empty: not saved
  bool Any() const { return !Flash.empty() || !Eeprom.empty(); }
  // The backup of AvrFlash or AvrEeprom.
  const std::vector<uint8_t>& Of(const TAvrMemory& memory) const {
    return &memory == &AvrFlash ? Flash : Eeprom;
  }
  std::vector<uint8_t>& Of(const TAvrMemory& memory) {
    return &memory == &AvrFlash ? Flash : Eeprom;
  }
};

// Reads the selected processor's memories that `images` hold no data for
// (both for no images) into backups of the processor's sizes, each after
// its status text (`text`: the memory's ReadingText or KeepReadingText).
// A memory of no size is not saved.
TCardBackups ReadBackups(TAvrCommands& avr, TCardHost& host, const TCardImages& images,
                         const char* TAvrMemory::*text);

// Writes the backups in `left` back into the card: power off, 50 ms,
// power on, then, when programming mode, the signature and the chip erase
// all succeed, the flash backup and the EEPROM backup, each after its
// status text (`text`: the memory's RestoringText or KeepRestoringText),
// the EEPROM also when the flash would not program: its contents exist
// nowhere else. A missing backup is skipped. No verification. Each backup
// that went into the card is cleared from `left`; what is left did not get
// in (all of it when the card was not ready, or the user aborted). A stop
// request during the write-back (ECardStopped) ends it there. Any other
// error passes on to the caller, with `left` telling what did not get in.
void WriteBackBackups(TIspLink& link, TAvrCommands& avr, TCardHost& host, TCardBackups& left,
                      const char* TAvrMemory::*text);
