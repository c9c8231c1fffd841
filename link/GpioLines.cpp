#include "link/GpioLines.h"

#include <linux/gpio.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// The first of the request's lines that another user holds, as "GPIO17 is
// in use by spi0"; "" when none is.
std::string BusyText(const TGpioChipInfo& chip, const TGpioLineMap& map) {
  for (uint32_t offset : map.Offsets) {
    if (offset >= chip.Lines.size() || !chip.Lines[offset].Used) continue;
    const std::string& consumer = chip.Lines[offset].Consumer;
    return GpioLineText(chip, offset) + " is in use" + (consumer.empty() ? "" : " by " + consumer);
  }
  return "";
}

// Closes a descriptor when it goes out of scope.
struct TOpenChip {
  TGpioDevice& Device;
  int Fd;
  ~TOpenChip() { Device.Close(Fd); }
};

}  // namespace

std::string GpioOpenErrorText(int error, const std::string& path, const std::string& group) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return "there is no GPIO chip " + path;
    case EACCES:
    case EPERM:
      // A chip of root's group is meant for nobody else: which group gets
      // it is the administrator's choice.
      if (group.empty() || group == "root")
        return "no permission to use " + path +
               ": only root may use it (ask whoever administers the machine to give a group "
               "access to it)";
      return "no permission to use " + path + ": it belongs to the group " + group +
             " (sudo adduser $USER " + group + ", then log in again)";
    default: return "cannot open " + path + ": " + ErrnoText(error);
  }
}

std::unique_ptr<TGpioLines> TGpioLines::Open(TGpioDevice& device, const std::string& path,
                                             const TAdapterDefinition& adapter,
                                             std::string& error) {
  std::string name = GpioAdapterName(adapter, GpioNodeName(path));
  const auto fail = [&](const std::string& why) {
    error = "The " + name + " cannot be opened: " + why + ".";
    return nullptr;
  };
  const int fd = device.Open(path);
  if (fd < 0) return fail(GpioOpenErrorText(-fd, path, device.Group(path)));
  const TOpenChip chipFd{device, fd};

  TGpioChipInfo chip;
  if (const int e = ReadGpioChip(device, fd, chip); e < 0)
    return fail("cannot read the GPIO chip " + path + ": " + ErrnoText(-e));
  name = GpioAdapterName(adapter, GpioChipText(chip.Name, chip.Label));
  TGpioLineMap map;
  if (const std::string why = MapGpioLines(adapter, chip, map); !why.empty()) return fail(why);
  if (const std::string busy = BusyText(chip, map); !busy.empty()) return fail(busy);

  // One request: outputs at their off levels, MISO an input.
  gpio_v2_line_request request{};
  for (size_t i = 0; i < map.Offsets.size(); ++i) request.offsets[i] = map.Offsets[i];
  request.num_lines = static_cast<uint32_t>(map.Offsets.size());
  constexpr size_t consumerLength = std::char_traits<char>::length(Consumer);
  static_assert(consumerLength < sizeof request.consumer);
  std::memcpy(request.consumer, Consumer, consumerLength);
  request.config.flags = GPIO_V2_LINE_FLAG_OUTPUT;
  request.config.num_attrs = 2;
  request.config.attrs[0].attr.id = GPIO_V2_LINE_ATTR_ID_FLAGS;
  request.config.attrs[0].attr.flags = GPIO_V2_LINE_FLAG_INPUT;
  request.config.attrs[0].mask = map.MisoBit;
  request.config.attrs[1].attr.id = GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES;
  request.config.attrs[1].attr.values = map.OffState();
  request.config.attrs[1].mask = map.OutputMask;
  if (const int e = device.Ioctl(fd, GPIO_V2_GET_LINE_IOCTL, &request); e < 0) {
    if (e == -EBUSY) {
      // Taken since the chip was read: who has it now.
      TGpioChipInfo now;
      const std::string busy = ReadGpioChip(device, fd, now) == 0 ? BusyText(now, map) : "";
      return fail(busy.empty() ? "a line is in use" : busy);
    }
    return fail("cannot request its lines: " + ErrnoText(-e));
  }
  // The request stays valid after the chip's descriptor is closed.
  return std::unique_ptr<TGpioLines>(new TGpioLines(device, request.fd, std::move(map), name));
}

TGpioLines::TGpioLines(TGpioDevice& device, int request, TGpioLineMap map, std::string name)
    : Device(device), Request(request), Map(std::move(map)), Current(Map.OffState()),
      Name(std::move(name)) {}

TGpioLines::~TGpioLines() {
  // Every output pin to its off level, then the release; a chip that is
  // gone takes neither.
  if (Current != Map.OffState()) {
    gpio_v2_line_values values{};
    values.bits = Map.OffState();
    values.mask = Current ^ Map.OffState();
    Device.Ioctl(Request, GPIO_V2_LINE_SET_VALUES_IOCTL, &values);
  }
  Device.Close(Request);
}

void TGpioLines::SetLevels(uint64_t levels, uint64_t mask) {
  gpio_v2_line_values values{};
  values.bits = levels;
  values.mask = mask;
  if (const int e = Device.Ioctl(Request, GPIO_V2_LINE_SET_VALUES_IOCTL, &values); e < 0) Lose(-e);
  Current = levels;
}

bool TGpioLines::Miso() {
  gpio_v2_line_values values{};
  values.mask = Map.MisoBit;
  if (const int e = Device.Ioctl(Request, GPIO_V2_LINE_GET_VALUES_IOCTL, &values); e < 0) Lose(-e);
  return ((values.bits & Map.MisoBit) != 0) != Map.MisoInverted;
}

void TGpioLines::Lose(int error) const {
  throw EAdapterLost("The " + Name + " was lost: " + ErrnoText(error) + ".");
}
