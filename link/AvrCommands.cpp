#include "link/AvrCommands.h"

#include <algorithm>
#include <cstdio>

#include "images/DeviceCatalogue.h"

std::string HexText(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

int TAvrCommands::FlashSize() const {
  const ProcessorInfo* chip = ProcessorAt(Host.SelectedProcessorRow());
  return chip ? chip->FlashSize : 0;
}

int TAvrCommands::EepromSize() const {
  const ProcessorInfo* chip = ProcessorAt(Host.SelectedProcessorRow());
  return chip ? chip->EepromSize : 0;
}

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
    const bool miso = Link.Port.ReadAck();
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
    Host.SetChipIdText(ProcessorTable[row].Name);
    return true;
  }
  return AskGoOn("Unknown processor ID! Abort?");
}

bool TAvrCommands::ChipErase() {
  SendInstruction(0xAC, 0x80, 0x00, 0x00);
  Link.Delay(120);
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

void TAvrCommands::ReadFlash(uint8_t* buffer, int bufferSize) {
  const int size = std::min(FlashSize(), bufferSize);
  BeginProgress(pbFlash, size, true);
  for (int w = 0; 2 * w < size; ++w) {
    buffer[2 * w] = ReadFlashByte(w, false);
    if (2 * w + 1 < size) buffer[2 * w + 1] = ReadFlashByte(w, true);
    Progress(pbFlash, 2 * w + 2);
  }
  Host.SetProgressPosition(pbFlash, 0);
}

void TAvrCommands::ReadInternalEeprom(uint8_t* buffer, int bufferSize) {
  const int size = std::min(EepromSize(), bufferSize);
  BeginProgress(pbIntEE, size, true);
  for (int a = 0; a < size; ++a) {
    buffer[a] = ReadEepromByte(a);
    Progress(pbIntEE, a + 1);
  }
  Host.SetProgressPosition(pbIntEE, 0);
}

bool TAvrCommands::WriteFlashByte(int word, bool high, uint8_t b) {
  if (b == 0xFF) return true;  // an erased chip holds it already
  SendInstruction(high ? 0x48 : 0x40, Hi(word), Lo(word), b);
  if (b == 0x7F) {
    // 0x7F is what the chip reads while it writes: wait instead of polling.
    Link.Delay(30);
    return true;
  }
  for (int poll = 0; poll < MaxPolls; ++poll) {
    if (ReadFlashByte(word, high) == b) return true;
    Host.ProcessPendingEvents();
  }
  return false;
}

bool TAvrCommands::ProgramFlash(const uint8_t* data, int length) {
  length = std::clamp(length, 0, FlashSize());
  BeginProgress(pbFlash, length, false);
  int i = 0;
  int w = 0;
  while (i < length) {
    if (!WriteFlashByte(w, false, data[i])) break;
    ++i;
    // An odd length has no high byte of its own: it stays erased.
    const uint8_t high = i < length ? data[i] : 0xFF;
    if (!WriteFlashByte(w, true, high)) break;
    ++i;
    ++w;
    Progress(pbFlash, std::min(i, length));
  }
  if (i >= length) return true;
  Host.Beep();
  Host.ShowMessageDialog("Error programming Flash.", mkError, mbOK);
  return false;
}

bool TAvrCommands::WriteEepromByte(int address, uint8_t b) {
  if (b == 0xFF) return true;
  SendInstruction(0xC0, Hi(address), Lo(address), b);
  if (b == 0x7F || b == 0x80) {
    // The chip's polling values: wait instead of polling.
    Link.Delay(20);
    return true;
  }
  for (int poll = 0; poll < MaxPolls; ++poll) {
    if (ReadEepromByte(address) == b) return true;
    Host.ProcessPendingEvents();
  }
  return false;
}

bool TAvrCommands::ProgramInternalEeprom(const uint8_t* data, int length) {
  const int size = std::clamp(length, 0, EepromSize());
  BeginProgress(pbIntEE, size, false);
  for (int a = 0; a < size; ++a) {
    if (!WriteEepromByte(a, data[a])) {
      Host.Beep();
      Host.ShowMessageDialog("Error programming internal eeprom.", mkError, mbOK);
      return false;
    }
    Progress(pbIntEE, a + 1);
  }
  return true;
}

bool TAvrCommands::VerifyFlash(const uint8_t* data, int length) {
  const int size = std::clamp(length, 0, FlashSize());
  BeginProgress(pbFlash, size, true);
  bool ok = true;
  for (int w = 0; 2 * w < size; ++w) {
    const unsigned d = ReadFlashByte(w, false) + 256u * ReadFlashByte(w, true);
    const unsigned high = 2 * w + 1 < size ? data[2 * w + 1] : 0xFF;
    const unsigned e = data[2 * w] + 256u * high;
    if (d != e) {
      Host.ShowMessageDialog("Flash verification error!\n\nvalue differ at address 0x" +
                                 HexText(w, 4) + "\nBuffer value: 0x" + HexText(e, 4) +
                                 "\nFlash value: 0x" + HexText(d, 4),
                             mkError, mbOK);
      ok = false;
      break;
    }
    Progress(pbFlash, 2 * w + 2);
  }
  Host.SetProgressPosition(pbFlash, 0);
  return ok;
}

bool TAvrCommands::VerifyInternalEeprom(const uint8_t* data, int length) {
  const int size = std::clamp(length, 0, EepromSize());
  BeginProgress(pbIntEE, size, true);
  bool ok = true;
  for (int a = 0; a < size; ++a) {
    const uint8_t v = ReadEepromByte(a);
    if (v != data[a]) {
      Host.ShowMessageDialog(
          "Internal eeprom verification error!\n\nvalue differ at address 0x" + HexText(a, 1) +
              "\nBuffer value: 0x" + HexText(data[a], 2) + "\ninternal eeprom value: 0x" +
              HexText(v, 2),
          mkError, mbOK);
      ok = false;
      break;
    }
    Progress(pbIntEE, a + 1);
  }
  Host.SetProgressPosition(pbIntEE, 0);
  return ok;
}
