#include "sim/FtdiStandIn.h"

#include <algorithm>
#include <iterator>

#include "link/IspLink.h"

namespace {

// The Lines:: bits of the card's output lines, in TCardLine order.
constexpr uint8_t CardBits[CardLineCount - 1] = {Lines::Vcc, Lines::Clk, Lines::Reset, Lines::Mosi,
                                                 Lines::Sck};

TVirtualCardConfig WithStateTime(TVirtualCardConfig config, uint64_t stateNs) {
  config.Timing.AccessCostNs = static_cast<uint32_t>(stateNs);
  return config;
}

}  // namespace

TFtdiDeviceInfo StandInDeviceInfo(TFtdiChipType type, const std::string& serial) {
  TFtdiDeviceInfo info;
  info.Vendor = FtdiVendorId;
  info.Product = FtdiChipFacts(type).ProductId;
  info.Serial = serial;
  info.Description = std::string(FtdiChipFacts(type).Name) + " stand-in";
  info.BusPath = "1-1";
  info.SerialPorts = {"/dev/ttyUSB0"};
  return info;
}

TFtdiStandInDevice::TFtdiStandInDevice(const TVirtualCardConfig& card,
                                       const TAdapterDefinition& wiring,
                                       const TFtdiStandInModel& model, TFtdiDeviceInfo info)
    : FCard(std::make_unique<TVirtualCard>(WithStateTime(card, model.StateNs))),
      FModel(model),
      FInfo(std::move(info)),
      Random(model.Seed) {
  // The data sheets' buffers: the FT232R takes 256 bytes from the host
  // and holds 128 for it; the FT232H 1 KiB, the FT2232H 4 KiB each way. A
  // full-speed packet carries 62 bytes, a high-speed one 510.
  switch (model.Type) {
    case TFtdiChipType::FT232H: ToChipBytes = ToHostBytes = 1024, PacketBytes = 510; break;
    case TFtdiChipType::FT2232H: ToChipBytes = ToHostBytes = 4096, PacketBytes = 510; break;
    default: ToChipBytes = 256, ToHostBytes = 128, PacketBytes = 62; break;
  }
  ToChip = TRing(ToChipBytes);
  ToHost = TRing(ToHostBytes);
  for (int line = 0; line < CardLineCount; ++line) {
    const TLineWiring& w = wiring.Lines[static_cast<size_t>(line)];
    for (const std::string& name : w.Pins)
      LinePins[static_cast<size_t>(line)] |=
          static_cast<uint8_t>(1u << FindBytePin(TAdapterKind::Ftdi, name).Bit);
    LineInverted[static_cast<size_t>(line)] = w.Inverted;
  }
  UartPins();
  ApplyToCard();
}

int TFtdiStandInDevice::Fail(int code, const char* text) {
  FError = text;
  return code;
}

bool TFtdiStandInDevice::Matches(uint16_t vendor, uint16_t product,
                                 const std::string& serial) const {
  return FInfo.Vendor == vendor && FInfo.Product == product &&
         (serial.empty() || serial == FInfo.Serial);
}

int TFtdiStandInDevice::OpenChip() {
  if (FState == TFtdiStandInState::Unplugged) return Fail(-3, "usb device not found");
  if (FBusy || FOpen)
    return Fail(-5, "unable to claim usb device. Make sure the default FTDI driver is not in use");
  FOpen = true;
  // The system's serial port goes while the program holds the board.
  FSerialOpen = false;
  if (FState == TFtdiStandInState::Uart) UartPins();
  ApplyToCard();
  return 0;
}

void TFtdiStandInDevice::Plug(bool in) {
  if (!in) {
    FState = TFtdiStandInState::Unplugged;
    FOpen = false;
    ToChip.clear();
    ToHost.clear();
    Received.clear();
    FCard->WritePort(FCard->Address(), 0);  // no supply from the bus
    CardLines = 0;
    CardMiso = -1;
    return;
  }
  if (FState != TFtdiStandInState::Unplugged) return;
  FState = TFtdiStandInState::Uart;
  FUnplugAt = UINT64_MAX;
  UartPins();
  ApplyToCard();
}

void TFtdiStandInDevice::SetSerialPortOpen(bool open) {
  FSerialOpen = open;
  if (FState == TFtdiStandInState::Uart) {
    UartPins();
    ApplyToCard();
  }
}

void TFtdiStandInDevice::UartPins() {
  for (int pin = 0; pin < 8; ++pin) Drive[static_cast<size_t>(pin)] = dPulledUp;
  Drive[0] = dHigh;                           // TXD idles high
  Drive[2] = FSerialOpen ? dLow : dHigh;      // RTS#, asserted while open
  Drive[4] = FSerialOpen ? dLow : dHigh;      // DTR#, likewise
  DriveChanged();
}

void TFtdiStandInDevice::DriveChanged() {
  High = Driven = Floating = 0;
  for (int pin = 0; pin < 8; ++pin) {
    const uint8_t bit = static_cast<uint8_t>(1u << pin);
    switch (Drive[static_cast<size_t>(pin)]) {
      case dHigh: High |= bit, Driven |= bit; break;
      case dLow: Driven |= bit; break;
      case dPulledUp: High |= bit; break;
      case dFloating: Floating |= bit; break;
    }
  }
}

void TFtdiStandInDevice::ApplyToCard() {
  // A floating pin reads either level.
  const uint8_t levels =
      static_cast<uint8_t>((High & ~Floating) | (Floating ? (Random() & Floating) : 0));
  uint8_t lines = 0;
  for (int line = 0; line < CardLineCount - 1; ++line) {
    const uint8_t pins = LinePins[static_cast<size_t>(line)];
    const uint8_t want = LineInverted[static_cast<size_t>(line)] ? 0 : pins;
    bool on = (levels & pins) == want;
    // The supply's pull resistor holds it off while no pin drives it.
    if (line == clVcc && (Driven & pins) != pins) on = false;
    if (on) lines |= CardBits[line];
  }
  if ((lines & Lines::Vcc) == Lines::Vcc &&
      (FState != TFtdiStandInState::BitBang || FFirstByte < 0))
    ++FPoweredOutside;
  if (lines != CardLines) CardMiso = -1;
  CardLines = lines;
  FCard->WritePort(FCard->Address(), lines);
}

uint8_t TFtdiStandInDevice::ReadPins() {
  uint8_t pins = static_cast<uint8_t>((High & ~Floating) | (Floating ? (Random() & Floating) : 0));
  // MISO's pin, an input, shows the card's MISO.
  const uint8_t miso = LinePins[clMiso];
  if (!(Driven & miso) && !(Floating & miso)) {
    if (CardMiso < 0) CardMiso = FCard->SampleMiso() ? 1 : 0;
    const bool level = (CardMiso != 0) != LineInverted[clMiso];
    pins = static_cast<uint8_t>(level ? pins | miso : pins & ~miso);
  }
  return pins;
}

void TFtdiStandInDevice::ClockOne() {
  // Sample first, then apply: the byte read shows the pins before this
  // byte.
  ToHost.push_back(ReadPins());
  const uint8_t byte = ToChip.pop_front();
  Latch = byte;
  // The outputs drive the byte; the inputs stay pulled up.
  for (int pin = 0; pin < 8; ++pin)
    if (Mask & (1u << pin)) Drive[static_cast<size_t>(pin)] = (byte >> pin) & 1 ? dHigh : dLow;
  High = static_cast<uint8_t>((byte & Mask) | ~Mask);
  Driven = Mask;
  Floating = 0;
  if (FFirstByte < 0) FFirstByte = byte;
  if (Record) Record->push_back(byte);
  ++FClocked;
  ApplyToCard();  // one port access: the state's time
}

void TFtdiStandInDevice::AdvanceTo(uint64_t t, bool untilPacket) {
  while (FState == TFtdiStandInState::BitBang && !ToChip.empty() && ToHost.size() < ToHostBytes &&
         Now() + FModel.StateNs <= t) {
    ClockOne();
    if (untilPacket && ToHost.size() >= PacketBytes) return;
  }
  if (Now() < t) FCard->Wait(t - Now());
}

int TFtdiStandInDevice::SetBitMode(uint8_t mask, uint8_t mode) {
  if (FState == TFtdiStandInState::Unplugged) return Fail(-2, "unable to configure bitbang mode");
  // The change: every pin lets go for a moment and may read either level.
  const TFtdiStandInState before = FState;
  FState = TFtdiStandInState::ModeChange;
  for (int glitch = 0; glitch < 3; ++glitch) {
    for (int pin = 0; pin < 8; ++pin)
      Drive[static_cast<size_t>(pin)] = (Random() % 3 == 0) ? dFloating : Drive[static_cast<size_t>(pin)];
    DriveChanged();
    ApplyToCard();
  }
  for (auto& d : Drive) d = dFloating;
  DriveChanged();
  ApplyToCard();
  ToChip.clear();
  ToHost.clear();
  Received.clear();
  if (mode == FtdiModeSyncBang) {
    if (before != TFtdiStandInState::BitBang) Latch = 0xFF;
    FState = TFtdiStandInState::BitBang;
    FFirstByte = -1;
    Mask = mask;
    for (int pin = 0; pin < 8; ++pin)
      Drive[static_cast<size_t>(pin)] =
          mask & (1u << pin) ? ((Latch >> pin) & 1 ? dHigh : dLow) : dPulledUp;
    DriveChanged();
  } else {
    FState = TFtdiStandInState::Uart;
    Mask = 0;
    UartPins();
  }
  ApplyToCard();
  return 0;
}

int TFtdiStandInDevice::SetBaudRate(int rate) {
  if (FState == TFtdiStandInState::Unplugged) return Fail(-2, "setting baudrate failed");
  const uint32_t highest = FtdiChipFacts(FModel.Type).HighestRate;
  if (rate <= 0 || static_cast<uint32_t>(rate) > highest)
    return Fail(-1, "Unsupported baudrate. Note: bitbang baudrates are automatically multiplied by 4");
  return 0;
}

int TFtdiStandInDevice::Flush() {
  if (FState == TFtdiStandInState::Unplugged) return Fail(-1, "FTDI purge of RX and TX buffer failed");
  ToChip.clear();
  ToHost.clear();
  Received.clear();
  return 0;
}

int TFtdiStandInDevice::Write(const uint8_t* data, int size) {
  // What USB's write timeout is: libftdi1's default, 5 s.
  constexpr uint64_t WriteTimeoutNs = 5'000'000'000;
  for (int i = 0; i < size;) {
    if (FState == TFtdiStandInState::Unplugged) return Fail(-666, "usb bulk write failed");
    if (FWritten >= FUnplugAt) {
      Plug(false);
      return Fail(-666, "usb bulk write failed");
    }
    if (FState != TFtdiStandInState::BitBang) {
      // UART mode: the bytes go out on TXD.
      ++FWritten;
      ++i;
      continue;
    }
    if (ToChip.size() < ToChipBytes) {
      ToChip.push_back(data[i++]);
      ++FWritten;
      FMostHeld = std::max(FMostHeld, ToChip.size() + ToHost.size());
      FMostOutstanding = std::max(FMostOutstanding, ToChip.size() + ToHost.size() + Received.size());
      continue;
    }
    if (ToHost.size() >= ToHostBytes) {
      // Both buffers full: the chip waits for the host to read, the host
      // waits for the chip to take bytes.
      ++FStalls;
      AdvanceTo(Now() + WriteTimeoutNs, false);
      return Fail(-666, "usb bulk write failed");
    }
    AdvanceTo(Now() + FModel.StateNs, false);
  }
  return size;
}

int TFtdiStandInDevice::Read(uint8_t* data, int size) {
  if (FState == TFtdiStandInState::Unplugged) return Fail(-1, "usb bulk read failed");
  // libftdi1 keeps what came in a packet and was not asked for; a read
  // takes from there first.
  if (Received.empty()) {
    if (ToHost.size() < PacketBytes) {
      // A partial packet goes when the latency timer runs out; the timer
      // restarts with every packet sent.
      uint64_t due = LastSendNs + FModel.LatencyNs;
      if (due <= Now()) {
        const uint64_t periods = (Now() - LastSendNs + FModel.LatencyNs - 1) / FModel.LatencyNs;
        due = ToHost.empty() ? LastSendNs + std::max<uint64_t>(periods, 1) * FModel.LatencyNs
                             : Now();
      }
      AdvanceTo(due, true);
    }
    // Whole packets as they filled; a partial one only at the timer.
    const size_t whole = ToHost.size() / PacketBytes * PacketBytes;
    const size_t sent = whole ? whole : ToHost.size();
    for (size_t i = 0; i < sent; ++i) Received.push_back(ToHost.pop_front());
    LastSendNs = Now();
  }
  size_t count = std::min(Received.size(), static_cast<size_t>(size));
  const double draw = std::uniform_real_distribution<double>(0, 1)(Random);
  if (draw < FModel.EmptyReads)
    count = 0;
  else if (draw < FModel.EmptyReads + FModel.ShortReads && count > 1)
    count = 1 + Random() % (count - 1);
  std::copy_n(Received.begin(), count, data);
  Received.erase(Received.begin(), Received.begin() + static_cast<std::ptrdiff_t>(count));
  return static_cast<int>(count);
}

// ---------------------------------------------------------------------------

int TFtdiStandInChip::Open(uint16_t vendor, uint16_t product, const std::string& serial, int) {
  for (TFtdiStandInDevice* device : Devices) {
    if (!device->Matches(vendor, product, serial) ||
        device->State() == TFtdiStandInState::Unplugged)
      continue;
    const int code = device->OpenChip();
    if (code < 0) {
      Error = device->LastError();
      return code;
    }
    Device = device;
    return 0;
  }
  Error = "usb device not found";
  return -3;
}

TFtdiChipType TFtdiStandInChip::Type() const {
  return Device ? Device->Model().Type : TFtdiChipType::Unknown;
}

int TFtdiStandInChip::SetBitMode(uint8_t outputMask, uint8_t mode) {
  return Device ? Device->SetBitMode(outputMask, mode) : -2;
}

int TFtdiStandInChip::SetBaudRate(int rate) { return Device ? Device->SetBaudRate(rate) : -3; }

int TFtdiStandInChip::Flush() { return Device ? Device->Flush() : -3; }

int TFtdiStandInChip::WriteData(const uint8_t* data, int size) {
  return Device ? Device->Write(data, size) : -666;
}

int TFtdiStandInChip::ReadData(uint8_t* data, int size) {
  return Device ? Device->Read(data, size) : -1;
}

int TFtdiStandInChip::Close() {
  if (Device) Device->CloseChip();
  Device = nullptr;
  return 0;
}

std::string TFtdiStandInChip::ErrorText() const { return Device ? Device->LastError() : Error; }

TFtdiPace TFtdiStandInChip::Pace(uint32_t) const {
  if (!Device) return {};
  return {Device->Model().StateNs, Device->Model().LatencyNs};
}

void TFtdiStandInChip::SleepNs(uint64_t ns) {
  if (Device) Device->Sleep(ns);
}

uint64_t TFtdiStandInChip::NowNs() { return Device ? Device->Now() : 0; }

// ---------------------------------------------------------------------------

TFtdiStandInDevice& TFtdiStandInBus::Add(std::unique_ptr<TFtdiStandInDevice> device) {
  Devices.push_back(std::move(device));
  return *Devices.back();
}

std::vector<TFtdiDeviceInfo> TFtdiStandInBus::List(const std::vector<uint32_t>& ids) {
  std::vector<TFtdiDeviceInfo> found;
  for (const auto& device : Devices) {
    if (device->State() == TFtdiStandInState::Unplugged) continue;
    const TFtdiDeviceInfo& info = device->Info();
    const uint32_t id = uint32_t{info.Vendor} << 16 | info.Product;
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) continue;
    TFtdiDeviceInfo listed = info;
    // The serial port is away while the program holds the board.
    if (device->Open()) listed.SerialPorts.clear();
    found.push_back(listed);
  }
  return found;
}

std::unique_ptr<TFtdiChip> TFtdiStandInBus::NewChip() {
  std::vector<TFtdiStandInDevice*> devices;
  for (const auto& device : Devices) devices.push_back(device.get());
  return std::make_unique<TFtdiStandInChip>(devices);
}
