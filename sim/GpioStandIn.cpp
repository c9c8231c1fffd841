#include "sim/GpioStandIn.h"

#include <linux/gpio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// The virtual card's data-register bits of each output card line.
constexpr uint8_t CardBits[CardLineCount - 1] = {0x07, 0x08, 0x10, 0x20, 0x40};
constexpr uint8_t StatusMiso = 0x40;

// The flags the kernel knows.
constexpr uint64_t ValidFlags =
    GPIO_V2_LINE_FLAG_ACTIVE_LOW | GPIO_V2_LINE_FLAG_INPUT | GPIO_V2_LINE_FLAG_OUTPUT |
    GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING |
    GPIO_V2_LINE_FLAG_OPEN_DRAIN | GPIO_V2_LINE_FLAG_OPEN_SOURCE |
    GPIO_V2_LINE_FLAG_BIAS_PULL_UP | GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN |
    GPIO_V2_LINE_FLAG_BIAS_DISABLED | GPIO_V2_LINE_FLAG_EVENT_CLOCK_REALTIME;

template <typename T, size_t N>
bool AllZero(const T (&field)[N]) {
  return std::all_of(std::begin(field), std::end(field), [](T v) { return v == 0; });
}

template <size_t N>
void CopyName(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

// The flags of request line `i`: the first FLAGS attribute naming it, else
// the request's.
uint64_t LineFlags(const gpio_v2_line_config& config, size_t i) {
  for (uint32_t a = 0; a < config.num_attrs; ++a)
    if (config.attrs[a].attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS && (config.attrs[a].mask >> i & 1))
      return config.attrs[a].attr.flags;
  return config.flags;
}

// The first level of output line `i`: the first OUTPUT_VALUES attribute
// naming it, else inactive.
bool FirstValue(const gpio_v2_line_config& config, size_t i) {
  for (uint32_t a = 0; a < config.num_attrs; ++a)
    if (config.attrs[a].attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES &&
        (config.attrs[a].mask >> i & 1))
      return (config.attrs[a].attr.values >> i & 1) != 0;
  return false;
}

bool FlagsValid(uint64_t flags) {
  if (flags & ~ValidFlags) return false;
  const bool in = flags & GPIO_V2_LINE_FLAG_INPUT, out = flags & GPIO_V2_LINE_FLAG_OUTPUT;
  if (in && out) return false;
  if ((flags & (GPIO_V2_LINE_FLAG_OPEN_DRAIN | GPIO_V2_LINE_FLAG_OPEN_SOURCE)) && !out) return false;
  if ((flags & (GPIO_V2_LINE_FLAG_EDGE_RISING | GPIO_V2_LINE_FLAG_EDGE_FALLING)) && !in) return false;
  const uint64_t bias = flags & (GPIO_V2_LINE_FLAG_BIAS_PULL_UP | GPIO_V2_LINE_FLAG_BIAS_PULL_DOWN |
                                 GPIO_V2_LINE_FLAG_BIAS_DISABLED);
  if (bias && (bias & (bias - 1))) return false;
  if (bias && !in && !out) return false;
  return true;
}

}  // namespace

TGpioStandIn::TGpioStandIn(const TVirtualCardConfig& config, uint32_t ioctlNs) {
  TVirtualCardConfig c = config;
  c.Timing.AccessCostNs = ioctlNs;
  FCard = std::make_unique<TVirtualCard>(c);
}

TGpioStandIn::~TGpioStandIn() = default;

size_t TGpioStandIn::AddChip(TStandInChip chip) {
  chip.HeldBy.resize(chip.LineNames.size());
  Chips.push_back(std::move(chip));
  return Chips.size() - 1;
}

TStandInChip TGpioStandIn::RaspberryPiChip(const std::string& path) {
  TStandInChip chip;
  chip.Path = path;
  chip.Name = "gpiochip0";
  chip.Label = "pinctrl-bcm2711";
  for (int i = 0; i < 28; ++i) chip.LineNames.push_back("GPIO" + std::to_string(i));
  for (const char* name : {"RGMII_MDIO", "RGMIO_MDC", "CTS0", "RTS0", "TXD0", "RXD0"})
    chip.LineNames.emplace_back(name);
  chip.LineNames.resize(58);
  return chip;
}

void TGpioStandIn::Wire(size_t chip, const TAdapterDefinition& adapter) {
  WiredChip = chip;
  WirePins.clear();
  const TStandInChip& c = Chips[chip];
  const auto offsetOf = [&](const std::string& pin) {
    if (!pin.empty() && std::all_of(pin.begin(), pin.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return static_cast<uint32_t>(std::stoul(pin));
    const auto at = std::find(c.LineNames.begin(), c.LineNames.end(), pin);
    return static_cast<uint32_t>(at - c.LineNames.begin());
  };
  for (int line = 0; line < CardLineCount; ++line) {
    Inverted[static_cast<size_t>(line)] = adapter.Lines[static_cast<size_t>(line)].Inverted;
    for (const std::string& pin : adapter.Lines[static_cast<size_t>(line)].Pins) {
      if (line == clMiso)
        MisoOffset = offsetOf(pin);
      else
        WirePins.push_back({offsetOf(pin), line});
    }
  }
}

void TGpioStandIn::Remove(size_t chip) {
  if (!Chips[chip].Present) return;
  Chips[chip].Present = false;
  // Its lines are nobody's now: the pulls take over.
  if (chip == WiredChip) {
    Driven.clear();
    ApplyToCard();
  }
}

void TGpioStandIn::RemoveAfter(size_t chip, uint64_t ioctls) { RemoveCountdown[chip] = ioctls; }

void TGpioStandIn::TakeOnRequest(size_t chip, uint32_t offset, std::string consumer) {
  Takes.push_back({chip, offset, std::move(consumer)});
}

bool TGpioStandIn::PulledLevel(uint32_t offset) const {
  for (const TWirePin& pin : WirePins)
    if (pin.Offset == offset) return Inverted[static_cast<size_t>(pin.CardLine)];
  return false;
}

bool TGpioStandIn::PinLevel(uint32_t offset) const {
  const auto at = Driven.find(offset);
  return at != Driven.end() ? at->second : PulledLevel(offset);
}

uint8_t TGpioStandIn::CardLines() const {
  uint8_t lines = 0;
  for (int line = 0; line < CardLineCount - 1; ++line) {
    bool on = false, off = false;
    for (const TWirePin& pin : WirePins)
      if (pin.CardLine == line)
        (PinLevel(pin.Offset) != Inverted[static_cast<size_t>(line)] ? on : off) = true;
    if (on && !off) lines |= CardBits[line];
  }
  return lines;
}

void TGpioStandIn::ApplyToCard() { FCard->WritePort(FCard->Address(), CardLines()); }

int TGpioStandIn::Open(const std::string& path) {
  for (const TStandInChip& chip : Chips) {
    if (chip.Path != path || !chip.Present) continue;
    if (chip.OpenError) return -chip.OpenError;
    TDescriptor d;
    d.Chip = static_cast<size_t>(&chip - Chips.data());
    Fds[NextFd] = d;
    return NextFd++;
  }
  return -ENOENT;
}

std::string TGpioStandIn::Group(const std::string& path) {
  for (const TStandInChip& chip : Chips)
    if (chip.Path == path) return chip.Group;
  return "";
}

void TGpioStandIn::Close(int fd) {
  const auto at = Fds.find(fd);
  if (at == Fds.end()) return;
  if (at->second.IsRequest) Release(at->second.Request);
  Fds.erase(at);
}

void TGpioStandIn::Release(const TRequest& request) {
  TStandInChip& chip = Chips[request.Chip];
  if (request.Chip == WiredChip && chip.Present) {
    if (CardLines() != 0) ++FHotReleases;
    for (uint32_t offset : request.Offsets) Driven.erase(offset);
    ApplyToCard();
  }
  for (uint32_t offset : request.Offsets) chip.HeldBy[offset].clear();
}

int TGpioStandIn::Ioctl(int fd, unsigned long request, void* arg) {
  ++FIoctls;
  const auto at = Fds.find(fd);
  if (at == Fds.end()) return -EBADF;
  TDescriptor& d = at->second;
  if (const auto countdown = RemoveCountdown.find(d.Chip); countdown != RemoveCountdown.end()) {
    if (countdown->second == 0) {
      RemoveCountdown.erase(countdown);
      Remove(d.Chip);
    } else {
      --countdown->second;
    }
  }
  TStandInChip& chip = Chips[d.Chip];
  if (!chip.Present) return -ENODEV;
  if (d.IsRequest) return RequestIoctl(d.Request, request, arg);
  FCard->Wait(FCard->Timing().AccessCostNs);
  return ChipIoctl(chip, d.Chip, request, arg);
}

int TGpioStandIn::ChipIoctl(TStandInChip& chip, size_t index, unsigned long request, void* arg) {
  switch (request) {
    case GPIO_GET_CHIPINFO_IOCTL: {
      auto* info = static_cast<gpiochip_info*>(arg);
      CopyName(info->name, chip.Name);
      CopyName(info->label, chip.Label);
      info->lines = static_cast<uint32_t>(chip.LineNames.size());
      return 0;
    }
    case GPIO_V2_GET_LINEINFO_IOCTL: {
      auto* info = static_cast<gpio_v2_line_info*>(arg);
      const uint32_t offset = info->offset;
      if (offset >= chip.LineNames.size() || !AllZero(info->padding)) return -EINVAL;
      std::memset(info, 0, sizeof *info);
      info->offset = offset;
      CopyName(info->name, chip.LineNames[offset]);
      const std::string& holder = chip.HeldBy[offset];
      info->flags = GPIO_V2_LINE_FLAG_INPUT;
      if (!holder.empty()) {
        CopyName(info->consumer, holder);
        info->flags |= GPIO_V2_LINE_FLAG_USED;
        // A line a request holds as an output says so.
        for (const auto& [fd, d] : Fds) {
          if (!d.IsRequest || d.Request.Chip != index) continue;
          for (size_t i = 0; i < d.Request.Offsets.size(); ++i)
            if (d.Request.Offsets[i] == offset && d.Request.Output[i])
              info->flags = GPIO_V2_LINE_FLAG_USED | GPIO_V2_LINE_FLAG_OUTPUT;
        }
      }
      return 0;
    }
    case GPIO_V2_GET_LINE_IOCTL: return RequestLines(chip, index, arg);
    default: return -EINVAL;
  }
}

int TGpioStandIn::RequestLines(TStandInChip& chip, size_t index, void* arg) {
  auto* r = static_cast<gpio_v2_line_request*>(arg);
  for (auto it = Takes.begin(); it != Takes.end();) {
    if (it->Chip == index) {
      chip.HeldBy[it->Offset] = it->Consumer;
      it = Takes.erase(it);
    } else {
      ++it;
    }
  }
  const gpio_v2_line_config& config = r->config;
  if (r->num_lines == 0 || r->num_lines > GPIO_V2_LINES_MAX || !AllZero(r->padding) ||
      config.num_attrs > GPIO_V2_LINE_NUM_ATTRS_MAX || !AllZero(config.padding))
    return -EINVAL;
  TRequest request;
  request.Chip = index;
  for (size_t i = 0; i < r->num_lines; ++i) {
    const uint64_t flags = LineFlags(config, i);
    if (!FlagsValid(flags) || r->offsets[i] >= chip.LineNames.size()) return -EINVAL;
    request.Offsets.push_back(r->offsets[i]);
    request.Output.push_back((flags & GPIO_V2_LINE_FLAG_OUTPUT) != 0);
    request.Level.push_back(request.Output.back() && FirstValue(config, i));
  }
  // Each line is taken in turn; one held already (by another user, or
  // twice in this request) fails the whole request.
  std::vector<uint32_t> taken;
  for (uint32_t offset : request.Offsets) {
    if (!chip.HeldBy[offset].empty() ||
        std::find(taken.begin(), taken.end(), offset) != taken.end())
      return -EBUSY;
    taken.push_back(offset);
  }
  const std::string consumer(r->consumer, strnlen(r->consumer, sizeof r->consumer));
  for (uint32_t offset : request.Offsets) chip.HeldBy[offset] = consumer.empty() ? "?" : consumer;
  ++FRequests;
  if (index == WiredChip) {
    for (size_t i = 0; i < request.Offsets.size(); ++i) {
      if (!request.Output[i]) continue;
      const bool level = request.Level[i];
      if (level != PulledLevel(request.Offsets[i])) ++FHotRequests;
      Driven[request.Offsets[i]] = level;
    }
    ApplyToCard();
  }
  TDescriptor d;
  d.Chip = index;
  d.IsRequest = true;
  d.Request = std::move(request);
  Fds[NextFd] = std::move(d);
  r->fd = NextFd++;
  return 0;
}

int TGpioStandIn::RequestIoctl(TRequest& request, unsigned long code, void* arg) {
  auto* values = static_cast<gpio_v2_line_values*>(arg);
  const bool wired = request.Chip == WiredChip;
  switch (code) {
    case GPIO_V2_LINE_SET_VALUES_IOCTL: {
      ++FSets;
      int set = 0;
      for (size_t i = 0; i < request.Offsets.size(); ++i) {
        if (!(values->mask >> i & 1)) continue;
        if (!request.Output[i]) return -EPERM;
        ++set;
      }
      if (set == 0) return -EINVAL;
      bool redundant = false;
      for (size_t i = 0; i < request.Offsets.size(); ++i) {
        if (!(values->mask >> i & 1)) continue;
        const bool level = (values->bits >> i & 1) != 0;
        redundant = redundant || level == request.Level[i];
        request.Level[i] = level;
        if (wired) Driven[request.Offsets[i]] = request.Level[i];
      }
      if (redundant) ++FRedundantSets;
      if (wired)
        ApplyToCard();
      else
        FCard->Wait(FCard->Timing().AccessCostNs);
      return 0;
    }
    case GPIO_V2_LINE_GET_VALUES_IOCTL: {
      ++FGets;
      uint64_t bits = 0;
      int got = 0;
      bool readCard = false;
      for (size_t i = 0; i < request.Offsets.size(); ++i) {
        if (!(values->mask >> i & 1)) continue;
        ++got;
        const uint32_t offset = request.Offsets[i];
        bool level = request.Output[i] && request.Level[i];
        if (wired && !request.Output[i] && offset == MisoOffset) {
          const bool miso = (FCard->ReadPort(static_cast<uint16_t>(FCard->Address() + 1)) & StatusMiso) != 0;
          level = miso != Inverted[clMiso];
          readCard = true;
        }
        if (level) bits |= uint64_t{1} << i;
      }
      if (got == 0) return -EINVAL;
      if (!readCard) FCard->Wait(FCard->Timing().AccessCostNs);
      values->bits = bits;
      return 0;
    }
    default: FCard->Wait(FCard->Timing().AccessCostNs); return -EINVAL;
  }
}
