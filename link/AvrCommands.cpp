#include "link/AvrCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

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
  uint8_t r = 0;
  ReadInstructionInto(b1, b2, b3, &r);
  Link.Flush();
  return r;
}

void TAvrCommands::ReadInstructionInto(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t* dest) {
  Link.SendByte(b1);
  Link.SendByte(b2);
  Link.SendByte(b3);
  Link.ReceiveByteInto(dest);
}

bool TAvrCommands::SendProgrammingEnable(uint8_t& echo) {
  // 0xAC 0x53 0x00 0x00, most significant bit first; MISO is sampled two
  // ticks after each falling SCK edge, and bits 16..9 carry the echo of
  // the second byte while the third is clocked. A batched stream gets the
  // 32 samples with one flush at the end.
  constexpr uint32_t frame = 0xAC530000u;
  std::array<uint8_t, 32> miso{};
  for (int n = 31; n >= 0; --n) {
    if ((frame >> n) & 1u)
      Link.DataLatch |= Lines::Mosi;
    else
      Link.DataLatch &= ~Lines::Mosi;
    Link.Write();
    Link.ClockPulse();
    Link.StrobeTick();
    Link.StrobeTick();
    Link.SampleMiso(&miso[static_cast<size_t>(n)], 1);
  }
  Link.DataLatch &= ~Lines::Mosi;
  Link.Flush();
  echo = 0;
  for (int n = 16; n >= 9; --n)
    if (miso[static_cast<size_t>(n)]) echo |= static_cast<uint8_t>(1u << (n - 9));
  return echo == 0x53;
}

bool TAvrCommands::AskGoOn(const std::string& question) {
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
  const TLineBackend* lines = Link.Port.Lines().Backend();
  const std::string adapter = lines ? lines->AdapterName() : "";
  return AskGoOn(adapter.empty() ? "No device found at selected LPT port! Abort?"
                                 : "No device found at the " + adapter + "! Abort?");
}

bool TAvrCommands::ReadSignature() {
  if (FAborted) return false;
  Host.SetChipIdText("");
  std::array<uint8_t, 3> bytes{};
  for (uint8_t i = 0; i < 3; ++i) ReadInstructionInto(0x30, 0x00, i, &bytes[i]);
  Link.Flush();
  const uint32_t s = uint32_t{bytes[0]} << 16 | uint32_t{bytes[1]} << 8 | bytes[2];
  const int row = FindProcessorBySignature(s);
  if (row >= 0) {
    Chips.ProcessorRow = row;
    Host.ProcessorDetected(row);
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
  if (done >= Host.ProgressPosition(bar) + ProgressStep) {
    // The bar shows what has reached the card: a batched stream is
    // flushed at each of its steps.
    Link.Flush();
    Host.StepProgress(bar);
  }
  Host.ProcessPendingEvents();
}

// ---- reading, writing and verifying a memory ------------------------------

const TNvmFacts& TAvrCommands::Nvm() const {
  const ProcessorInfo* chip = ProcessorAt(Chips.ProcessorRow);
  return chip ? chip->Nvm : ProcessorTable[0].Nvm;
}

int TAvrCommands::MemorySize(const TAvrMemory& memory) const {
  const ProcessorInfo* chip = ProcessorAt(Chips.ProcessorRow);
  return chip ? chip->*memory.Size : 0;
}

uint8_t TAvrCommands::ReadMemoryByte(const TAvrMemory& memory, int unit, int byte) {
  uint8_t r = 0;
  ReadMemoryByteInto(memory, unit, byte, &r);
  Link.Flush();
  return r;
}

void TAvrCommands::ReadMemoryByteInto(const TAvrMemory& memory, int unit, int byte, uint8_t* dest) {
  // The byte of a unit is in the opcode's bit 3 (flash: 0 low, 1 high).
  ReadInstructionInto(static_cast<uint8_t>(memory.ReadOpcode | (byte << 3)), Hi(unit), Lo(unit),
                      dest);
}

void TAvrCommands::ReadMemory(const TAvrMemory& memory, uint8_t* buffer, int bufferSize) {
  const int size = std::min(MemorySize(memory), bufferSize);
  BeginProgress(memory.Bar, size, true);
  const int unitBytes = memory.UnitBytes;
  for (int u = 0; unitBytes * u < size; ++u) {
    // Bytes past the buffer are not read. On a batched stream the bytes
    // arrive with the flush of the bar's next step.
    for (int k = 0; k < unitBytes && unitBytes * u + k < size; ++k)
      ReadMemoryByteInto(memory, u, k, &buffer[unitBytes * u + k]);
    Progress(memory.Bar, unitBytes * u + unitBytes);
  }
  Link.Flush();
  Host.SetProgressPosition(memory.Bar, 0);
}

uint64_t TAvrCommands::WriteNs(const TAvrMemory& memory) const {
  const TNvmFacts& nvm = Nvm();
  return uint64_t{&memory == &AvrFlash ? nvm.FlashWriteUs : nvm.EepromWriteUs} * 1000;
}

bool TAvrCommands::PollsWrites(const TAvrMemory& memory) const {
  // An immediate stream polls: a sample costs nothing beyond its states,
  // and a chip that finishes early is seen at once.
  if (!Link.Batched()) return true;
  // A batched stream polls when the round trips of polling, each one read
  // instruction on the wire and a flush, see the write end sooner than one
  // flush and the chip's data-sheet write time do.
  const uint64_t roundTrip = Link.Port.Lines().RoundTripNs();
  const uint64_t poll = PollStates * Link.Port.Lines().StateNs();
  const uint64_t write = WriteNs(memory);
  if (poll + roundTrip == 0) return true;
  // The k-th poll samples k polls and k - 1 round trips after the write.
  uint64_t polls = 1;
  while (polls * poll + (polls - 1) * roundTrip < write) ++polls;
  return polls * (poll + roundTrip) < roundTrip + write + poll;
}

bool TAvrCommands::WriteMemoryByte(const TAvrMemory& memory, const TNvmFacts& nvm, int unit,
                                   int byte, uint8_t b, uint8_t* check) {
  if (b == 0xFF) return true;  // an erased chip holds it already
  SendInstruction(static_cast<uint8_t>(memory.WriteOpcode | (byte << 3)), Hi(unit), Lo(unit), b);
  if (b == nvm.*memory.WaitOn[0] || b == nvm.*memory.WaitOn[1]) {
    // What a chip may read while it writes: wait instead of polling.
    Link.Delay(nvm.*memory.WaitMs);
    if (check) ReadMemoryByteInto(memory, unit, byte, check);
    return true;
  }
  if (check) {
    // Wait the chip's write time on the host's clock; the byte is read
    // back behind it and checked with the others of its block.
    Link.Delay(static_cast<uint32_t>((WriteNs(memory) + 999'999) / 1'000'000));
    ReadMemoryByteInto(memory, unit, byte, check);
    return true;
  }
  Link.Port.Lines().BeginChipWait();
  bool written = false;
  for (int poll = 0; poll < MaxPolls && !written; ++poll) {
    written = ReadMemoryByte(memory, unit, byte) == b;
    if (!written) Host.ProcessPendingEvents();
  }
  Link.Port.Lines().EndChipWait();
  return written;
}

bool TAvrCommands::ProgramMemory(const TAvrMemory& memory, const uint8_t* data, int length) {
  length = std::clamp(length, 0, MemorySize(memory));
  BeginProgress(memory.Bar, length, false);
  const TNvmFacts& nvm = Nvm();
  const int unitBytes = memory.UnitBytes;
  // Without polling, every written byte is read back after its wait and
  // the reads of a block (a step of the bar) are checked together.
  const bool polls = PollsWrites(memory);
  const int block = std::max(ProgressStep, unitBytes);
  std::vector<uint8_t> checks(polls ? 0 : static_cast<size_t>(block) + unitBytes, 0xFF);
  int blockStart = 0;
  const auto failed = [&](int bad) {
    Host.Beep();
    std::string text = memory.WriteErrorText;
    if (bad >= 0) text += "\n\nThe byte at 0x" + HexText(static_cast<unsigned>(bad), 4) +
                          " of the image did not take.";
    Host.ShowMessageDialog(text, mkError, mbOK);
    return false;
  };
  // The first byte of the block that did not take, or -1.
  const auto checkBlock = [&](int end) {
    Link.Flush();
    for (int i = blockStart; i < end; ++i) {
      const uint8_t wanted = i < length ? data[i] : 0xFF;
      if (checks[static_cast<size_t>(i - blockStart)] != wanted) return i;
    }
    std::fill(checks.begin(), checks.end(), 0xFF);
    blockStart = end;
    return -1;
  };
  for (int u = 0; unitBytes * u < length; ++u) {
    for (int k = 0; k < unitBytes; ++k) {
      const int i = unitBytes * u + k;
      // An odd flash length has no high byte of its own: it stays erased.
      uint8_t* check = polls ? nullptr : &checks[static_cast<size_t>(i - blockStart)];
      if (!WriteMemoryByte(memory, nvm, u, k, i < length ? data[i] : 0xFF, check))
        return failed(-1);
    }
    const int done = unitBytes * u + unitBytes;
    if (!polls && (done - blockStart >= block || done >= length)) {
      const int bad = checkBlock(done);
      if (bad >= 0) return failed(bad);
    }
    Progress(memory.Bar, std::min(done, length));
  }
  return true;
}

bool TAvrCommands::VerifyMemory(const TAvrMemory& memory, const uint8_t* data, int length) {
  const int size = std::clamp(length, 0, MemorySize(memory));
  BeginProgress(memory.Bar, size, true);
  const int unitBytes = memory.UnitBytes;
  // Units read ahead before the comparison needs them: one on an
  // immediate stream (each is compared as it comes), a step of the bar on
  // a batched one (one flush a step).
  const int blockUnits = Link.Batched() ? std::max(ProgressStep / unitBytes, 1) : 1;
  std::vector<uint8_t> card(static_cast<size_t>(blockUnits * unitBytes), 0xFF);
  for (int first = 0; unitBytes * first < size; first += blockUnits) {
    const int units = std::min(blockUnits, (size - unitBytes * first + unitBytes - 1) / unitBytes);
    for (int u = 0; u < units; ++u)
      for (int k = 0; k < unitBytes; ++k)
        ReadMemoryByteInto(memory, first + u, k, &card[static_cast<size_t>(unitBytes * u + k)]);
    Link.Flush();
    for (int u = 0; u < units; ++u) {
      // A unit is compared whole (little-endian); past the data it is erased.
      const int unit = first + u;
      unsigned read = 0;
      unsigned expected = 0;
      for (int k = unitBytes - 1; k >= 0; --k) {
        const int i = unitBytes * unit + k;
        expected = (expected << 8) | (i < size ? data[i] : 0xFFu);
        read = (read << 8) | card[static_cast<size_t>(unitBytes * u + k)];
      }
      if (read != expected) {
        Host.ShowMessageDialog(std::string(memory.VerifyErrorTitle) +
                                   "\n\nvalue differ at address 0x" +
                                   HexText(static_cast<unsigned>(unit), memory.AddressDigits) +
                                   "\nBuffer value: 0x" + HexText(expected, 2 * unitBytes) + "\n" +
                                   memory.CardValueName + " value: 0x" +
                                   HexText(read, 2 * unitBytes),
                               mkError, mbOK);
        Host.SetProgressPosition(memory.Bar, 0);
        return false;
      }
      Progress(memory.Bar, unitBytes * unit + unitBytes);
    }
  }
  Host.SetProgressPosition(memory.Bar, 0);
  return true;
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
