#include "sim/SerialProgramming.h"

#include <algorithm>

TSerialProgramming::TSerialProgramming(std::vector<uint16_t>& flash, std::vector<uint8_t>& eeprom,
                                       const ProcessorInfo& chip, const TCardFaults& faults)
    : Timing(NvmTimingOf(chip)),
      Flash(flash),
      Eeprom(eeprom),
      Signature(chip.Signature),
      Faults(faults) {}

void TSerialProgramming::Begin(bool sck) {
  LastSck = sck;
  MisoLevel = false;
  IsEnabled = false;
  Shift = 0;
  OutByte = 0;
  BitCount = 0;
  ByteIndex = 0;
  Frame.fill(0);
}

void TSerialProgramming::Clock(bool sck, bool mosi, uint64_t nowNs) {
  if (sck == LastSck) return;
  LastSck = sck;
  if (sck) {
    Shift = static_cast<uint8_t>((Shift << 1) | (mosi ? 1 : 0));
    if (++BitCount == 8) {
      BitCount = 0;
      ByteDone(Shift, nowNs);
    }
  } else {
    MisoLevel = (OutByte & 0x80) != 0;
    OutByte = static_cast<uint8_t>(OutByte << 1);
  }
}

void TSerialProgramming::ByteDone(uint8_t b, uint64_t nowNs) {
  Frame[ByteIndex] = b;
  OutByte = b;
  if (ByteIndex == 2 && IsEnabled) OutByte = ReadResult(nowNs);
  if (ByteIndex == 3) {
    Execute(nowNs);
    ByteIndex = 0;
  } else {
    ++ByteIndex;
  }
}

uint8_t TSerialProgramming::FlashByte(uint32_t byteAddress) const {
  const uint16_t word = Flash[byteAddress >> 1];
  return static_cast<uint8_t>((byteAddress & 1) ? word >> 8 : word & 0xFF);
}

// The serial programming instructions are decoded here from their bit
// patterns, on purpose not from the programmer's code or any shared table:
// this card is the independent side of every test of the programmer.
uint8_t TSerialProgramming::ReadResult(uint64_t nowNs) {
  Settle(nowNs);
  const bool busy = Busy(nowNs);
  const uint32_t address = (uint32_t{Frame[1]} << 8) | Frame[2];
  if ((Frame[0] & 0xF7) == 0x20) {
    const uint32_t byteAddress =
        ((address & static_cast<uint32_t>(Flash.size() - 1)) << 1) | ((Frame[0] >> 3) & 1);
    if (busy && Pending == TOp::Erase) return 0xFF;
    if (busy && Pending == TOp::Flash && PendingAddress == byteAddress) return Timing.FlashPoll;
    return FlashByte(byteAddress);
  }
  if (Frame[0] == 0xA0) {
    const uint32_t a = address & static_cast<uint32_t>(Eeprom.size() - 1);
    if (busy && Pending == TOp::Erase) return 0xFF;
    if (busy && Pending == TOp::Eeprom && PendingAddress == a)
      return nowNs < PendingStartNs + Timing.EepromWriteNs / 2 ? Timing.EepromPollErase
                                                               : Timing.EepromPollProgram;
    return Eeprom[a];
  }
  if (Frame[0] == 0x30) {
    const uint32_t s = Faults.Signature.value_or(Signature);
    const int i = Frame[2] & 3;
    return i < 3 ? static_cast<uint8_t>(s >> (8 * (2 - i))) : 0xFF;
  }
  return Frame[2];
}

void TSerialProgramming::Execute(uint64_t nowNs) {
  if (Frame[0] == 0xAC && Frame[1] == 0x53) {
    IsEnabled = true;
    return;
  }
  if (!IsEnabled || Busy(nowNs)) return;
  const uint32_t address = (uint32_t{Frame[1]} << 8) | Frame[2];
  if (Frame[0] == 0xAC && (Frame[1] & 0xE0) == 0x80) {
    Pending = TOp::Erase;
    PendingEndNs = nowNs + Timing.ChipEraseNs;
  } else if ((Frame[0] & 0xF7) == 0x40) {
    Pending = TOp::Flash;
    PendingAddress =
        ((address & static_cast<uint32_t>(Flash.size() - 1)) << 1) | ((Frame[0] >> 3) & 1);
    PendingEndNs = nowNs + Timing.FlashWriteNs;
  } else if (Frame[0] == 0xC0) {
    Pending = TOp::Eeprom;
    PendingAddress = address & static_cast<uint32_t>(Eeprom.size() - 1);
    PendingEndNs = nowNs + Timing.EepromWriteNs;
  } else {
    return;  // lock bits and unknown instructions are not modelled
  }
  PendingValue = Frame[3];
  PendingStartNs = nowNs;
}

void TSerialProgramming::Commit() {
  switch (Pending) {
    case TOp::Erase:
      std::fill(Flash.begin(), Flash.end(), uint16_t{0xFFFF});
      std::fill(Eeprom.begin(), Eeprom.end(), uint8_t{0xFF});
      break;
    case TOp::Flash:
      if (static_cast<int64_t>(PendingAddress) != Faults.StuckFlashByte) {
        uint16_t& word = Flash[PendingAddress >> 1];
        const uint16_t mask = (PendingAddress & 1) ? static_cast<uint16_t>(PendingValue << 8 | 0xFF)
                                                   : static_cast<uint16_t>(0xFF00 | PendingValue);
        word &= mask;
      }
      break;
    case TOp::Eeprom:
      if (static_cast<int64_t>(PendingAddress) != Faults.StuckEepromByte)
        Eeprom[PendingAddress] = PendingValue;
      break;
    case TOp::None: break;
  }
  Pending = TOp::None;
}

void TSerialProgramming::Settle(uint64_t nowNs) {
  if (Pending != TOp::None && nowNs >= PendingEndNs) Commit();
}

bool TSerialProgramming::Busy(uint64_t nowNs) {
  Settle(nowNs);
  return Pending != TOp::None;
}

void TSerialProgramming::PowerLost(uint64_t nowNs) {
  Settle(nowNs);
  if (Pending == TOp::Eeprom && nowNs >= PendingStartNs + Timing.EepromWriteNs / 2 &&
      static_cast<int64_t>(PendingAddress) != Faults.StuckEepromByte)
    Eeprom[PendingAddress] = 0xFF;
  Pending = TOp::None;
  Begin(false);
}
