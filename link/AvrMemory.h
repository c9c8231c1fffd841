#pragma once
// The processor's two memories as the serial programming instructions reach
// them: one description each, so that reading, writing and verifying are
// written once (TAvrCommands::ReadMemory and friends) and take the memory
// as a parameter. The card commands find their status texts for a memory
// here too, so that they also take the memory as a parameter.

#include <cstdint>

#include "images/DeviceCatalogue.h"
#include "link/CardHost.h"

struct TAvrMemory {
  // Its size in the processor's catalogue row.
  int32_t ProcessorInfo::*Size;
  // Bytes per addressed unit: 2 for flash (a word, low byte first; the
  // high byte's instructions have bit 3 set), 1 for the EEPROM.
  int UnitBytes;
  uint8_t ReadOpcode;   // 0x20 / 0xA0
  uint8_t WriteOpcode;  // 0x40 / 0xC0
  TProgressBarId Bar;
  // The bytes the programmer does not poll after writing them, and its wait
  // instead, from the row's TNvmFacts.
  uint8_t TNvmFacts::*WaitOn[2];
  uint16_t TNvmFacts::*WaitMs;
  // Messages: the write failure, and the verification error's first line,
  // the name of the card's value and the digits of its address.
  const char* WriteErrorText;
  const char* VerifyErrorTitle;
  const char* CardValueName;
  int AddressDigits;
  // The card commands' status texts while it is read, programmed,
  // restored from a backup and verified, and after a verification.
  const char* ReadingText;
  const char* ProgrammingText;
  const char* RestoringText;
  const char* VerifyingText;
  const char* VerifiedText;
  const char* VerifyFailedText;
  // Read External's status texts while it keeps the memory and writes it
  // back (they have no dots).
  const char* KeepReadingText;
  const char* KeepRestoringText;
};

inline constexpr TAvrMemory AvrFlash{.Size = &ProcessorInfo::FlashSize,
                                     .UnitBytes = 2,
                                     .ReadOpcode = 0x20,
                                     .WriteOpcode = 0x40,
                                     .Bar = pbFlash,
                                     .WaitOn = {&TNvmFacts::FlashWaitOn, &TNvmFacts::FlashWaitOn},
                                     .WaitMs = &TNvmFacts::FlashWaitMs,
                                     .WriteErrorText = "Error programming Flash.",
                                     .VerifyErrorTitle = "Flash verification error!",
                                     .CardValueName = "Flash",
                                     .AddressDigits = 4,
                                     .ReadingText = "Reading flash...",
                                     .ProgrammingText = "Programming flash...",
                                     .RestoringText = "Restoring flash...",
                                     .VerifyingText = "Verifying flash...",
                                     .VerifiedText = "Flash verified.",
                                     .VerifyFailedText = "Flash verification error.",
                                     .KeepReadingText = "Reading flash",
                                     .KeepRestoringText = "Restoring flash"};

inline constexpr TAvrMemory AvrEeprom{
    .Size = &ProcessorInfo::EepromSize,
    .UnitBytes = 1,
    .ReadOpcode = 0xA0,
    .WriteOpcode = 0xC0,
    .Bar = pbIntEE,
    .WaitOn = {&TNvmFacts::EepromWaitOnErase, &TNvmFacts::EepromWaitOnProgram},
    .WaitMs = &TNvmFacts::EepromWaitMs,
    .WriteErrorText = "Error programming internal eeprom.",
    .VerifyErrorTitle = "Internal eeprom verification error!",
    .CardValueName = "internal eeprom",
    .AddressDigits = 1,
    .ReadingText = "Reading internal eeprom...",
    .ProgrammingText = "Programming internal eeprom...",
    .RestoringText = "Restoring internal eeprom...",
    .VerifyingText = "Verifying internal eeprom...",
    .VerifiedText = "Internal eeprom verified.",
    .VerifyFailedText = "Internal eeprom verification error.",
    .KeepReadingText = "Reading internal eeprom",
    .KeepRestoringText = "Restoring internal eeprom"};

// Both, in the order the card commands read, write and verify them. There
// are no others: callers that keep something per memory tell the two apart
// by address (&memory == &AvrFlash).
inline constexpr const TAvrMemory* AvrMemories[] = {&AvrFlash, &AvrEeprom};
