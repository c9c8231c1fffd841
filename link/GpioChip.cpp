#include "link/GpioChip.h"

#include <linux/gpio.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "link/IspLink.h"

namespace {

// A fixed-size name field of the kernel's structures, up to its first NUL.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

bool IsOffset(const std::string& pin) {
  return !pin.empty() && std::all_of(pin.begin(), pin.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

// The Lines:: bits of each output card line (VCC is three, switched
// together).
constexpr uint8_t OutputLineBits[CardLineCount - 1] = {Lines::Vcc, Lines::Clk, Lines::Reset,
                                                       Lines::Mosi, Lines::Sck};

// Where a message about one card line of a definition points: "adapters.ini,
// line 14: [My board] MOSI: " (a built-in one has no file).
std::string Place(const TAdapterDefinition& adapter, int line) {
  std::string place;
  if (!adapter.File.empty()) {
    const int at = adapter.EntryLines[static_cast<size_t>(line)];
    place = adapter.File + ", line " + std::to_string(at ? at : adapter.Line) + ": ";
  }
  return place + "[" + adapter.Name + "] " + CardLineNames[static_cast<size_t>(line)] + ": ";
}

}  // namespace

int ReadGpioChip(TGpioDevice& device, int fd, TGpioChipInfo& chip) {
  gpiochip_info info{};
  if (const int error = device.Ioctl(fd, GPIO_GET_CHIPINFO_IOCTL, &info); error < 0) return error;
  chip.Name = FieldText(info.name);
  chip.Label = FieldText(info.label);
  chip.Lines.assign(info.lines, {});
  for (uint32_t offset = 0; offset < info.lines; ++offset) {
    gpio_v2_line_info line{};
    line.offset = offset;
    if (const int error = device.Ioctl(fd, GPIO_V2_GET_LINEINFO_IOCTL, &line); error < 0)
      return error;
    TGpioLineInfo& out = chip.Lines[offset];
    out.Name = FieldText(line.name);
    out.Consumer = FieldText(line.consumer);
    out.Used = (line.flags & GPIO_V2_LINE_FLAG_USED) != 0;
  }
  return 0;
}

std::string GpioChipText(const std::string& name, const std::string& label) {
  return label.empty() ? name : name + " (" + label + ")";
}

std::string GpioNodeName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string GpioAdapterName(const TAdapterDefinition& adapter, const std::string& chipText) {
  if (adapter.File.empty()) return "GPIO adapter on " + chipText;
  return "GPIO adapter \"" + adapter.Name + "\" on " + chipText;
}

std::optional<uint32_t> FindGpioLine(const TGpioChipInfo& chip, const std::string& pin) {
  if (IsOffset(pin)) {
    // Leading zeros are allowed; a number of more digits than any chip
    // has lines is no line.
    const size_t first = std::min(pin.find_first_not_of('0'), pin.size());
    if (pin.size() - first > 9) return std::nullopt;
    const uint32_t offset = first == pin.size() ? 0 : static_cast<uint32_t>(std::stoul(pin.substr(first)));
    if (offset < chip.Lines.size()) return offset;
    return std::nullopt;
  }
  for (size_t offset = 0; offset < chip.Lines.size(); ++offset)
    if (SameText(chip.Lines[offset].Name, pin)) return static_cast<uint32_t>(offset);
  return std::nullopt;
}

int GpioPinsFound(const TAdapterDefinition& adapter, const TGpioChipInfo& chip) {
  int found = 0;
  for (const TLineWiring& wiring : adapter.Lines)
    for (const std::string& pin : wiring.Pins)
      if (FindGpioLine(chip, pin)) ++found;
  return found;
}

std::string GpioLineText(const TGpioChipInfo& chip, uint32_t offset) {
  if (offset < chip.Lines.size() && !chip.Lines[offset].Name.empty())
    return chip.Lines[offset].Name;
  return "line " + std::to_string(offset);
}

std::string MapGpioLines(const TAdapterDefinition& adapter, const TGpioChipInfo& chip,
                         TGpioLineMap& map) {
  map = {};
  const std::string chipText = GpioChipText(chip.Name, chip.Label);
  // Output lines first, in card-line order, then MISO: the request's order.
  std::vector<int> lineOf;  // request index -> card line
  for (int line = 0; line < CardLineCount; ++line) {
    for (const std::string& pin : adapter.Lines[static_cast<size_t>(line)].Pins) {
      const std::optional<uint32_t> offset = FindGpioLine(chip, pin);
      if (!offset) {
        if (IsOffset(pin))
          return Place(adapter, line) + chipText + " has no line " + pin +
                 (chip.Lines.empty() ? " (it has none)"
                                     : " (its lines are 0 to " +
                                           std::to_string(chip.Lines.size() - 1) + ")");
        return Place(adapter, line) + chipText + " has no line \"" + pin + "\"";
      }
      const auto known = std::find(map.Offsets.begin(), map.Offsets.end(), *offset);
      if (known != map.Offsets.end()) {
        const int other = lineOf[static_cast<size_t>(known - map.Offsets.begin())];
        const std::string lineText =
            "\"" + pin + "\" is " + GpioLineText(chip, *offset) + " (line " + std::to_string(*offset) + ")";
        return Place(adapter, line) + lineText +
               (other == line ? ", named twice"
                              : ", which " + std::string(CardLineNames[static_cast<size_t>(other)]) +
                                    " uses too");
      }
      if (map.Offsets.size() >= GPIO_V2_LINES_MAX)
        return Place(adapter, line) + "more than " + std::to_string(GPIO_V2_LINES_MAX) +
               " lines in one adapter";
      map.Offsets.push_back(*offset);
      lineOf.push_back(line);
    }
  }
  // The output pins of each card line, as bits of the request.
  std::array<uint64_t, CardLineCount - 1> pins{};
  for (size_t i = 0; i < lineOf.size(); ++i) {
    if (lineOf[i] == clMiso)
      map.MisoBit = uint64_t{1} << i;
    else
      pins[static_cast<size_t>(lineOf[i])] |= uint64_t{1} << i;
  }
  for (uint64_t p : pins) map.OutputMask |= p;
  for (int state = 0; state < 256; ++state) {
    uint64_t out = 0;
    for (int line = 0; line < CardLineCount - 1; ++line) {
      const uint8_t bits = OutputLineBits[line];
      const bool on = (state & bits) == bits;
      if (on != adapter.Lines[static_cast<size_t>(line)].Inverted) out |= pins[static_cast<size_t>(line)];
    }
    map.Out[static_cast<size_t>(state)] = out;
  }
  map.MisoInverted = adapter.Lines[clMiso].Inverted;
  return "";
}
