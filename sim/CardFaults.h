#pragma once
// Faults the virtual card can be told to show, for tests of how the
// program copes with a card that misbehaves. All are off by default. The
// card reads them where they act, so a test may change them at any time
// through TVirtualCard::Faults().

#include <cstdint>
#include <optional>

enum class TMisoFault {
  None,
  StuckLow,   // no card: MISO always reads low
  StuckHigh,  // no card: MISO always reads high
};

struct TCardFaults {
  // MISO stuck from the start (no card in the adapter).
  TMisoFault Miso = TMisoFault::None;

  // MISO stuck once the card has seen this many port accesses (counted
  // from the card's creation); 0 = never.
  uint64_t MisoStuckAfterAccesses = 0;
  bool MisoStuckAfterHigh = false;

  // The signature the serial programming interface reports instead of
  // the processor's own (signature bytes 0, 1, 2 in bits 23..16, 15..8,
  // 7..0).
  std::optional<uint32_t> Signature;

  // The 24Cxx is missing: it never acknowledges and never drives SDA.
  bool EepromAbsent = false;

  // The next N write cycles of the 24Cxx store their first byte inverted.
  // Counts down as they happen.
  int CorruptPageWrites = 0;

  // A byte that never programs: writes leave it as it was (an erase
  // still sets it to 0xFF). Flash bytes are addressed as in the flash
  // image (word w at 2w low, 2w + 1 high); -1 = none.
  int32_t StuckFlashByte = -1;
  int32_t StuckEepromByte = -1;     // the AVR's internal EEPROM
  int32_t StuckExtEepromByte = -1;  // the 24Cxx
};
