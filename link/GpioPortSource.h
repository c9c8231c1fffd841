#pragma once
// The machine's GPIO chips as ports of the card: /dev/gpiochipN (N order)
// read through the character device, each listed once for every GPIO
// adapter definition that fits it, as "GPIO adapter on gpiochip0
// (pinctrl-bcm2711)". The ports are opened when a command uses them (a
// chip's lines are not held while the program only lists them), as a
// TGpioLines backend.
//
// Which definitions fit which chips:
// - a built-in one (the Raspberry Pi header) every chip that has all its
//   lines;
// - one of the adapter file that names its chip (`chip = gpiochip0`, a
//   path, or the chip's label): that chip, whether or not it has the
//   lines (using it then says which one is missing), and by path or name
//   even when the chip is absent or cannot be read (using it then says
//   why);
// - one of the adapter file that names no chip: every chip that has all
//   its lines; if none has, the chip that has most of them, so that the
//   adapter is listed and using it names the line that chip lacks.
// A chip that cannot be opened while the ports are listed shows only under
// definitions that name it; one the user has no permission for is told
// too (TDiscoveredPort::Unusable: the group that owns it).

#include <memory>
#include <string>
#include <vector>

#include "link/GpioDevice.h"
#include "link/PortSource.h"

class TLptPort;

class TGpioPortSource : public TPortSource {
public:
  // `devRoot` goes in front of /dev (tests point it at a temporary tree);
  // `device` is the character device's seam (null: the system's).
  explicit TGpioPortSource(std::string devRoot = "", TGpioDevice* device = nullptr);

  void UseAdapters(const std::vector<TAdapterDefinition>& adapters) override;
  void FindPorts(std::vector<TDiscoveredPort>& ports) override;
  // A GPIO chip has no registers: always null.
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;
  std::unique_ptr<TLineBackend> OpenLines(const TDiscoveredPort& port, std::string& error) override;

private:
  std::string DevRoot;
  TGpioDevice& Device;
  // The GPIO definitions: the built-in ones, then the user's.
  std::vector<TAdapterDefinition> Definitions;
};

// The port `named` names on the command line after "gpio:": a chip by its
// node name, path or label ("gpiochip0", "/dev/gpiochip0",
// "pinctrl-bcm2711"), optionally followed
// by ":" and an adapter's name ("gpiochip0:My board"); without one, the
// first adapter on that chip. -1 when there is none.
int FindGpioPort(const TLptPort& port, const std::string& named);
