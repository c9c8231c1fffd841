#pragma once
// The chips of one card operation, as rows of the chip catalogue: the
// processor (the caller's choice until the card's signature names it) and
// the external EEPROM, and the processor the caller expects, if any (the
// signature must then name it, or nothing is written). They belong to the
// operation, not to a window: the window copies its choices in before a
// command, pellar-cli its options and state file.

struct TCardChips {
  int ProcessorRow = -1;
  int EepromRow = -1;
  int ExpectedProcessorRow = -1;
};
