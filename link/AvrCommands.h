#pragma once
// The AVR serial programming commands over the bit link: programming
// enable with retries, signature, chip erase, and reading, writing and
// verifying flash and internal EEPROM. Memory sizes come from the
// processor row of the operation's chips (Chips).
//
// Buffers are the caller's. Every transfer is bounded by the chip's size
// and by the length the caller gives, so nothing is read or written past
// the end of a buffer.

#include <cstdint>
#include <string>

#include "link/AvrMemory.h"
#include "link/CardChips.h"
#include "link/CardHost.h"
#include "link/IspLink.h"

class TAvrCommands {
public:
  TAvrCommands(TIspLink& link, TCardHost& host) : Link(link), Host(host) {}

  // Set once at start-up; the power cycle of EnterProgrammingMode happens
  // at most once per run.
  bool PowerCycleAllowed = true;

  // The chips of the operation: sizes, waits and polling values come from
  // its processor row, which ReadSignature sets; the loader link takes its
  // EEPROM row.
  TCardChips Chips;

  // The user answered "...Abort?" with Yes, or closed the box: the command
  // must do no further card work and ask nothing more. Once set,
  // EnterProgrammingMode, ReadSignature and ChipErase return false without
  // touching the card or asking; a command clears it when it starts
  // (BeginCommand).
  bool Aborted() const { return FAborted; }
  void BeginCommand() { FAborted = false; }

  bool SendProgrammingEnable(uint8_t& echo);
  bool EnterProgrammingMode();
  bool ReadSignature();
  bool ChipErase();

  // One memory of the selected processor (AvrFlash, AvrEeprom), read,
  // written or compared: the functions below for flash and internal EEPROM
  // are these with the memory filled in. The waits and polling values come
  // from the processor's catalogue row.
  int MemorySize(const TAvrMemory& memory) const;
  void ReadMemory(const TAvrMemory& memory, uint8_t* buffer, int bufferSize);
  bool ProgramMemory(const TAvrMemory& memory, const uint8_t* data, int length);
  bool VerifyMemory(const TAvrMemory& memory, const uint8_t* data, int length);

  // Read the chip's memory (at most bufferSize bytes).
  void ReadFlash(uint8_t* buffer, int bufferSize);
  void ReadInternalEeprom(uint8_t* buffer, int bufferSize);

  // Write length bytes from address 0 into an erased chip (length is
  // clamped to the chip's size; an odd last byte is paired with 0xFF).
  bool ProgramFlash(const uint8_t* data, int length);
  bool ProgramInternalEeprom(const uint8_t* data, int length);

  // Compare the first length bytes (at most the chip's size) with the chip.
  bool VerifyFlash(const uint8_t* data, int length);
  bool VerifyInternalEeprom(const uint8_t* data, int length);

  int FlashSize() const;
  int EepromSize() const;

  // One four-byte instruction; the fourth byte is sent (Send) or read
  // (Read; ReadInstructionInto leaves it to the stream's next flush).
  void SendInstruction(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4);
  uint8_t ReadInstruction(uint8_t b1, uint8_t b2, uint8_t b3);
  void ReadInstructionInto(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t* dest);

  uint8_t ReadFlashByte(int word, bool high) {
    return ReadMemoryByte(AvrFlash, word, high ? 1 : 0);
  }
  uint8_t ReadEepromByte(int address) { return ReadMemoryByte(AvrEeprom, address, 0); }

  static constexpr int MaxPolls = 5000;
  // Line states of one read instruction (three bytes sent, one received).
  static constexpr uint64_t PollStates = 3 * 58 + 48;

  // Whether a byte write of `memory` polls for its end (else it waits the
  // chip's data-sheet write time and checks the byte afterwards): always
  // on an immediate stream, and on a batched one when its round trips make
  // polling the faster.
  bool PollsWrites(const TAvrMemory& memory) const;

private:
  static uint8_t Hi(int a) { return static_cast<uint8_t>((a >> 8) & 0xFF); }
  static uint8_t Lo(int a) { return static_cast<uint8_t>(a & 0xFF); }

  // The selected processor's write and erase facts (the first row's when
  // the selected row is not in the catalogue).
  const TNvmFacts& Nvm() const;

  // Byte `byte` of addressed unit `unit` (flash: 0 low, 1 high).
  uint8_t ReadMemoryByte(const TAvrMemory& memory, int unit, int byte);
  void ReadMemoryByteInto(const TAvrMemory& memory, int unit, int byte, uint8_t* dest);
  // The chip's data-sheet write time of one byte of `memory`.
  uint64_t WriteNs(const TAvrMemory& memory) const;
  // Writes one byte and waits for it (the waits from `nvm`). Polling:
  // false after MaxPolls reads. With `check`, the byte is read back into
  // *check after the wait instead, for the caller to compare after the
  // next flush.
  bool WriteMemoryByte(const TAvrMemory& memory, const TNvmFacts& nvm, int unit, int byte,
                       uint8_t b, uint8_t* check);

  void BeginProgress(TProgressBarId bar, int size, bool resetPosition);
  void Progress(TProgressBarId bar, int done);

  // Asks one of the "...Abort?" questions; true to go on (No).
  bool AskGoOn(const std::string& question);

  TIspLink& Link;
  TCardHost& Host;
  int ProgressStep = 0;
  bool FAborted = false;
};

// "%X" with at least `digits` digits, upper case.
std::string HexText(unsigned value, int digits);
