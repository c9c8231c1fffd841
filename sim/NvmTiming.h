#pragma once
// Write and erase times of the AT90S parts' flash and EEPROM under serial
// programming, and what a read of a byte still being written gives (the
// data-polling values).
//
// Times are the data sheets' minimum wait delays at 5 V: 4 ms per byte
// (tWD_PROG) and 8 ms for a chip erase (tWD_ERASE). An EEPROM byte write
// first erases the byte and then programs it; each half takes half of the
// write time.
//
// Polling values:
//   AT90S8515, AT90S4414  flash 0x7F; EEPROM 0x80 while erasing, then 0x7F
//   AT90S4433, AT90S2343, AT90S2323  flash 0xFF; EEPROM 0xFF

#include <cstdint>

struct TNvmTiming {
  uint64_t FlashWriteNs = 4'000'000;
  uint64_t EepromWriteNs = 4'000'000;
  uint64_t ChipEraseNs = 8'000'000;
  uint8_t FlashPoll = 0x7F;
  uint8_t EepromPollErase = 0x80;    // during the auto-erase (first half)
  uint8_t EepromPollProgram = 0x7F;  // during the programming (second half)
};

// The values for the processor of the chip catalogue with this signature;
// the AT90S8515's for one outside it.
TNvmTiming NvmTimingFor(uint32_t signature);
