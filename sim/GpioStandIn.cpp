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
  Driven.assign(Chips[chip].LineNames.size(), -1);
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
    std::fill(Driven.begin(), Driven.end(), int8_t{-1});
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

uint8_t TGpioStandIn::CardLines() const {
  // Per card line: whether a pin says on, whether one says off. A pin no
  // request drives is pulled to its line's off level.
  uint8_t on = 0, off = 0;
  const TWirePin* pins = WirePins.data();
  const int8_t* driven = Driven.data();
  for (size_t i = 0, n = WirePins.size(); i < n; ++i) {
    const auto line = static_cast<size_t>(pins[i].CardLine);
    const int8_t level = pins[i].Offset < Driven.size() ? driven[pins[i].Offset] : int8_t{-1};
    const bool pulledOff = level < 0;
    const bool lineOn = !pulledOff && (level != 0) != Inverted[line];
    (lineOn ? on : off) |= static_cast<uint8_t>(1u << line);
  }
  uint8_t lines = 0;
  for (size_t line = 0; line < CardLineCount - 1; ++line)
    if ((on >> line & 1) && !(off >> line & 1)) lines |= CardBits[line];
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
  if (fd == CachedFd) CachedFd = -1;
  if (at->second.IsRequest) Release(at->second.Request);
  Fds.erase(at);
}

void TGpioStandIn::Release(const TRequest& request) {
  TStandInChip& chip = Chips[request.Chip];
  if (request.Chip == WiredChip && chip.Present) {
    if (CardLines() != 0) ++FHotReleases;
    for (uint32_t offset : request.Offsets) Driven[offset] = -1;
    ApplyToCard();
  }
  for (uint32_t offset : request.Offsets) chip.HeldBy[offset].clear();
}

int TGpioStandIn::Ioctl(int fd, unsigned long request, void* arg) {
  ++FIoctls;
  if (fd != CachedFd) {
    const auto at = Fds.find(fd);
    if (at == Fds.end()) return -EBADF;
    CachedFd = fd;
    Cached = &at->second;
  }
  TDescriptor& d = *Cached;
  if (const auto countdown = RemoveCountdown.empty() ? RemoveCountdown.end()
                                                     : RemoveCountdown.find(d.Chip);
      countdown != RemoveCountdown.end()) {
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
            if (d.Request.Offsets[i] == offset && (d.Request.Outputs >> i & 1))
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
    const uint64_t bit = uint64_t{1} << i;
    request.All |= bit;
    if (flags & GPIO_V2_LINE_FLAG_OUTPUT) {
      request.Outputs |= bit;
      if (FirstValue(config, i)) request.Levels |= bit;
    } else if (index == WiredChip && r->offsets[i] == MisoOffset) {
      request.Miso = static_cast<int>(i);
    }
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
      if (!(request.Outputs >> i & 1)) continue;
      const bool level = (request.Levels >> i & 1) != 0;
      if (level != PulledLevel(request.Offsets[i])) ++FHotRequests;
      Driven[request.Offsets[i]] = level ? 1 : 0;
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
  // Only the mask's bits of requested lines count.
  const uint64_t mask = values->mask & request.All;
  switch (code) {
    case GPIO_V2_LINE_SET_VALUES_IOCTL: {
      ++FSets;
      if (mask & ~request.Outputs) return -EPERM;
      if (mask == 0) return -EINVAL;
      if (~(values->bits ^ request.Levels) & mask) ++FRedundantSets;
      request.Levels = (request.Levels & ~mask) | (values->bits & mask);
      if (!wired) {
        FCard->Wait(FCard->Timing().AccessCostNs);
        return 0;
      }
      const uint32_t* offsets = request.Offsets.data();
      for (size_t i = 0, n = request.Offsets.size(); i < n; ++i)
        if (mask >> i & 1) Driven[offsets[i]] = static_cast<int8_t>(request.Levels >> i & 1);
      ApplyToCard();
      return 0;
    }
    case GPIO_V2_LINE_GET_VALUES_IOCTL: {
      ++FGets;
      if (mask == 0) return -EINVAL;
      uint64_t bits = request.Levels & request.Outputs & mask;
      if (wired && request.Miso >= 0 && (mask >> request.Miso & 1)) {
        const bool miso =
            (FCard->ReadPort(static_cast<uint16_t>(FCard->Address() + 1)) & StatusMiso) != 0;
        if (miso != Inverted[clMiso]) bits |= uint64_t{1} << request.Miso;
      } else {
        FCard->Wait(FCard->Timing().AccessCostNs);
      }
      values->bits = bits;
      return 0;
    }
    default: FCard->Wait(FCard->Timing().AccessCostNs); return -EINVAL;
  }
}
