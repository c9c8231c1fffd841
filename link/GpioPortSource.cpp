#include "link/GpioPortSource.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "link/GpioChip.h"
#include "link/GpioLines.h"
#include "link/TLpt.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* NodePrefix = "gpiochip";

bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

bool IsNodeName(const std::string& name) {
  return name.rfind(NodePrefix, 0) == 0 && AllDigits(name.substr(std::char_traits<char>::length(NodePrefix)));
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// A chip as discovery saw it.
struct TProbe {
  std::string Path;
  std::string Node;  // "gpiochip0"
  bool Read = false;  // opened and read
  TGpioChipInfo Chip;
  std::string Text() const { return Read ? GpioChipText(Chip.Name, Chip.Label) : Node; }
};

// <root>/dev/gpiochipN, in N order.
std::vector<TProbe> ListChips(const std::string& devRoot) {
  std::vector<std::pair<unsigned long, TProbe>> found;
  std::error_code ec;
  const fs::path dir = fs::path(devRoot + "/dev");
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsNodeName(name) || name.size() > 16) continue;
    TProbe probe;
    probe.Path = devRoot + "/dev/" + name;
    probe.Node = name;
    found.emplace_back(std::stoul(name.substr(8)), std::move(probe));
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<TProbe> chips;
  for (auto& [n, probe] : found) chips.push_back(std::move(probe));
  return chips;
}

}  // namespace

TGpioPortSource::TGpioPortSource(std::string devRoot, TGpioDevice* device)
    : DevRoot(std::move(devRoot)), Device(device ? *device : SystemGpioDevice()) {}

void TGpioPortSource::UseAdapters(const std::vector<TAdapterDefinition>& adapters) {
  Definitions.clear();
  for (const TAdapterDefinition& adapter : BuiltInAdapters())
    if (adapter.Kind == TAdapterKind::Gpio) Definitions.push_back(adapter);
  for (const TAdapterDefinition& adapter : adapters)
    if (adapter.Kind == TAdapterKind::Gpio) Definitions.push_back(adapter);
}

void TGpioPortSource::FindPorts(std::vector<TDiscoveredPort>& ports) {
  // Without UseAdapters, the built-in definitions alone.
  if (Definitions.empty()) UseAdapters({});
  std::vector<TProbe> chips = ListChips(DevRoot);
  for (TProbe& probe : chips) {
    const int fd = Device.Open(probe.Path);
    if (fd == -EACCES || fd == -EPERM) {
      // Told, so that a user outside the chips' group learns why no
      // adapter is listed.
      TDiscoveredPort port;
      port.Node = probe.Path;
      port.Unusable = GpioOpenErrorText(-fd, probe.Path, Device.Group(probe.Path));
      ports.push_back(std::move(port));
    }
    if (fd < 0) continue;
    probe.Read = ReadGpioChip(Device, fd, probe.Chip) == 0;
    Device.Close(fd);
  }

  const auto add = [&](const TAdapterDefinition& adapter, const std::string& path,
                       const std::string& chipText) {
    TDiscoveredPort port;
    port.Name = adapter.Name;
    port.Node = path;
    port.Adapter = &adapter;
    port.Label = GpioAdapterName(adapter, chipText);
    port.OpenWhenUsed = true;
    ports.push_back(std::move(port));
  };
  const auto fits = [](const TAdapterDefinition& adapter, const TProbe& probe) {
    int pins = 0;
    for (const TLineWiring& wiring : adapter.Lines) pins += static_cast<int>(wiring.Pins.size());
    return probe.Read && GpioPinsFound(adapter, probe.Chip) == pins;
  };

  for (const TAdapterDefinition& adapter : Definitions) {
    const std::string& chip = adapter.Chip;
    const bool fromFile = !adapter.File.empty();
    if (chip.empty()) {
      bool listed = false;
      const TProbe* best = nullptr;
      int bestPins = 0;
      for (const TProbe& probe : chips) {
        if (fits(adapter, probe)) {
          add(adapter, probe.Path, probe.Text());
          listed = true;
        } else if (probe.Read && GpioPinsFound(adapter, probe.Chip) > bestPins) {
          best = &probe;
          bestPins = GpioPinsFound(adapter, probe.Chip);
        }
      }
      if (!listed && fromFile && best) add(adapter, best->Path, best->Text());
      continue;
    }
    // A chip by path or node name (it need not be there), or by label.
    const bool byPath = chip.front() == '/';
    const std::string path = byPath ? DevRoot + chip : DevRoot + "/dev/" + chip;
    bool listed = false;
    for (const TProbe& probe : chips) {
      const bool named = probe.Path == path ||
                         (probe.Read && (probe.Chip.Name == chip || probe.Chip.Label == chip));
      if (!named || (!fromFile && !fits(adapter, probe))) continue;
      add(adapter, probe.Path, probe.Text());
      listed = true;
    }
    if (!listed && fromFile && (byPath || IsNodeName(chip))) add(adapter, path, GpioNodeName(path));
  }
}

std::unique_ptr<TPortIo> TGpioPortSource::Open(const TDiscoveredPort& /*port*/, std::string& error) {
  error = "a GPIO chip has no port registers";
  return nullptr;
}

std::unique_ptr<TLineBackend> TGpioPortSource::OpenLines(const TDiscoveredPort& port,
                                                         std::string& error) {
  if (!port.Adapter) {
    error = "no GPIO adapter given";
    return nullptr;
  }
  return TGpioLines::Open(Device, port.Node, *port.Adapter, error);
}

int FindGpioPort(const TLptPort& port, const std::string& named) {
  const size_t colon = named.find(':');
  const std::string chip = named.substr(0, colon);
  const std::optional<std::string> adapter =
      colon == std::string::npos ? std::nullopt : std::optional(named.substr(colon + 1));
  for (int i = 0; i < port.PortCount; ++i) {
    const std::string& node = port.PortNodes[static_cast<size_t>(i)];
    if (!IsNodeName(GpioNodeName(node))) continue;
    // The chip by path, node name or label (the label ends the port's).
    const std::string& label = port.PortLabels[static_cast<size_t>(i)];
    const std::string labelEnd = " (" + chip + ")";
    const bool byLabel = label.size() > labelEnd.size() &&
                         label.compare(label.size() - labelEnd.size(), labelEnd.size(), labelEnd) == 0;
    if (node != chip && GpioNodeName(node) != chip && !byLabel) continue;
    if (adapter && !SameText(port.PortNames[static_cast<size_t>(i)], *adapter)) continue;
    return i;
  }
  return -1;
}
