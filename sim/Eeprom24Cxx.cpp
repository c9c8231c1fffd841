#include "sim/Eeprom24Cxx.h"

#include <algorithm>

TEeprom24Cxx::TEeprom24Cxx(const EepromInfo& info, TCardFaults& faults)
    : Info(info),
      Memory(static_cast<size_t>(info.Size), 0xFF),
      Faults(faults),
      SizeMask(static_cast<uint32_t>(info.Size - 1)),
      PageMask(static_cast<uint32_t>(info.PageSize - 1)),
      BlockBits(info.Size > 0x20000 ? 2 : (info.Size > 0x10000 ? 1 : 0)),
      PageData(static_cast<size_t>(info.PageSize), 0xFF),
      PageLoaded(static_cast<size_t>(info.PageSize), false) {}

void TEeprom24Cxx::Update(bool scl, TSdaDrive sda, uint64_t nowNs) {
  Settle(nowNs);
  if (scl == Scl && sda == Master) return;
  if (Writing || Faults.EepromAbsent) {
    // Deaf to the bus: it only follows the lines.
    Scl = scl;
    Master = sda;
    State = TState::Idle;
    DriveSda = true;
    Relevel();
    return;
  }
  if (scl != Scl) {
    if (scl) {
      // An SDA change that comes with a rising SCL counts as made while
      // SCL was still low (setup); one with a falling SCL as made after
      // it (hold). Neither is a start or stop condition.
      Master = sda;
      Relevel();
      Scl = true;
      SclRise(Line, nowNs);
    } else {
      Scl = false;
      SclFall(nowNs);
      Master = sda;
      Relevel();
    }
    return;
  }
  const bool before = Line;
  Master = sda;
  Relevel();
  if (Scl && before != Line) {
    if (Line)
      Stop(nowNs);
    else
      Start();
    Relevel();
  }
}

void TEeprom24Cxx::Relevel() {
  const bool contention = Master == TSdaDrive::High && !DriveSda;
  if (contention && !InContention) ++ContentionCount;
  InContention = contention;
  switch (Master) {
    case TSdaDrive::Low: Line = false; break;
    case TSdaDrive::High: Line = true; break;
    case TSdaDrive::PulledUp: Line = DriveSda; break;
    case TSdaDrive::Floating: Line = Line && DriveSda; break;
  }
}

void TEeprom24Cxx::Start() {
  State = TState::Control;
  BitCount = 0;
  Shift = 0;
  DriveSda = true;
  DataBytes = 0;  // a write not closed by a stop is dropped
}

void TEeprom24Cxx::Stop(uint64_t nowNs) {
  if (State == TState::Data && DataBytes > 0) {
    Writing = true;
    WriteEndNs = nowNs + WriteCycleNs;
  }
  State = TState::Idle;
  BitCount = 0;
  DriveSda = true;
}

void TEeprom24Cxx::SclRise(bool sda, uint64_t) {
  if (State == TState::Idle) return;
  ++BitCount;
  if (BitCount <= 8) {
    if (State != TState::Send) Shift = static_cast<uint8_t>((Shift << 1) | (sda ? 1 : 0));
  } else if (State == TState::Send) {
    // Ninth clock of a byte sent: the master's acknowledge (SDA low).
    MasterAck = !sda;
  }
}

void TEeprom24Cxx::SclFall(uint64_t nowNs) {
  if (State == TState::Idle) return;
  if (BitCount == 8) {
    if (State == TState::Send) {
      DriveSda = true;  // the master acknowledges on the ninth clock
      Address = (Address + 1) & SizeMask;
    } else {
      ByteReceived(nowNs);
    }
    return;
  }
  if (BitCount == 9) {
    BitCount = 0;
    DriveSda = true;
    if (State == TState::Send) {
      if (!MasterAck) {
        State = TState::Idle;
        return;
      }
      Shift = Memory[Address];
      DriveSda = (Shift & 0x80) != 0;
    }
    return;
  }
  if (State == TState::Send && BitCount >= 1 && BitCount <= 7)
    DriveSda = ((Shift >> (7 - BitCount)) & 1) != 0;
}

void TEeprom24Cxx::ByteReceived(uint64_t) {
  bool ack = true;
  switch (State) {
    case TState::Control: {
      const uint8_t block = static_cast<uint8_t>((Shift >> 1) & ((1u << BlockBits) - 1));
      const uint8_t select =
          static_cast<uint8_t>((Shift >> (1 + BlockBits)) & ((1u << (3 - BlockBits)) - 1));
      if ((Shift & 0xF0) != 0xA0 || select != 0) {
        ack = false;
        State = TState::Idle;
      } else if (Shift & 1) {
        // Acknowledged on the ninth clock; sending starts with its
        // falling edge.
        State = TState::Send;
        MasterAck = true;
      } else {
        Block = block;
        State = TState::AddressHigh;
      }
      break;
    }
    case TState::AddressHigh:
      Address = (Block << 16) | (uint32_t{Shift} << 8);
      State = TState::AddressLow;
      break;
    case TState::AddressLow:
      Address = (Address | Shift) & SizeMask;
      PageBase = Address & ~PageMask;
      std::fill(PageLoaded.begin(), PageLoaded.end(), false);
      DataBytes = 0;
      State = TState::Data;
      break;
    case TState::Data: {
      const uint32_t offset = Address & PageMask;
      if (DataBytes == 0) FirstOffset = offset;
      PageData[offset] = Shift;
      PageLoaded[offset] = true;
      ++DataBytes;
      Address = PageBase | ((Address + 1) & PageMask);
      break;
    }
    case TState::Idle:
    case TState::Send: ack = false; break;
  }
  DriveSda = !ack;
  Shift = 0;
}

void TEeprom24Cxx::Commit() {
  const bool corrupt = Faults.CorruptPageWrites > 0;
  if (corrupt) --Faults.CorruptPageWrites;
  for (uint32_t offset = 0; offset <= PageMask; ++offset) {
    if (!PageLoaded[offset]) continue;
    const uint32_t a = PageBase | offset;
    if (static_cast<int64_t>(a) == Faults.StuckExtEepromByte) continue;
    uint8_t v = PageData[offset];
    if (corrupt && offset == FirstOffset) v = static_cast<uint8_t>(~v);
    Memory[a] = v;
  }
  Writing = false;
}

void TEeprom24Cxx::Settle(uint64_t nowNs) {
  if (Writing && nowNs >= WriteEndNs) Commit();
}

bool TEeprom24Cxx::Busy(uint64_t nowNs) {
  Settle(nowNs);
  return Writing;
}

void TEeprom24Cxx::PowerLost(uint64_t nowNs) {
  Settle(nowNs);
  Writing = false;
  State = TState::Idle;
  BitCount = 0;
  DriveSda = true;
  InContention = false;
}

void TEeprom24Cxx::PowerUp() {
  Scl = true;
  Master = TSdaDrive::PulledUp;
  Line = true;
  DriveSda = true;
  InContention = false;
  State = TState::Idle;
  BitCount = 0;
}
