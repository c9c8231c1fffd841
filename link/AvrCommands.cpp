#include "link/AvrCommands.h"

#include <algorithm>
#include <cstdio>

#include "images/DeviceCatalogue.h"

std::string HexText(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

int TAvrCommands::FlashSize() const { return MemorySize(AvrFlash); }

int TAvrCommands::EepromSize() const { return MemorySize(AvrEeprom); }

void TAvrCommands::SendInstruction(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4) {
  Link.SendByte(b1);
  Link.SendByte(b2);
  Link.SendByte(b3);
  Link.SendByte(b4);
}

uint8_t TAvrCommands::ReadInstruction(uint8_t b1, uint8_t b2, uint8_t b3) {
  Link.SendByte(b1);
  Link.SendByte(b2);
  Link.SendByte(b3);
  return Link.ReceiveByte();
}

bool TAvrCommands::SendProgrammingEnable(uint8_t& echo) {
  // 0xAC 0x53 0x00 0x00, most significant bit first; MISO is sampled two
  // ticks after each falling SCK edge, and bits 16..9 carry the echo of
  // the second byte while the third is clocked.
  constexpr uint32_t frame = 0xAC530000u;
  echo = 0;
  for (int n = 31; n >= 0; --n) {
    if ((frame >> n) & 1u)
      Link.DataLatch |= Lines::Mosi;
    else
      Link.DataLatch &= ~Lines::Mosi;
    Link.Write();
    Link.ClockPulse();
    Link.StrobeTick();
    Link.StrobeTick();
    const bool miso = Link.ReadMiso();
    if (n >= 9 && n <= 16 && miso) echo |= static_cast<uint8_t>(1u << (n - 9));
  }
  Link.DataLatch &= ~Lines::Mosi;
  return echo == 0x53;
}

bool TAvrCommands::AskGoOn(const char* question) {
  Host.Beep();
  // Yes aborts, and so does closing the box: only No goes on.
  FAborted = Host.ShowMessageDialog(question, mkError, mbYesNo) != mrNo;
  return !FAborted;
}

bool TAvrCommands::EnterProgrammingMode() {
  if (FAborted) return false;
  Host.SetProgressMax(pbInit, 32);
  Host.SetProgressStep(pbInit, 1);
  bool synced = false;
  for (;;) {
    Host.SetProgressPosition(pbInit, 0);
    Host.SetProgressVisible(pbInit, true);
    for (int attempt = 0; attempt < 32; ++attempt) {
      uint8_t echo = 0;
      if (SendProgrammingEnable(echo)) {
        synced = true;
        break;
      }
      Link.ResetPulse();
      Host.StepProgress(pbInit);
      Host.ProcessPendingEvents();
    }
    if (synced || !PowerCycleAllowed) break;
    Link.PowerOff();
    Link.Delay(100);
    Link.PowerOn();
    PowerCycleAllowed = false;
  }
  Host.SetProgressPosition(pbInit, 32);
  Host.ProcessPendingEvents();
  Host.SetProgressVisible(pbInit, false);
  if (synced) return true;

  Host.SetChipIdText("");
  return AskGoOn("No device found at selected LPT port! Abort?");
}

bool TAvrCommands::ReadSignature() {
  if (FAborted) return false;
  Host.SetChipIdText("");
  uint32_t s = 0;
  for (uint8_t i = 0; i < 3; ++i) s = (s << 8) | ReadInstruction(0x30, 0x00, i);
  const int row = FindProcessorBySignature(s);
  if (row >= 0) {
    Host.SelectProcessorRow(row);
    Host.SetChipIdText(ProcessorAt(row)->Name);
    return true;
  }
  return AskGoOn("Unknown processor ID! Abort?");
}

bool TAvrCommands::ChipErase() {
  if (FAborted) return false;
  SendInstruction(0xAC, 0x80, 0x00, 0x00);
  Link.Delay(Nvm().EraseWaitMs);
  Link.ResetPulse();
  return EnterProgrammingMode();
}

void TAvrCommands::BeginProgress(TProgressBarId bar, int size, bool resetPosition) {
  if (resetPosition) Host.SetProgressPosition(bar, 0);
  Host.SetProgressMax(bar, size);
  ProgressStep = size / 64;
  Host.SetProgressStep(bar, ProgressStep);
}

void TAvrCommands::Progress(TProgressBarId bar, int done) {
  if (done >= Host.ProgressPosition(bar) + ProgressStep) Host.StepProgress(bar);
  Host.ProcessPendingEvents();
}

// ---- reading, writing and verifying a memory ------------------------------

const TNvmFacts& TAvrCommands::Nvm() const {
  const ProcessorInfo* chip = ProcessorAt(Host.SelectedProcessorRow());
  return chip ? chip->Nvm : ProcessorTable[0].Nvm;
}

int TAvrCommands::MemorySize(const TAvrMemory& memory) const {
  const ProcessorInfo* chip = ProcessorAt(Host.SelectedProcessorRow());
  return chip ? chip->*memory.Size : 0;
}

uint8_t TAvrCommands::ReadMemoryByte(const TAvrMemory& memory, int unit, int byte) {
  // The byte of a unit is in the opcode's bit 3 (flash: 0 low, 1 high).
  return ReadInstruction(static_cast<uint8_t>(memory.ReadOpcode | (byte << 3)), Hi(unit), Lo(unit));
}

void TAvrCommands::ReadMemory(const TAvrMemory& memory, uint8_t* buffer, int bufferSize) {
  const int size = std::min(MemorySize(memory), bufferSize);
  BeginProgress(memory.Bar, size, true);
  const int unitBytes = memory.UnitBytes;
  for (int u = 0; unitBytes * u < size; ++u) {
    // Bytes past the buffer are not read.
    for (int k = 0; k < unitBytes && unitBytes * u + k < size; ++k)
      buffer[unitBytes * u + k] = ReadMemoryByte(memory, u, k);
    Progress(memory.Bar, unitBytes * u + unitBytes);
  }
  Host.SetProgressPosition(memory.Bar, 0);
}

bool TAvrCommands::WriteMemoryByte(const TAvrMemory& memory, const TNvmFacts& nvm, int unit,
                                   int byte, uint8_t b) {
  if (b == 0xFF) return true;  // an erased chip holds it already
  SendInstruction(static_cast<uint8_t>(memory.WriteOpcode | (byte << 3)), Hi(unit), Lo(unit), b);
  if (b == nvm.*memory.WaitOn[0] || b == nvm.*memory.WaitOn[1]) {
    // What a chip may read while it writes: wait instead of polling.
    Link.Delay(nvm.*memory.WaitMs);
    return true;
  }
  for (int poll = 0; poll < MaxPolls; ++poll) {
    if (ReadMemoryByte(memory, unit, byte) == b) return true;
    Host.ProcessPendingEvents();
  }
  return false;
}

bool TAvrCommands::ProgramMemory(const TAvrMemory& memory, const uint8_t* data, int length) {
  length = std::clamp(length, 0, MemorySize(memory));
  BeginProgress(memory.Bar, length, false);
  const TNvmFacts& nvm = Nvm();
  const int unitBytes = memory.UnitBytes;
  for (int u = 0; unitBytes * u < length; ++u) {
    for (int k = 0; k < unitBytes; ++k) {
      const int i = unitBytes * u + k;
      // An odd flash length has no high byte of its own: it stays erased.
      if (!WriteMemoryByte(memory, nvm, u, k, i < length ? data[i] : 0xFF)) {
        Host.Beep();
        Host.ShowMessageDialog(memory.WriteErrorText, mkError, mbOK);
        return false;
      }
    }
    Progress(memory.Bar, std::min(unitBytes * u + unitBytes, length));
  }
  return true;
}

bool TAvrCommands::VerifyMemory(const TAvrMemory& memory, const uint8_t* data, int length) {
  const int size = std::clamp(length, 0, MemorySize(memory));
  BeginProgress(memory.Bar, size, true);
  const int unitBytes = memory.UnitBytes;
  bool ok = true;
  for (int u = 0; unitBytes * u < size; ++u) {
    // A unit is compared whole (little-endian); past the data it is erased.
    unsigned card = 0;
    unsigned expected = 0;
    for (int k = unitBytes - 1; k >= 0; --k) {
      const int i = unitBytes * u + k;
      expected = (expected << 8) | (i < size ? data[i] : 0xFFu);
    }
    for (int k = 0; k < unitBytes; ++k) card |= unsigned{ReadMemoryByte(memory, u, k)} << (8 * k);
    if (card != expected) {
      Host.ShowMessageDialog(std::string(memory.VerifyErrorTitle) +
                                 "\n\nvalue differ at address 0x" +
                                 HexText(static_cast<unsigned>(u), memory.AddressDigits) +
                                 "\nBuffer value: 0x" + HexText(expected, 2 * unitBytes) + "\n" +
                                 memory.CardValueName + " value: 0x" + HexText(card, 2 * unitBytes),
                             mkError, mbOK);
      ok = false;
      break;
    }
    Progress(memory.Bar, unitBytes * u + unitBytes);
  }
  Host.SetProgressPosition(memory.Bar, 0);
  return ok;
}

// ---- flash and internal EEPROM ------------------------------------------------

void TAvrCommands::ReadFlash(uint8_t* buffer, int bufferSize) {
  ReadMemory(AvrFlash, buffer, bufferSize);
}

void TAvrCommands::ReadInternalEeprom(uint8_t* buffer, int bufferSize) {
  ReadMemory(AvrEeprom, buffer, bufferSize);
}

bool TAvrCommands::ProgramFlash(const uint8_t* data, int length) {
  return ProgramMemory(AvrFlash, data, length);
}

bool TAvrCommands::ProgramInternalEeprom(const uint8_t* data, int length) {
  return ProgramMemory(AvrEeprom, data, length);
}

bool TAvrCommands::VerifyFlash(const uint8_t* data, int length) {
  return VerifyMemory(AvrFlash, data, length);
}

bool TAvrCommands::VerifyInternalEeprom(const uint8_t* data, int length) {
  return VerifyMemory(AvrEeprom, data, length);
}
