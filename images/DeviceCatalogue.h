#pragma once
// The built-in chip catalogue: five processors and six external EEPROMs.
// Row indexes are the item indexes of the processor and EEPROM choices.

#include <array>
#include <cstdint>

struct ProcessorInfo {
  uint32_t Signature;  // signature bytes 0, 1, 2 in bits 23..16, 15..8, 7..0
  const char* Name;
  int32_t FlashSize;
  int32_t EepromSize;
};

struct EepromInfo {
  const char* Name;
  int32_t Size;
  int32_t PageSize;
};

inline constexpr std::array<ProcessorInfo, 5> ProcessorTable{{
    {0x1E9301, "AT90S8515", 8192, 512},
    {0x1E9203, "AT90S4433", 4096, 256},
    {0x1E9201, "AT90S4414", 4096, 256},
    {0x1E9103, "AT90S2343", 2048, 128},
    {0x1E9102, "AT90S2323", 2048, 128},
}};

inline constexpr std::array<EepromInfo, 6> EepromTable{{
    {"2464/2465", 8192, 32},
    {"24128", 16384, 64},
    {"24256", 32768, 64},
    {"24512", 65536, 128},
    {"241024", 131072, 256},
    {"242048", 262144, 256},
}};

// The row a choice's item index selects, or null when it selects none
// (-1 for an empty choice, or an index past the table).
constexpr const ProcessorInfo* ProcessorAt(int row) {
  return row >= 0 && row < static_cast<int>(ProcessorTable.size()) ? &ProcessorTable[row]
                                                                    : nullptr;
}
constexpr const EepromInfo* EepromAt(int row) {
  return row >= 0 && row < static_cast<int>(EepromTable.size()) ? &EepromTable[row] : nullptr;
}

// Row of the processor with this signature, or -1.
constexpr int FindProcessorBySignature(uint32_t signature) {
  for (int i = 0; i < static_cast<int>(ProcessorTable.size()); ++i)
    if (ProcessorTable[i].Signature == signature) return i;
  return -1;
}
