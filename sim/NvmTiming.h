#pragma once
// Write and erase times of a processor's flash and EEPROM under serial
// programming, and what a read of a byte still being written gives (the
// data-polling values), in the virtual card's terms: taken from the
// processor's row of the chip catalogue (its TNvmFacts).

#include <cstdint>

#include "images/DeviceCatalogue.h"

struct TNvmTiming {
  uint64_t FlashWriteNs;
  uint64_t EepromWriteNs;
  uint64_t ChipEraseNs;
  uint8_t FlashPoll;
  uint8_t EepromPollErase;    // during the auto-erase (first half)
  uint8_t EepromPollProgram;  // during the programming (second half)
};

TNvmTiming NvmTimingOf(const ProcessorInfo& chip);
