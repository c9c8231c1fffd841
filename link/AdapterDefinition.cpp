#include "link/AdapterDefinition.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "link/IspLink.h"

namespace {

struct TKindName {
  TAdapterKind Kind;
  const char* Name;
};
constexpr TKindName KindNames[] = {{TAdapterKind::Parallel, "parallel"},
                                   {TAdapterKind::Ftdi, "ftdi"},
                                   {TAdapterKind::Gpio, "gpio"},
                                   {TAdapterKind::VirtualCard, "virtual"}};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

struct TNamedPin {
  const char* Name;
  TBytePin Pin;
};

// The parallel port: the data register's bits drive, the status
// register's bits 3-7 come in (bit 7, BUSY, inverted by the port).
constexpr TNamedPin ParallelPins[] = {
    {"D0", {0, true, false, false}},   {"D1", {1, true, false, false}},
    {"D2", {2, true, false, false}},   {"D3", {3, true, false, false}},
    {"D4", {4, true, false, false}},   {"D5", {5, true, false, false}},
    {"D6", {6, true, false, false}},   {"D7", {7, true, false, false}},
    {"S3", {3, false, true, false}},   {"S4", {4, false, true, false}},
    {"S5", {5, false, true, false}},   {"S6", {6, false, true, false}},
    {"S7", {7, false, true, true}},    {"ERROR", {3, false, true, false}},
    {"SELECT", {4, false, true, false}}, {"PAPEROUT", {5, false, true, false}},
    {"ACK", {6, false, true, false}},  {"BUSY", {7, false, true, true}},
};

// An FTDI chip in bit-bang mode: eight pins, each an output or an input as
// the direction mask says. The FT232R's pads carry the UART names, the
// FT232H's and FT2232H's the ADBUS names.
constexpr TNamedPin FtdiPins[] = {
    {"D0", {0, true, true, false}},  {"D1", {1, true, true, false}},
    {"D2", {2, true, true, false}},  {"D3", {3, true, true, false}},
    {"D4", {4, true, true, false}},  {"D5", {5, true, true, false}},
    {"D6", {6, true, true, false}},  {"D7", {7, true, true, false}},
    {"TXD", {0, true, true, false}}, {"RXD", {1, true, true, false}},
    {"RTS", {2, true, true, false}}, {"CTS", {3, true, true, false}},
    {"DTR", {4, true, true, false}}, {"DSR", {5, true, true, false}},
    {"DCD", {6, true, true, false}}, {"RI", {7, true, true, false}},
    {"AD0", {0, true, true, false}}, {"AD1", {1, true, true, false}},
    {"AD2", {2, true, true, false}}, {"AD3", {3, true, true, false}},
    {"AD4", {4, true, true, false}}, {"AD5", {5, true, true, false}},
    {"AD6", {6, true, true, false}}, {"AD7", {7, true, true, false}},
};

// The Lines:: bits of each output line of the bit link (VCC is three).
constexpr uint8_t LineBits[CardLineCount - 1] = {Lines::Vcc, Lines::Clk, Lines::Reset, Lines::Mosi,
                                                 Lines::Sck};

bool ByteKind(TAdapterKind kind) { return kind != TAdapterKind::Gpio; }

// A pin's identity for the "used twice" check: its bit for byte kinds
// (so "D0" and "TXD" are one pin), its name otherwise.
std::string PinKey(TAdapterKind kind, const std::string& name, bool input) {
  if (!ByteKind(kind)) return GpioPinKey(name);
  const TBytePin pin = FindBytePin(kind, name);
  // On the parallel port a data bit and a status bit of the same number
  // are two pins.
  const char* reg = kind == TAdapterKind::Ftdi ? "" : (input ? "S" : "D");
  return reg + std::to_string(pin.Bit);
}

}  // namespace

const char* AdapterKindName(TAdapterKind kind) {
  for (const TKindName& k : KindNames)
    if (k.Kind == kind) return k.Name;
  return "";
}

std::optional<TAdapterKind> AdapterKindByName(std::string_view name) {
  for (const TKindName& k : KindNames)
    if (SameName(name, k.Name)) return k.Kind;
  return std::nullopt;
}

std::string GpioPinKey(std::string_view pin) {
  const bool offset = !pin.empty() && std::all_of(pin.begin(), pin.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
  if (offset) {
    while (pin.size() > 1 && pin.front() == '0') pin.remove_prefix(1);
    return "#" + std::string(pin);
  }
  std::string key(pin);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

TBytePin FindBytePin(TAdapterKind kind, std::string_view name) {
  switch (kind) {
    case TAdapterKind::Parallel:
    case TAdapterKind::VirtualCard:
      for (const TNamedPin& p : ParallelPins)
        if (SameName(name, p.Name)) return p.Pin;
      break;
    case TAdapterKind::Ftdi:
      for (const TNamedPin& p : FtdiPins)
        if (SameName(name, p.Name)) return p.Pin;
      break;
    case TAdapterKind::Gpio:
      break;
  }
  return {};
}

std::string CheckAdapterDefinition(const TAdapterDefinition& adapter) {
  std::map<std::string, int> used;  // pin -> line
  for (int line = 0; line < CardLineCount; ++line) {
    const TLineWiring& wiring = adapter.Lines[static_cast<size_t>(line)];
    const std::string lineName = CardLineNames[static_cast<size_t>(line)];
    const bool input = line == clMiso;
    if (wiring.Pins.empty()) return lineName + " is missing";
    if (input && wiring.Pins.size() > 1) return "MISO must be one pin";
    for (const std::string& pin : wiring.Pins) {
      if (pin.empty()) return "an empty pin name for " + lineName;
      if (ByteKind(adapter.Kind)) {
        const TBytePin p = FindBytePin(adapter.Kind, pin);
        if (p.Bit < 0) return "unknown pin \"" + pin + "\" for " + lineName;
        if (input ? !p.Input : !p.Output)
          return "pin " + pin + " cannot be " + (input ? "read" : "driven") + " for " + lineName;
      }
      const auto [at, fresh] = used.emplace(PinKey(adapter.Kind, pin, input), line);
      if (!fresh) {
        const std::string other = CardLineNames[static_cast<size_t>(at->second)];
        return other == lineName ? "pin " + pin + " is named twice for " + lineName
                                 : "pin " + pin + " is used by " + other + " and " + lineName;
      }
    }
  }
  return "";
}

std::vector<std::string> AdapterWarnings(const TAdapterDefinition& adapter) {
  std::vector<std::string> warnings;
  if (adapter.Kind != TAdapterKind::Ftdi) return warnings;
  const TLineWiring& vcc = adapter.Lines[clVcc];
  if (!vcc.Inverted)
    warnings.push_back(
        "VCC is switched on by a high pin. An FTDI chip's pins are high whenever the program "
        "does not hold it (plugged in, after it is closed, while its mode changes), so the card "
        "would be powered then: switch the card's supply with a low pin (for example "
        "VCC = !D6) and a pull resistor that holds it off.");
  // TXD, RTS and DTR are outputs in UART mode: a program that opens the
  // board's serial port drives RTS and DTR low, and TXD sends data.
  for (const std::string& pin : vcc.Pins) {
    const int bit = FindBytePin(adapter.Kind, pin).Bit;
    if (vcc.Inverted && (bit == 0 || bit == 2 || bit == 4))
      warnings.push_back("VCC is on " + std::string(bit == 0 ? "TXD" : bit == 2 ? "RTS" : "DTR") +
                         " (D" + std::to_string(bit) +
                         "), an output of the board's serial port: a program that opens "
                         "that port while the program does not hold the board drives it low "
                         "and would power the card. Use one of RXD, CTS, DSR, DCD or RI "
                         "(D1, D3, D5, D6, D7).");
  }
  return warnings;
}

TByteLineMap CompileByteLineMap(const TAdapterDefinition& adapter) {
  TByteLineMap map;
  std::array<uint8_t, CardLineCount - 1> pins{};  // per output line
  for (int line = 0; line < CardLineCount - 1; ++line)
    for (const std::string& name : adapter.Lines[static_cast<size_t>(line)].Pins)
      pins[static_cast<size_t>(line)] |= static_cast<uint8_t>(1u << FindBytePin(adapter.Kind, name).Bit);
  for (uint8_t p : pins) map.OutputMask |= p;
  for (int state = 0; state < 256; ++state) {
    uint8_t out = 0;
    for (int line = 0; line < CardLineCount - 1; ++line) {
      const uint8_t bits = LineBits[line];
      const bool on = (state & bits) == bits;
      if (on != adapter.Lines[static_cast<size_t>(line)].Inverted) out |= pins[static_cast<size_t>(line)];
    }
    map.Out[static_cast<size_t>(state)] = out;
  }
  const TLineWiring& miso = adapter.Lines[clMiso];
  const TBytePin misoPin = FindBytePin(adapter.Kind, miso.Pins.front());
  map.MisoMask = static_cast<uint8_t>(1u << misoPin.Bit);
  map.MisoInverted = miso.Inverted != misoPin.HardInverted;
  // The link writes VCC's three bits together and never bit 7.
  map.Identity = true;
  for (int state = 0; state < 0x80; ++state)
    if ((state & Lines::Vcc) == 0 || (state & Lines::Vcc) == Lines::Vcc)
      map.Identity = map.Identity && map.Out[static_cast<size_t>(state)] == state;
  map.Identity = map.Identity && map.MisoMask == 0x40 && !map.MisoInverted;
  return map;
}

const std::vector<TAdapterDefinition>& BuiltInAdapters() {
  static const std::vector<TAdapterDefinition> adapters = [] {
    std::vector<TAdapterDefinition> list;
    TAdapterDefinition parallel;
    parallel.Name = "Passive parallel-port adapter";
    parallel.Kind = TAdapterKind::Parallel;
    parallel.Lines[clVcc].Pins = {"D0", "D1", "D2"};
    parallel.Lines[clClk].Pins = {"D3"};
    parallel.Lines[clReset].Pins = {"D4"};
    parallel.Lines[clMosi].Pins = {"D5"};
    parallel.Lines[clSck].Pins = {"D6"};
    parallel.Lines[clMiso].Pins = {"S6"};
    list.push_back(parallel);
    // The FT232R breakout (docs/USER_GUIDE.md has its wiring picture).
    // The supply is on a pin that is an input in UART mode, switched on by
    // a low level through a transistor; the outputs of UART mode (TXD,
    // RTS, DTR) drive CLK, RESET and SCK, which an unpowered card ignores.
    TAdapterDefinition ftdi;
    ftdi.Name = "FT232R breakout";
    ftdi.Kind = TAdapterKind::Ftdi;
    ftdi.Lines[clVcc] = {{"DCD"}, true};
    ftdi.Lines[clClk].Pins = {"TXD"};
    ftdi.Lines[clMosi].Pins = {"RXD"};
    ftdi.Lines[clReset].Pins = {"RTS"};
    ftdi.Lines[clMiso].Pins = {"CTS"};
    ftdi.Lines[clSck].Pins = {"DTR"};
    list.push_back(ftdi);
    // A Raspberry Pi's 40-pin header (the kernel's line names, the same on
    // every model): header pins 11, 13, 15, 16, 18 and 22, free of the
    // I2C, SPI and UART functions. The card's supply is switched by a
    // transistor that conducts while GPIO17 is low; a pull-up holds it off
    // whenever no program drives the pin.
    TAdapterDefinition pi;
    pi.Name = "Raspberry Pi header";
    pi.Kind = TAdapterKind::Gpio;
    pi.Lines[clVcc] = {{"GPIO17"}, true};
    pi.Lines[clClk].Pins = {"GPIO27"};
    pi.Lines[clReset].Pins = {"GPIO22"};
    pi.Lines[clMosi].Pins = {"GPIO23"};
    pi.Lines[clSck].Pins = {"GPIO24"};
    pi.Lines[clMiso].Pins = {"GPIO25"};
    list.push_back(pi);
    return list;
  }();
  return adapters;
}

const TAdapterDefinition& PassiveParallelAdapter() { return BuiltInAdapters().front(); }

const TAdapterDefinition& FtdiBreakoutAdapter() { return BuiltInAdapters()[1]; }
