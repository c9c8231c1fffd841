#pragma once
// A stand-in for the kernel's GPIO character device, at the level the GPIO
// adapter reaches it (TGpioDevice: open, ioctl, close), for tests and
// benchmarks. It answers GPIO_GET_CHIPINFO_IOCTL,
// GPIO_V2_GET_LINEINFO_IOCTL, GPIO_V2_GET_LINE_IOCTL,
// GPIO_V2_LINE_SET_VALUES_IOCTL and GPIO_V2_LINE_GET_VALUES_IOCTL with the
// structures of <linux/gpio.h>, checks their arguments as the kernel does
// (zero padding, line counts and offsets, flags, a value set on an input
// line) and fails with the kernel's error codes: ENOENT for a chip that is
// not there, EACCES for one the user may not open, EBUSY for a line
// another user holds, ENODEV on every descriptor of a chip that has gone.
//
// A virtual card hangs on one chip's lines through an adapter's wiring
// (Wire): every GPIO_V2_LINE_SET_VALUES_IOCTL writes the card's data lines
// from the pins' levels (one port access of the card), a
// GPIO_V2_LINE_GET_VALUES_IOCTL that reads MISO reads the card's status
// (one port access); the card's access time is the time of one ioctl, and
// every other ioctl lets that time pass too. The device's clock is the
// card's virtual time.
//
// Line levels are physical: GPIO_V2_LINE_FLAG_ACTIVE_LOW is accepted but
// not modelled (the adapter never asks for it).
//
// A line no request holds is uncontrolled; the wiring's pull resistors
// then hold the card's lines off (a pin of an inverted line high, any
// other low), as the wiring in the user guide does.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/AdapterDefinition.h"
#include "link/GpioDevice.h"
#include "sim/VirtualCard.h"

struct TStandInChip {
  std::string Path;  // the node, for example <root>/dev/gpiochip0
  std::string Name;  // the kernel's name, "gpiochip0"
  std::string Label;
  std::vector<std::string> LineNames;
  // Per line: the consumer of another user that holds it ("" free).
  std::vector<std::string> HeldBy;
  int OpenError = 0;  // errno that open gives (EACCES), 0: none
  std::string Group = "gpio";  // the group that owns the node
  bool Present = true;
};

class TGpioStandIn final : public TGpioDevice {
public:
  // A card of `config` whose port accesses, and every ioctl, take
  // `ioctlNs` of virtual time.
  TGpioStandIn(const TVirtualCardConfig& config, uint32_t ioctlNs);
  ~TGpioStandIn() override;

  // A chip; returns its index. HeldBy is sized to the lines.
  size_t AddChip(TStandInChip chip);
  // A Raspberry Pi 4's header chip at `path`: gpiochip0 (pinctrl-bcm2711),
  // 58 lines, GPIO0 to GPIO27 named as on the board, a few more named,
  // the rest unnamed.
  static TStandInChip RaspberryPiChip(const std::string& path);

  // Hangs the card on chip `chip` through the adapter's pins (names or
  // offsets of that chip, as the adapter file gives them).
  void Wire(size_t chip, const TAdapterDefinition& adapter);

  TStandInChip& Chip(size_t chip) { return Chips[chip]; }
  // The chip goes (unplugged): its node is gone and every ioctl on its
  // descriptors fails with ENODEV; its lines are uncontrolled.
  void Remove(size_t chip);
  // The chip goes when `ioctls` more ioctls have been made on it.
  void RemoveAfter(size_t chip, uint64_t ioctls);
  // Another program takes line `offset` between the adapter's reading of
  // the line info and its request.
  void TakeOnRequest(size_t chip, uint32_t offset, std::string consumer);

  TVirtualCard& Card() { return *FCard; }
  uint64_t Ioctls() const { return FIoctls; }
  uint64_t SetValuesCalls() const { return FSets; }
  uint64_t GetValuesCalls() const { return FGets; }
  uint64_t LineRequests() const { return FRequests; }
  size_t OpenDescriptors() const { return Fds.size(); }
  // Requests released while a card line was still on (the card not
  // switched off first); 0 for a sound adapter.
  uint64_t ReleasesWithCardOn() const { return FHotReleases; }
  // Requests made with an output's first level other than its off level.
  uint64_t RequestsNotOff() const { return FHotRequests; }
  // GPIO_V2_LINE_SET_VALUES_IOCTL calls whose mask held a line that kept
  // its level.
  uint64_t RedundantSets() const { return FRedundantSets; }

  int Open(const std::string& path) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void Close(int fd) override;
  std::string Group(const std::string& path) override;
  void Sleep(uint32_t ms) override { FCard->Sleep(ms); }
  uint32_t TickCount() override { return FCard->TickCount(); }
  uint64_t NowNs() override { return FCard->VirtualTimeNs(); }

private:
  struct TRequest {
    size_t Chip = 0;
    std::vector<uint32_t> Offsets;
    // Bit i: request line i. Outputs, their levels set last, all lines.
    uint64_t Outputs = 0, Levels = 0, All = 0;
    int Miso = -1;  // the request line that is the card's MISO, if any
  };
  struct TDescriptor {
    size_t Chip = 0;
    bool IsRequest = false;
    TRequest Request;
  };
  struct TWirePin {
    uint32_t Offset = 0;
    int CardLine = 0;
  };

  int ChipIoctl(TStandInChip& chip, size_t index, unsigned long request, void* arg);
  int RequestLines(TStandInChip& chip, size_t index, void* arg);
  int RequestIoctl(TRequest& request, unsigned long code, void* arg);
  void Release(const TRequest& request);
  // The card's data lines from the pins' levels.
  uint8_t CardLines() const;
  void ApplyToCard();
  bool PulledLevel(uint32_t offset) const;

  std::unique_ptr<TVirtualCard> FCard;
  std::vector<TStandInChip> Chips;
  std::map<int, TDescriptor> Fds;
  int NextFd = 100;
  // The descriptor of the last ioctl: the hot path's lookup.
  int CachedFd = -1;
  TDescriptor* Cached = nullptr;

  // The wiring to the card.
  size_t WiredChip = SIZE_MAX;
  std::vector<TWirePin> WirePins;
  std::array<bool, CardLineCount> Inverted{};
  uint32_t MisoOffset = 0;
  // Per line of the wired chip: the level a request drives (0 or 1), or
  // -1 while no request holds it as an output.
  std::vector<int8_t> Driven;

  std::map<size_t, uint64_t> RemoveCountdown;
  struct TTake {
    size_t Chip;
    uint32_t Offset;
    std::string Consumer;
  };
  std::vector<TTake> Takes;

  uint64_t FIoctls = 0, FSets = 0, FGets = 0, FRequests = 0;
  uint64_t FHotReleases = 0, FHotRequests = 0, FRedundantSets = 0;
};
