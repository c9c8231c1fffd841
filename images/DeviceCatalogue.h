#pragma once
// The chip catalogue: every fact about a processor and an external EEPROM
// that the programmer and the virtual card need, one row per chip. Adding
// a processor is adding a row. Row indexes are the item indexes of the
// processor and EEPROM choices.
//
// The built-in rows are constants (ProcessorTable, EepromTable). The
// processor rows a program works with are ProcessorRows(): the built-in
// ones, then any added at run time (TAddedProcessor, for a made-up chip in
// a test); ProcessorAt, FindProcessorBySignature and FindProcessorRow look
// there.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "images/ImageMemory.h"

// Writing a processor's flash and EEPROM through its serial programming
// interface.
struct TNvmFacts {
  // The chip: how long a byte write and a chip erase take (the data
  // sheet's minimum wait delays at 5 V; an EEPROM byte write erases the
  // byte in the first half of its time), and what a read of a byte still
  // being written gives.
  uint32_t FlashWriteUs;
  uint32_t EepromWriteUs;
  uint32_t ChipEraseUs;
  uint8_t FlashBusy;
  uint8_t EepromBusyErase;    // during the EEPROM byte's erase half
  uint8_t EepromBusyProgram;  // during its programming half
  // The programmer: bytes it does not poll after writing them, because a
  // chip of the family may read them while still busy (0x7F for flash,
  // 0x80 and 0x7F for the EEPROM, whatever this chip reads); it waits
  // FlashWaitMs / EepromWaitMs instead. And the wait after a chip erase.
  uint8_t FlashWaitOn;
  uint8_t EepromWaitOnErase;
  uint8_t EepromWaitOnProgram;
  uint16_t FlashWaitMs;
  uint16_t EepromWaitMs;
  uint16_t EraseWaitMs;
};

// The port B pins the card wires to the programmer's MOSI, MISO and SCK
// lines (bit numbers). The card wires every processor the same way.
struct TIspPins {
  uint8_t Mosi;
  uint8_t Miso;
  uint8_t Sck;
};

struct ProcessorInfo {
  uint32_t Signature;  // signature bytes 0, 1, 2 in bits 23..16, 15..8, 7..0
  const char* Name;
  int32_t FlashSize;
  int32_t EepromSize;
  int32_t SramSize;  // internal SRAM, from data address 0x60
  TNvmFacts Nvm;
  TIspPins Pins;
};

struct EepromInfo {
  const char* Name;
  int32_t Size;
  int32_t PageSize;
};

// AT90S8515 and AT90S4414 read 0x7F while a flash byte is written, and 0x80
// then 0x7F while an EEPROM byte is; the AT90S4433, AT90S2343 and
// AT90S2323 read 0xFF.
inline constexpr TNvmFacts NvmPolling7F{4000, 4000, 8000, 0x7F, 0x80, 0x7F,
                                        0x7F, 0x80, 0x7F, 30,   20,   120};
inline constexpr TNvmFacts NvmPollingFF{4000, 4000, 8000, 0xFF, 0xFF, 0xFF,
                                        0x7F, 0x80, 0x7F, 30,   20,   120};
inline constexpr TIspPins CardIspPins{5, 6, 7};

inline constexpr std::array<ProcessorInfo, 5> ProcessorTable{{
    {0x1E9301, "AT90S8515", 8192, 512, 512, NvmPolling7F, CardIspPins},
    {0x1E9203, "AT90S4433", 4096, 256, 128, NvmPollingFF, CardIspPins},
    {0x1E9201, "AT90S4414", 4096, 256, 256, NvmPolling7F, CardIspPins},
    {0x1E9103, "AT90S2343", 2048, 128, 128, NvmPollingFF, CardIspPins},
    {0x1E9102, "AT90S2323", 2048, 128, 128, NvmPollingFF, CardIspPins},
}};

inline constexpr std::array<EepromInfo, 6> EepromTable{{
    {"2464/2465", 8192, 32},
    {"24128", 16384, 64},
    {"24256", 32768, 64},
    {"24512", 65536, 128},
    {"241024", 131072, 256},
    {"242048", 262144, 256},
}};

// The processor rows: the built-in ones, then those added at run time. A
// row keeps its place (and a reference to it stays valid) while it is in.
// (Inline with a static inside: one table for the whole program, and no
// library to link for it.)
inline std::deque<ProcessorInfo>& ProcessorRowsToChange() {
  static std::deque<ProcessorInfo> rows(ProcessorTable.begin(), ProcessorTable.end());
  return rows;
}
inline const std::deque<ProcessorInfo>& ProcessorRows() { return ProcessorRowsToChange(); }

// Adds a processor row for as long as it lives (the last one added goes
// first).
class TAddedProcessor {
public:
  explicit TAddedProcessor(const ProcessorInfo& row)
      : FRow(static_cast<int>(ProcessorRowsToChange().size())) {
    ProcessorRowsToChange().push_back(row);
  }
  ~TAddedProcessor() {
    if (static_cast<int>(ProcessorRows().size()) == FRow + 1) ProcessorRowsToChange().pop_back();
  }
  TAddedProcessor(const TAddedProcessor&) = delete;
  TAddedProcessor& operator=(const TAddedProcessor&) = delete;
  int Row() const { return FRow; }

private:
  int FRow;
};

// The row a choice's item index selects, or null when it selects none
// (-1 for an empty choice, or an index past the rows).
inline const ProcessorInfo* ProcessorAt(int row) {
  const auto& rows = ProcessorRows();
  return row >= 0 && row < static_cast<int>(rows.size()) ? &rows[static_cast<std::size_t>(row)]
                                                         : nullptr;
}
constexpr const EepromInfo* EepromAt(int row) {
  return row >= 0 && row < static_cast<int>(EepromTable.size()) ? &EepromTable[row] : nullptr;
}

// Row of the processor with this signature, or -1.
inline int FindProcessorBySignature(uint32_t signature) {
  const auto& rows = ProcessorRows();
  for (int i = 0; i < static_cast<int>(rows.size()); ++i)
    if (rows[static_cast<std::size_t>(i)].Signature == signature) return i;
  return -1;
}

// Chip names alike but for upper and lower case.
inline bool SameChipName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// Whether `name` names a chip called `rowName`: the whole name, or one
// part of a name such as "2464/2465" ("2464", "2465"); upper and lower
// case alike.
inline bool ChipNameMatches(std::string_view name, std::string_view rowName) {
  if (name.empty()) return false;
  if (SameChipName(name, rowName)) return true;
  for (;;) {
    const std::size_t slash = rowName.find('/');
    if (SameChipName(name, rowName.substr(0, slash))) return true;
    if (slash == std::string_view::npos) return false;
    rowName.remove_prefix(slash + 1);
  }
}

// The row of the processor or EEPROM that `name` names (ChipNameMatches),
// or -1.
template <typename Rows>
int FindChipRow(const Rows& rows, std::string_view name) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (ChipNameMatches(name, rows[i].Name)) return static_cast<int>(i);
  return -1;
}
inline int FindProcessorRow(std::string_view name) { return FindChipRow(ProcessorRows(), name); }
inline int FindEepromRow(std::string_view name) { return FindChipRow(EepromTable, name); }

// "AT90S8515, AT90S4433, ...", "2464/2465, 24128, ...": the valid names,
// for messages.
template <typename Rows>
std::string ChipNameList(const Rows& rows) {
  std::string list;
  for (const auto& row : rows) {
    if (!list.empty()) list += ", ";
    list += row.Name;
  }
  return list;
}
inline std::string ProcessorNameList() { return ChipNameList(ProcessorRows()); }
inline std::string EepromNameList() { return ChipNameList(EepromTable); }

// The size of `memory` on the chips of these rows: the processor's flash
// or internal EEPROM, the external EEPROM's size; 0 when the row selects
// no chip (-1, or past the rows).
inline int32_t ChipMemorySize(TImageMemory memory, int processorRow, int eepromRow) {
  const ProcessorInfo* p = ProcessorAt(processorRow);
  const EepromInfo* e = EepromAt(eepromRow);
  switch (memory) {
    case imFlash: return p ? p->FlashSize : 0;
    case imIntEE: return p ? p->EepromSize : 0;
    case imExtEE: return e ? e->Size : 0;
  }
  return 0;
}
