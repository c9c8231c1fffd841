#pragma once
// The virtual card's state file (--card-state): its chips and its three
// memories, so that one run of pellar-cli can program the card and the
// next read it back. A JSON object:
//   {"format": "pellar-virtual-card", "version": 1,
//    "processor": "AT90S8515", "eeprom": "2464/2465",
//    "flash": BASE64, "internal-eeprom": BASE64, "external-eeprom": BASE64}
// The flash as bytes, word w at 2w (low) and 2w + 1 (high). Each memory
// holds exactly its chip's size.
//
// An optional "faults" object makes the card misbehave, so that a batch
// script's handling of a failing card can be tried without one:
//   "stop-answering-after": N   MISO reads low from the Nth port access of
//                               each run on (a card pulled out mid-command)
//   "eeprom-absent": true       the 24Cxx never acknowledges
//   "io-error-after": N         the port fails with an I/O error (an
//                               exception, as an unplugged adapter's) from
//                               the Nth port access of each run on
// The faults stay in the file from run to run until removed.

#include <QString>

#include <cstdint>
#include <vector>

class TVirtualCard;

struct TCardState {
  int ProcessorRow = 0;
  int EepromRow = 0;
  std::vector<uint8_t> Flash;
  std::vector<uint8_t> InternalEeprom;
  std::vector<uint8_t> ExternalEeprom;
  uint64_t StopAnsweringAfter = 0;  // 0: answers
  bool EepromAbsent = false;
  uint64_t IoErrorAfter = 0;  // 0: no I/O error (the port's fault, not the card's)
};

// Reads a state file. Raises a file error naming the file and the fault:
// EOSError or EHexFileError when it cannot be read, ECliError when it is
// not a state file or names unknown chips or sizes that are not the chips'.
TCardState ReadCardStateFile(const QString& fileName);

// Writes the file through a temporary one that replaces it only when
// complete. Raises EOSError.
void WriteCardStateFile(const QString& fileName, const TCardState& state);

// The card's chips, memories and faults, and the way back into a card of
// the same chips (IoErrorAfter is the port's: neither takes it).
TCardState CardStateOf(TVirtualCard& card);
void LoadCardState(TVirtualCard& card, const TCardState& state);
