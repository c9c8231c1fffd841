#include "link/FtdiPortSource.h"

#include <algorithm>

#include "link/FtdiLines.h"
#include "link/LibFtdiChip.h"

namespace {

uint32_t Id(uint16_t vendor, uint16_t product) { return uint32_t{vendor} << 16 | product; }

// The ids an adapter reaches: its own, or FTDI's three defaults.
std::vector<uint32_t> AdapterIds(const TAdapterDefinition& adapter) {
  if (adapter.UsbVendor && adapter.UsbProduct) return {Id(adapter.UsbVendor, adapter.UsbProduct)};
  std::vector<uint32_t> ids;
  for (TFtdiChipType type : {TFtdiChipType::FT232R, TFtdiChipType::FT232H, TFtdiChipType::FT2232H})
    ids.push_back(Id(FtdiVendorId, FtdiChipFacts(type).ProductId));
  return ids;
}

std::string ChipName(const TFtdiDeviceInfo& device) {
  const TFtdiChipType type =
      device.Vendor == FtdiVendorId ? FtdiChipByProduct(device.Product) : TFtdiChipType::Unknown;
  return type == TFtdiChipType::Unknown ? "FTDI" : FtdiChipFacts(type).Name;
}

// "A50285BI", or the place on the bus for a board without a serial number.
std::string DeviceKey(const TFtdiDeviceInfo& device) {
  return device.Serial.empty() ? "usb-" + device.BusPath : device.Serial;
}

}  // namespace

TFtdiPortSource::TFtdiPortSource(std::unique_ptr<TFtdiBus> bus)
    : Bus(bus ? std::move(bus) : std::make_unique<TLibFtdiBus>()) {}

void TFtdiPortSource::UseAdapters(const std::vector<TAdapterDefinition>& adapters) {
  UserAdapters.clear();
  for (const TAdapterDefinition& adapter : adapters)
    if (adapter.Kind == TAdapterKind::Ftdi) UserAdapters.push_back(&adapter);
}

void TFtdiPortSource::FindPorts(std::vector<TDiscoveredPort>& ports) {
  Listed.clear();
  std::vector<const TAdapterDefinition*> adapters{&FtdiBreakoutAdapter()};
  adapters.insert(adapters.end(), UserAdapters.begin(), UserAdapters.end());
  std::vector<uint32_t> ids;
  for (const TAdapterDefinition* adapter : adapters)
    for (uint32_t id : AdapterIds(*adapter))
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  const std::vector<TFtdiDeviceInfo> devices = Bus->List(ids);
  // Each device with each adapter that reaches it: the built-in wiring
  // first, then the user's in file order.
  for (const TFtdiDeviceInfo& device : devices) {
    for (const TAdapterDefinition* adapter : adapters) {
      const std::vector<uint32_t> reach = AdapterIds(*adapter);
      if (std::find(reach.begin(), reach.end(), Id(device.Vendor, device.Product)) == reach.end())
        continue;
      const bool builtIn = adapter == adapters.front();
      TListed listed;
      listed.Device = device;
      listed.Adapter = adapter;
      listed.Node = NodePrefix + DeviceKey(device);
      if (!builtIn) listed.Node += "/" + adapter->Name;
      const std::string where = device.Serial.empty() ? "at USB " + device.BusPath : device.Serial;
      listed.Label = ChipName(device) + " USB adapter " + where;
      if (!builtIn) listed.Label += " (" + adapter->Name + ")";

      TDiscoveredPort port(0, builtIn ? "" : adapter->Name, listed.Node);
      port.Adapter = adapter;
      port.Label = listed.Label;
      port.OpenWhenUsed = true;
      port.SystemPorts = device.SerialPorts;
      ports.push_back(port);
      Listed.push_back(std::move(listed));
    }
  }
}

std::unique_ptr<TPortIo> TFtdiPortSource::Open(const TDiscoveredPort&, std::string& error) {
  error = "an FTDI adapter has no parallel-port registers";
  return nullptr;
}

std::unique_ptr<TLineBackend> TFtdiPortSource::OpenLines(const TDiscoveredPort& port,
                                                         std::string& error) {
  const auto listed = std::find_if(Listed.begin(), Listed.end(),
                                   [&](const TListed& l) { return l.Node == port.Node; });
  if (listed == Listed.end()) {
    error = "The " + port.Label + " is no longer listed; look for the ports again.";
    return nullptr;
  }
  const TAdapterDefinition& adapter = *listed->Adapter;
  TFtdiLines::TTarget target;
  target.Vendor = listed->Device.Vendor;
  target.Product = listed->Device.Product;
  target.Serial = listed->Device.Serial;
  target.Interface = adapter.Interface;
  target.Rate = adapter.BitRate;
  target.Name = listed->Label;
  return TFtdiLines::Open(Bus->NewChip(), adapter, target, error);
}
