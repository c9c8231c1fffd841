#pragma once
// What the GPIO adapter knows of a chip, read through the character device
// (GPIO_GET_CHIPINFO_IOCTL, then GPIO_V2_GET_LINEINFO_IOCTL for every
// line), and how an adapter definition's pins become the chip's lines: a
// pin is a line name the chip publishes ("GPIO17", in any case; the first
// line of that name) or a line offset ("17").

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/AdapterDefinition.h"
#include "link/GpioDevice.h"

struct TGpioLineInfo {
  std::string Name;      // may be empty
  std::string Consumer;  // who holds the line; may be empty
  bool Used = false;     // held by a driver or another program
};

struct TGpioChipInfo {
  std::string Name;   // the kernel's name ("gpiochip0")
  std::string Label;  // "pinctrl-bcm2711"; may be empty
  std::vector<TGpioLineInfo> Lines;
};

// Reads the chip behind the open `fd`: 0, or -errno of the ioctl that
// failed.
int ReadGpioChip(TGpioDevice& device, int fd, TGpioChipInfo& chip);

// "gpiochip0 (pinctrl-bcm2711)", or the name alone when there is no label.
std::string GpioChipText(const std::string& name, const std::string& label);
// The last part of a device path ("gpiochip0").
std::string GpioNodeName(const std::string& path);

// How messages and the port list call an adapter on a chip: "GPIO adapter
// on gpiochip0 (pinctrl-bcm2711)" for a built-in definition, "GPIO adapter
// "My board" on gpiochip0 (...)" for one of the adapter file.
std::string GpioAdapterName(const TAdapterDefinition& adapter, const std::string& chipText);

// The offset of the line `pin` names on the chip, if it has one.
std::optional<uint32_t> FindGpioLine(const TGpioChipInfo& chip, const std::string& pin);
// How many of the definition's pins the chip has (discovery: a chip that
// has them all carries the adapter).
int GpioPinsFound(const TAdapterDefinition& adapter, const TGpioChipInfo& chip);
// "GPIO17", or "line 17" for a line without a name.
std::string GpioLineText(const TGpioChipInfo& chip, uint32_t offset);

// The adapter's lines on one chip, ready for the hot path. The request
// holds the output lines' pins in card-line order, then MISO; bit i of a
// value is the request's line i.
struct TGpioLineMap {
  std::vector<uint32_t> Offsets;
  std::array<uint64_t, 256> Out{};  // Out[lines]: the outputs' levels for a line state
  uint64_t OutputMask = 0;
  uint64_t MisoBit = 0;
  bool MisoInverted = false;  // MISO is high while its pin reads low
  uint64_t OffState() const { return Out[0]; }
};

// Maps the definition's pins onto the chip's lines: "" and `map` filled,
// or why not, naming the file, line and entry of the definition (a pin
// the chip lacks, two pins that are one line).
std::string MapGpioLines(const TAdapterDefinition& adapter, const TGpioChipInfo& chip,
                         TGpioLineMap& map);
