#pragma once
// An adapter as data: what kind of hardware reaches the card (a parallel
// port, an FTDI chip in synchronous bit-bang mode, a Linux GPIO chip, the
// virtual card) and which of its pins carry the six card lines, each with
// its polarity. The card routines only ever speak of the six lines (the
// Lines:: bits of the bit link); an adapter's line map turns a line state
// into the levels of its pins, and its MISO pin back into the card's
// MISO.
//
// Every card line is low and VCC is off in the adapter's off state, so
// that no pin feeds the card through its inputs while its supply is off.
// An inverted line (a transistor that switches the card's supply on with a
// low pin, say) is high on the card while its pins are low; the off state
// then drives those pins high.
//
// Definitions are built in (BuiltInAdapters) or read from the user's
// adapter file (AdapterFile.h).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TAdapterKind { Parallel, Ftdi, Gpio, VirtualCard };

// The kind's name in the adapter file and in messages ("parallel", "ftdi",
// "gpio", "virtual").
const char* AdapterKindName(TAdapterKind kind);
std::optional<TAdapterKind> AdapterKindByName(std::string_view name);

// The six card lines, in the order of the adapter file's entries.
enum TCardLine { clVcc, clClk, clReset, clMosi, clSck, clMiso };
inline constexpr int CardLineCount = 6;
inline constexpr std::array<const char*, CardLineCount> CardLineNames{"VCC",  "CLK", "RESET",
                                                                      "MOSI", "SCK", "MISO"};

// The pins of one card line: several pins switched together (as VCC is on
// the parallel port) or one; MISO is always one pin.
struct TLineWiring {
  // Pin names as the kind spells them: parallel "D0".."D7" (data
  // register) and, for MISO, "S3".."S7" (status register); FTDI "D0".."D7"
  // (the bit-bang byte; FT232R names such as "TXD" or "CTS" too); GPIO a
  // line name the chip publishes ("GPIO17") or a line offset ("17").
  std::vector<std::string> Pins;
  // The card line is high while its pins are low.
  bool Inverted = false;
};

struct TAdapterDefinition {
  std::string Name;
  TAdapterKind Kind = TAdapterKind::Parallel;
  std::array<TLineWiring, CardLineCount> Lines;

  // FTDI: the USB ids the adapter is found by (0: the kind's FT232R,
  // FT232H and FT2232H ids), the chip's interface (0 = A), and the
  // bit-bang rate in states per second (0: the chip's highest).
  uint16_t UsbVendor = 0;
  uint16_t UsbProduct = 0;
  int Interface = 0;
  uint32_t BitRate = 0;
  // GPIO: the chip, by device path, name or label; empty: every chip that
  // carries all the lines.
  std::string Chip;

  // Where the definition was read (file and line of its section); empty
  // for a built-in one. EntryLines: the line of each card line's entry.
  std::string File;
  int Line = 0;
  std::array<int, CardLineCount> EntryLines{};
};

// A pin of a kind whose pins are bits of a byte (parallel, FTDI).
struct TBytePin {
  int Bit = -1;
  bool Output = false;      // parallel: a data bit; FTDI: any pin
  bool Input = false;       // parallel: a status bit; FTDI: any pin
  bool HardInverted = false;  // parallel S7 (BUSY): the port reads it inverted
};
// The pin `name` of `kind` (case-insensitive), or Bit -1 when the kind has
// no such pin. GPIO pins are not bits of a byte: always Bit -1.
TBytePin FindBytePin(TAdapterKind kind, std::string_view name);

// A GPIO pin as the "used twice" checks compare it: a name in upper case,
// an offset without leading zeros ("GPIO17" and "gpio17" are one pin, and
// so are "017" and "17"; a name and an offset only the chip can tell).
std::string GpioPinKey(std::string_view pin);

// The line map of a kind whose pins are bits of a byte, ready for the hot
// path: the pin byte of every line state (a Lines:: byte), and where MISO
// comes in.
struct TByteLineMap {
  std::array<uint8_t, 256> Out{};  // Out[lines]: the pins' byte
  uint8_t OutputMask = 0;          // the pins the lines drive
  uint8_t MisoMask = 0;            // the pin MISO is read on
  bool MisoInverted = false;       // MISO is high while that pin reads low
  bool Identity = false;           // Out[x] == x for every state the link writes
  uint8_t OffState() const { return Out[0]; }
  bool Miso(uint8_t pins) const { return ((pins & MisoMask) != 0) != MisoInverted; }
};
// Compiles a parallel or FTDI definition; the definition must be valid
// (CheckAdapterDefinition gave no error).
TByteLineMap CompileByteLineMap(const TAdapterDefinition& adapter);

// What is wrong with a definition: "" when it can be used, else one
// sentence naming the line or pin ("MISO is missing", "pin D3 is used by
// CLK and SCK", "unknown pin \"D9\" for SCK"). Checks every line is
// there, every pin exists for the kind and its direction, no pin is used
// twice, MISO is one pin.
std::string CheckAdapterDefinition(const TAdapterDefinition& adapter);

// Warnings about a usable definition: an FTDI adapter whose VCC is on
// while its pin is high (the pins idle high whenever the program does not
// hold the chip, so such a card would be powered then), or whose VCC pin
// is an output of the board's serial port (TXD, RTS, DTR: a program that
// opens the port drives them).
std::vector<std::string> AdapterWarnings(const TAdapterDefinition& adapter);

// The built-in adapters: the passive parallel-port adapter (data bits 0-2
// VCC, 3 CLK, 4 RESET, 5 MOSI, 6 SCK, status bit 6 MISO), first; then the
// FT232R breakout: CLK on TXD (D0), MOSI on RXD (D1), RESET on RTS (D2),
// MISO on CTS (D3), SCK on DTR (D4), and the card's supply switched on by
// a low DCD (D6) through a transistor, held off by a pull resistor.
// Raspberry Pi header (GPIO: VCC !GPIO17, CLK GPIO27, RESET GPIO22, MOSI
// GPIO23, SCK GPIO24, MISO GPIO25).
const std::vector<TAdapterDefinition>& BuiltInAdapters();
const TAdapterDefinition& PassiveParallelAdapter();
const TAdapterDefinition& FtdiBreakoutAdapter();
