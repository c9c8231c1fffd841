#pragma once
// The FTDI boards on the USB bus as ports: every FT232R, FT232H and
// FT2232H at FTDI's default ids, with the built-in FT232R breakout wiring,
// and every device that one of the user's FTDI adapters names (its usb
// ids, or the default ones), with that wiring. Discovery only lists
// (FtdiChip.h: from sysfs, opening nothing); a port is opened when a
// command first uses it (TDiscoveredPort::OpenWhenUsed).
//
// A port is listed by its label ("FT232R USB adapter A50285BI", with the
// user's adapter name after it: "... (My board)") and named on the
// command line by its node, "ftdi:" and the serial number ("ftdi:A50285BI";
// a board without one by its place on the bus, "ftdi:usb-1-1.2").

#include <memory>
#include <string>
#include <vector>

#include "link/FtdiChip.h"
#include "link/PortSource.h"

class TFtdiPortSource : public TPortSource {
public:
  // Over the real bus (libftdi1 and sysfs) by default.
  explicit TFtdiPortSource(std::unique_ptr<TFtdiBus> bus = nullptr);

  void UseAdapters(const std::vector<TAdapterDefinition>& adapters) override;
  void FindPorts(std::vector<TDiscoveredPort>& ports) override;
  // An FTDI port has no registers: always null.
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;
  std::unique_ptr<TLineBackend> OpenLines(const TDiscoveredPort& port, std::string& error) override;

  // The node prefix of FTDI ports ("ftdi:") and the node of the only
  // FTDI port a bare "ftdi" names.
  static constexpr const char* NodePrefix = "ftdi:";

private:
  std::unique_ptr<TFtdiBus> Bus;
  std::vector<const TAdapterDefinition*> UserAdapters;
  // What FindPorts listed, by node: the device and how to reach it.
  struct TListed {
    std::string Node;
    TFtdiDeviceInfo Device;
    const TAdapterDefinition* Adapter = nullptr;
    std::string Label;
  };
  std::vector<TListed> Listed;
};
