#pragma once
// A stand-in for an FTDI board with a card on it, behind the FTDI
// adapter's chip seam (link/FtdiChip.h), for tests and benchmarks. It
// keeps to what FTDI documents of synchronous bit-bang mode:
// - a written byte enters the chip's buffer from the host; the chip
//   clocks one byte a state time: it reads the pins into its buffer
//   towards the host, then puts the byte on its outputs. It clocks only
//   while that buffer has room, so a host that writes more than the two
//   buffers hold without reading stalls, and the write fails when USB's
//   write timeout runs out;
// - the chip sends whole USB packets (62 bytes on full speed, 510 on high
//   speed) as they fill, and what it holds when the latency timer runs
//   out; a read returns what came, at random fewer bytes (the rest comes
//   with the next read) or none;
// - outside bit-bang mode (UART mode) TXD, RTS and DTR drive high (RTS
//   and DTR low while the system has the serial port open) and the other
//   pins are inputs pulled up; while the mode changes every pin floats
//   for a moment and may read either level; entering bit-bang mode the
//   outputs drive 0xFF until the first byte; closing the chip leaves the
//   pins as they are;
// - unplugged, every call fails and the card loses its supply.
//
// The board: the card's lines hang on the pins as the wiring (an adapter
// definition) says, with a pull resistor that holds the supply off while
// its pin is not driven; MISO comes back on its pin. Virtual time is the
// card's: a clocked byte is one port access of the card (its access time
// is the model's state time).

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/AdapterDefinition.h"
#include "link/FtdiChip.h"
#include "sim/VirtualCard.h"

struct TFtdiStandInModel {
  TFtdiChipType Type = TFtdiChipType::FT232R;
  uint64_t StateNs = 2000;          // one byte clocked
  uint64_t LatencyNs = 1'000'000;   // the latency timer: a partial packet's wait
  double EmptyReads = 0.1;          // reads that bring nothing
  double ShortReads = 0.2;          // reads that bring fewer bytes than have come
  unsigned Seed = 1;

  // FT232R: 2 us a state, 1 ms latency; FT232H: 0.1 us, 0.125 ms.
  static TFtdiStandInModel FT232R() { return {}; }
  static TFtdiStandInModel FT232H() {
    TFtdiStandInModel m;
    m.Type = TFtdiChipType::FT232H;
    m.StateNs = 100;
    m.LatencyNs = 125'000;
    return m;
  }
};

enum class TFtdiStandInState { Unplugged, Uart, ModeChange, BitBang };

class TFtdiStandInDevice {
public:
  TFtdiStandInDevice(const TVirtualCardConfig& card, const TAdapterDefinition& wiring,
                     const TFtdiStandInModel& model, TFtdiDeviceInfo info);

  TVirtualCard& Card() { return *FCard; }
  const TFtdiDeviceInfo& Info() const { return FInfo; }
  const TFtdiStandInModel& Model() const { return FModel; }
  TFtdiStandInState State() const { return FState; }

  // ---- What a test does to the board ----------------------------------------
  // Pulls the board out (every call fails, the card loses its supply) or
  // plugs it in again (UART mode).
  void Plug(bool in);
  // Another program holds the chip: opening it fails.
  void SetBusy(bool busy) { FBusy = busy; }
  // The board is pulled out once `bytes` more bytes have been written.
  void UnplugAfterWrittenBytes(uint64_t bytes) { FUnplugAt = FWritten + bytes; }
  // The system opens (or closes) the board's serial port: in UART mode
  // RTS and DTR drive low while it is open.
  void SetSerialPortOpen(bool open);

  // ---- What the board saw ---------------------------------------------------
  // Times the card's supply was on while the chip was not in bit-bang
  // mode or had not yet clocked its first byte there.
  uint64_t PoweredOutsideBitBang() const { return FPoweredOutside; }
  // The first byte clocked since bit-bang mode was last entered (-1: none).
  int FirstByte() const { return FFirstByte; }
  // The most bytes the chip held (both buffers); the most the host had
  // written and not yet read back (the chip's buffers and what libftdi1
  // holds), over every opening of the board; and the writes that stalled.
  size_t MostHeld() const { return FMostHeld; }
  size_t MostOutstanding() const { return FMostOutstanding; }
  uint64_t Stalls() const { return FStalls; }
  uint64_t Clocked() const { return FClocked; }
  // Every byte clocked onto the pins from now on goes to `bytes` (null:
  // none is kept).
  void RecordInto(std::vector<uint8_t>* bytes) { Record = bytes; }
  bool Open() const { return FOpen; }

  // ---- The chip side (TFtdiStandInChip) -------------------------------------
  bool Matches(uint16_t vendor, uint16_t product, const std::string& serial) const;
  int OpenChip();
  void CloseChip() { FOpen = false; }
  int SetBitMode(uint8_t mask, uint8_t mode);
  int SetBaudRate(int rate);
  int Flush();
  int Write(const uint8_t* data, int size);
  int Read(uint8_t* data, int size);
  void Sleep(uint64_t ns) { AdvanceTo(Now() + ns, false); }
  uint64_t Now() const { return FCard->VirtualTimeNs(); }
  const std::string& LastError() const { return FError; }

private:
  enum TDrive : uint8_t { dHigh, dLow, dPulledUp, dFloating };
  int Fail(int code, const char* text);
  void UartPins();
  // Puts the pins' levels on the card's lines (one port access).
  void ApplyToCard();
  uint8_t ReadPins();
  void ClockOne();
  // Lets time run to `t`, the chip clocking what it can; with
  // `untilPacket` it stops early once a packet's worth waits for the host.
  void AdvanceTo(uint64_t t, bool untilPacket);

  std::unique_ptr<TVirtualCard> FCard;
  // The wiring as pin masks: each output line's pins and polarity, MISO's
  // pin and polarity.
  std::array<uint8_t, CardLineCount> LinePins{};
  std::array<bool, CardLineCount> LineInverted{};
  TFtdiStandInModel FModel;
  TFtdiDeviceInfo FInfo;
  size_t ToChipBytes, ToHostBytes, PacketBytes;
  std::mt19937 Random;

  TFtdiStandInState FState = TFtdiStandInState::Uart;
  bool FOpen = false, FBusy = false, FSerialOpen = false;
  std::array<TDrive, 8> Drive{};
  uint8_t Mask = 0, Latch = 0xFF;
  // The pins' levels and which of them are driven or floating, kept with
  // Drive.
  uint8_t High = 0, Driven = 0, Floating = 0;
  void DriveChanged();
  // A byte queue of fixed room (the chip's buffers).
  class TRing {
  public:
    explicit TRing(size_t room = 0) : Bytes(room) {}
    size_t size() const { return Count; }
    bool empty() const { return Count == 0; }
    void clear() { Count = 0; }
    void push_back(uint8_t b) { Bytes[(Head + Count++) % Bytes.size()] = b; }
    uint8_t pop_front() {
      const uint8_t b = Bytes[Head];
      Head = (Head + 1) % Bytes.size();
      --Count;
      return b;
    }
  private:
    std::vector<uint8_t> Bytes;
    size_t Head = 0, Count = 0;
  };
  TRing ToChip, ToHost;
  std::vector<uint8_t> Received;  // sent to the host, not yet read
  // The card's lines as last written, and its MISO while they stay so
  // (MISO moves only with the card's clock and lines).
  int CardLines = -1;
  int CardMiso = -1;
  uint64_t LastSendNs = 0;
  uint64_t FWritten = 0, FUnplugAt = UINT64_MAX;
  uint64_t FPoweredOutside = 0, FStalls = 0, FClocked = 0;
  int FFirstByte = -1;
  size_t FMostHeld = 0, FMostOutstanding = 0;
  std::string FError;
  std::vector<uint8_t>* Record = nullptr;
};

// A chip object of the stand-in bus: Open binds it to a device.
class TFtdiStandInChip final : public TFtdiChip {
public:
  explicit TFtdiStandInChip(std::vector<TFtdiStandInDevice*> devices) : Devices(std::move(devices)) {}
  ~TFtdiStandInChip() override { Close(); }
  int Open(uint16_t vendor, uint16_t product, const std::string& serial, int interfaceIndex) override;
  TFtdiChipType Type() const override;
  int SetLatencyTimer(uint8_t) override { return Device ? 0 : -3; }
  int SetBitMode(uint8_t outputMask, uint8_t mode) override;
  int SetBaudRate(int rate) override;
  int Flush() override;
  int WriteData(const uint8_t* data, int size) override;
  int ReadData(uint8_t* data, int size) override;
  int Close() override;
  std::string ErrorText() const override;
  TFtdiPace Pace(uint32_t rate) const override;
  void SleepNs(uint64_t ns) override;
  uint64_t NowNs() override;

private:
  std::vector<TFtdiStandInDevice*> Devices;
  TFtdiStandInDevice* Device = nullptr;
  std::string Error;
};

// The bus of stand-in boards: lists them as discovery would and makes
// chip objects that reach them.
class TFtdiStandInBus final : public TFtdiBus {
public:
  TFtdiStandInDevice& Add(std::unique_ptr<TFtdiStandInDevice> device);
  std::vector<TFtdiDeviceInfo> List(const std::vector<uint32_t>& ids) override;
  std::unique_ptr<TFtdiChip> NewChip() override;
  TFtdiStandInDevice& Device(size_t i) { return *Devices.at(i); }

private:
  std::vector<std::unique_ptr<TFtdiStandInDevice>> Devices;
};

// A board's usual description: FTDI's ids for the model's chip, the serial
// number, one serial port.
TFtdiDeviceInfo StandInDeviceInfo(TFtdiChipType type, const std::string& serial);
