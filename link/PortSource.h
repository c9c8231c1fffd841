#pragma once
// Where ports come from. A source lists the ports it knows (discovery) and
// opens an I/O object for one of them (what loading the port-I/O library
// does for the whole machine elsewhere). The port object asks every source
// it was given, in order.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/AdapterDefinition.h"
#include "link/LineBackend.h"
#include "link/PortIo.h"

struct TDiscoveredPort {
  TDiscoveredPort() = default;
  TDiscoveredPort(uint16_t address, std::string name, std::string node)
      : Address(address), Name(std::move(name)), Node(std::move(node)) {}

  uint16_t Address = 0;
  std::string Name;  // a name the source gives the port ("Virtual card"); may be empty
  std::string Node;  // device node, for example /dev/parport0; may be empty
  // The wiring between the port's pins and the card; null: the passive
  // parallel-port adapter.
  const TAdapterDefinition* Adapter = nullptr;
  // A parallel port of the machine takes the user's parallel wirings too
  // (one entry each); the virtual card and other adapters do not.
  bool TakesParallelWirings = false;
  // How the port is listed when it has no address of its own ("FT232R USB
  // adapter A50285BI"); empty: by its address and name.
  std::string Label;
  // Opened only when a command first uses it, not when the port object is
  // activated (a USB board or a GPIO chip that other programs may want):
  // discovery only lists it.
  bool OpenWhenUsed = false;
  // The system's own uses of the device that taking it ends for as long
  // as the program holds it (a USB board's serial ports, /dev/ttyUSB0).
  std::vector<std::string> SystemPorts;
  // A device that is there but that the user may not use (a GPIO chip
  // without permission): not listed; this sentence says why, and it goes
  // to the port object's OpenErrors.
  std::string Unusable;
};

class TPortSource {
public:
  virtual ~TPortSource() = default;
  // The user's adapter definitions (AdapterFile.h), handed over before
  // FindPorts: a source of FTDI or GPIO adapters lists the devices they
  // fit.
  virtual void UseAdapters(const std::vector<TAdapterDefinition>& /*adapters*/) {}
  // Appends the ports this source knows, in its own order. May throw
  // std::runtime_error with a message for the port object's LastError.
  virtual void FindPorts(std::vector<TDiscoveredPort>& ports) = 0;
  // Opens the port; null and `error` set when it cannot be opened.
  virtual std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) = 0;
  // Opens the port as a backend of the card's line stream. A parallel
  // port's source leaves this alone: its registers (Open) are driven
  // through the port's adapter wiring. Sources of other adapters (USB,
  // GPIO) give their own backends here.
  virtual std::unique_ptr<TLineBackend> OpenLines(const TDiscoveredPort& port, std::string& error);
};
