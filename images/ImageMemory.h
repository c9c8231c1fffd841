#pragma once
// The three memories of a card, as image files see them.

#include <cstdint>

enum TImageMemory { imFlash, imIntEE, imExtEE };

inline constexpr int ImageMemoryCount = 3;

// Where each memory starts in a whole-card image. Flash and internal EEPROM
// are where avr-gcc's ELF files and avrdude put them; the external EEPROM
// follows at 16 MiB, above anything an AVR toolchain writes.
inline constexpr uint32_t CardImageBase[ImageMemoryCount] = {0x000000, 0x810000, 0x01000000};

// The span of addresses each memory may take in such a file, whatever its
// size: flash below the AVR data space at 0x800000, the internal EEPROM
// below the fuses at 0x820000, the external EEPROM up to 32 MiB.
inline constexpr uint32_t CardImageLimit[ImageMemoryCount] = {0x800000, 0x820000, 0x02000000};

// "flash", "internal EEPROM", "external EEPROM": for messages.
inline const char* ImageMemoryName(TImageMemory Memory) {
  switch (Memory) {
    case imFlash: return "flash";
    case imIntEE: return "internal EEPROM";
    case imExtEE: return "external EEPROM";
  }
  return "";
}

// A caller's image: Size bytes at Data.
struct TImageBuffer {
  uint8_t* Data = nullptr;
  int32_t Size = 0;
};
struct TConstImageBuffer {
  const uint8_t* Data = nullptr;
  int32_t Size = 0;
};
