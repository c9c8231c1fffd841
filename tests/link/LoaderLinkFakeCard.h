#pragma once
// A card that runs a behavioural model of the loader, tick by tick, behind
// a port object: it takes bytes on MOSI (sampled at the middle of each
// 5-tick bit), hands bytes back on MISO (7 ticks a bit) with the loader's
// handshake edges, and keeps an external EEPROM as a byte array. It does
// not model the AVR; the cycle-exact loader runs on the virtual card in
// tests/card. Faults can be injected: a stuck MISO, a loader that stops
// answering.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "link/IspLink.h"
#include "link/TLpt.h"

struct TFakeLoaderCard {
  std::vector<uint8_t> Eeprom = std::vector<uint8_t>(8192, 0xFF);

  // Faults.
  int BusyTicks = 30;       // between two handshakes
  int StuckMiso = -1;       // 0 or 1: MISO never changes
  int HangAfterBytes = -1;  // stop after this many received bytes

  // What happened.
  std::vector<uint8_t> Received;  // every byte the PC sent
  int SentBytes = 0;
  uint64_t Ticks = 0;
  int PortWrites = 0;
  int PortReads = 0;
  bool Running = false;

  void Write(uint8_t value) {
    ++PortWrites;
    const bool rising = (value & Lines::Clk) && !(Latch & Lines::Clk);
    const bool powered = (value & Lines::Vcc) == Lines::Vcc;
    if (!powered) {
      Running = false;
      Miso = false;
    } else if ((value & Lines::Reset) && !(Latch & Lines::Reset)) {
      Boot();
    } else if (!(value & Lines::Reset)) {
      Running = false;
    }
    Latch = value;
    if (rising) Tick(value & Lines::Mosi);
  }
  bool ReadMiso() {
    ++PortReads;
    if (StuckMiso >= 0) return StuckMiso != 0;
    return Miso;
  }

private:
  enum TMode { mWait, mReceive, mSend, mDead };
  enum TRole { rCommand, rData, rReadAll, rReadBack };

  void Boot() {
    Running = true;
    Miso = false;
    Address = 0;
    Wait(15, [this] { Receive(rCommand); });
  }
  void Wait(int ticks, std::function<void()> then) {
    Mode = mWait;
    WaitLeft = ticks;
    Then = std::move(then);
  }
  void Receive(TRole role) {
    Role = role;
    Mode = mReceive;
    Count = 0;
    Shift = 0;
    Miso = true;  // ready
  }
  void Send(TRole role, uint8_t b) {
    Role = role;
    Mode = mSend;
    Count = 0;
    Shift = b;
    Miso = true;  // start
  }

  void Tick(bool mosi) {
    if (!Running) return;
    ++Ticks;
    switch (Mode) {
      case mDead: break;
      case mWait:
        if (--WaitLeft <= 0) {
          auto then = std::move(Then);
          then();
        }
        break;
      case mReceive:
        ++Count;
        if (Count % 5 == 3) Shift = static_cast<uint8_t>((Shift << 1) | (mosi ? 1 : 0));
        if (Count == 40) {
          Miso = false;  // acknowledge
          const uint8_t b = Shift;
          Received.push_back(b);
          if (HangAfterBytes >= 0 && static_cast<int>(Received.size()) >= HangAfterBytes) {
            Mode = mDead;
            break;
          }
          Wait(BusyTicks, [this, b] { Took(b); });
        }
        break;
      case mSend:
        ++Count;
        if (Count <= 56) {
          Miso = (Shift >> (7 - (Count - 1) / 7)) & 1;
        } else {
          Miso = false;  // end of byte
          ++SentBytes;
          Wait(BusyTicks, [this] { Sent(); });
        }
        break;
    }
  }

  uint8_t EepromAt(int a) const { return Eeprom[static_cast<size_t>(a) % Eeprom.size()]; }

  void Took(uint8_t b) {
    if (Role == rData) {
      PageBuffer.push_back(b);
      if (static_cast<int>(PageBuffer.size()) < PageLength) return Receive(rData);
      for (int i = 0; i < PageLength; ++i)
        Eeprom[static_cast<size_t>(Address + i) % Eeprom.size()] = PageBuffer[i];
      PageBuffer.clear();
      return Receive(rCommand);
    }
    switch (b & 7) {
      case 7: return Receive(rCommand);
      case 0:
      case 1:
      case 2: Address = 0; return Send(rReadAll, EepromAt(0));
      case 3: Index = 0; return Send(rReadBack, EepromAt(Address));
      case 4:
        Address = 0;
        PageLength = (b & 0xF8) * 4;
        return Receive(rData);
      case 5: Address += PageLength; return Receive(rData);
      default: return Receive(rData);
    }
  }
  void Sent() {
    if (Role == rReadAll) {
      ++Address;
      return Send(rReadAll, EepromAt(Address));
    }
    if (++Index < PageLength) return Send(rReadBack, EepromAt(Address + Index));
    Receive(rCommand);
  }

  uint8_t Latch = 0;
  bool Miso = false;
  TMode Mode = mDead;
  TRole Role = rCommand;
  int WaitLeft = 0;
  std::function<void()> Then;
  int Count = 0;
  uint8_t Shift = 0;
  int Address = 0;
  int PageLength = 0;
  int Index = 0;
  std::vector<uint8_t> PageBuffer;
};

class TFakeLoaderIo : public TPortIo {
public:
  explicit TFakeLoaderIo(std::shared_ptr<TFakeLoaderCard> card) : Card(std::move(card)) {}
  uint8_t ReadPort(uint16_t) override { return Card->ReadMiso() ? 0x40 : 0x00; }
  void WritePort(uint16_t, uint8_t value) override { Card->Write(value); }
  void Sleep(uint32_t ms) override {
    Sleeps.push_back(ms);
    Now += ms;
  }
  uint32_t TickCount() override { return Now; }
  std::shared_ptr<TFakeLoaderCard> Card;
  std::vector<uint32_t> Sleeps;
  uint32_t Now = 0;
};

class TFakeLoaderSource : public TPortSource {
public:
  explicit TFakeLoaderSource(std::shared_ptr<TFakeLoaderCard> card) : Card(std::move(card)) {}
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    ports.push_back({0x378, "fake", ""});
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string&) override {
    auto io = std::make_unique<TFakeLoaderIo>(Card);
    Io = io.get();
    return io;
  }
  std::shared_ptr<TFakeLoaderCard> Card;
  TFakeLoaderIo* Io = nullptr;
};
