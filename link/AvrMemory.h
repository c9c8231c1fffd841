#pragma once
// The processor's two memories as the serial programming instructions reach
// them: one description each, so that reading, writing and verifying are
// written once (TAvrCommands::ReadMemory and friends) and take the memory
// as a parameter.

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
};

inline constexpr TAvrMemory AvrFlash{&ProcessorInfo::FlashSize,
                                     2,
                                     0x20,
                                     0x40,
                                     pbFlash,
                                     {&TNvmFacts::FlashWaitOn, &TNvmFacts::FlashWaitOn},
                                     &TNvmFacts::FlashWaitMs,
                                     "Error programming Flash.",
                                     "Flash verification error!",
                                     "Flash",
                                     4};

inline constexpr TAvrMemory AvrEeprom{
    &ProcessorInfo::EepromSize,
    1,
    0xA0,
    0xC0,
    pbIntEE,
    {&TNvmFacts::EepromWaitOnErase, &TNvmFacts::EepromWaitOnProgram},
    &TNvmFacts::EepromWaitMs,
    "Error programming internal eeprom.",
    "Internal eeprom verification error!",
    "internal eeprom",
    1};
