#pragma once
// TLptPort: the program's only access to the hardware. It finds the
// machine's parallel ports (and whatever other adapters its sources know),
// opens them, and then offers the card's line stream on the selected port
// (Lines(): line states and MISO samples, LineStream.h), plus the two raw
// operations of a parallel port: write the data register and read status
// bit 6.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/LineStream.h"
#include "link/PortIo.h"
#include "link/PortSource.h"

class TLptPort {
public:
  static constexpr int MaxPorts = 10;

  // With no sources given, the port object looks for the machine's real
  // parallel ports (/proc/sys/dev/parport, opened through ppdev or raw
  // I/O) and its GPIO chips (/dev/gpiochipN).
  TLptPort();
  explicit TLptPort(std::vector<std::unique_ptr<TPortSource>> sources);
  ~TLptPort();
  TLptPort(const TLptPort&) = delete;
  TLptPort& operator=(const TLptPort&) = delete;

  // Adds a source before activation (the virtual card, for instance).
  void AddSource(std::unique_ptr<TPortSource> source);
  // The user's adapter definitions (the adapter file), before activation:
  // each parallel wiring among them is listed once more for every parallel
  // port of the machine, and the sources of other adapters list the
  // devices the definitions fit.
  void SetAdapters(std::vector<TAdapterDefinition> adapters);
  const std::vector<TAdapterDefinition>& Adapters() const { return UserAdapters; }

  void SetActive(bool value);
  bool GetActive() const { return Active; }
  void SelectPort(int index);
  // Opens the selected port if it is one that is opened when used
  // (TDiscoveredPort::OpenWhenUsed); true when it is open, else false with
  // the reason in `error`. A card command calls it before it starts.
  bool OpenSelected(std::string& error);
  // Asked before a port whose device the system uses (PortSystemPorts)
  // is opened; false leaves it to the system. Unset: no question.
  std::function<bool(int index)> ConfirmTake;
  // Closes the selected port if it was opened when used (the card is
  // switched off first); a later command opens it again.
  void ReleaseSelected();
  uint16_t GetPortAddress(int index) const;
  // How a port is listed: "0x0378", "0x0378 (Virtual card)", "0x0378 (My
  // wiring)", or the label of a port without an address ("FT232R USB
  // adapter A50285BI"); "" for no port.
  std::string PortLabel(int index) const;

  // The selected port's line stream: what the bit link writes and samples.
  TLineStream& Lines() { return Stream; }
  const TLineStream& Lines() const { return Stream; }

  // The raw register operations of a selected parallel port: no checks,
  // one indirect call. Only while active, and only on a parallel port.
  void WriteData(uint8_t value) { CurrentIo->WritePort(SelectedAddress, value); }
  bool ReadAck() { return (CurrentIo->ReadPort(SelectedAddress + 1) & 0x40) != 0; }

  // The selected port's clock (real or virtual); real time while inactive.
  // Both come after whatever the stream still holds has been applied.
  void Delay(uint32_t ms) { Stream.Sleep(ms); }
  uint32_t TickCount() { return Stream.TickCount(); }

  // Linux needs a driver step for port access too (ppdev), so it counts
  // as the family that has one.
  bool IsWinNT = true;
  bool Active = false;
  int PortCount = 0;
  std::array<uint16_t, MaxPorts> PortAddresses{};
  std::array<std::string, MaxPorts> PortNames{};
  std::array<std::string, MaxPorts> PortNodes{};
  std::array<std::string, MaxPorts> PortLabels{};
  // The system's serial ports on each port's device, which taking it
  // ends while the program holds it (TDiscoveredPort::SystemPorts).
  std::array<std::vector<std::string>, MaxPorts> PortSystemPorts{};
  std::string LastError;
  // Why a discovered port could not be opened, one line a port. Such ports
  // are left out of the table, so that no selectable port lacks its
  // operations.
  std::vector<std::string> OpenErrors;
  uint16_t SelectedAddress = 0;
  int SelectedIndex = 0;

  // The register object of the selected parallel port; null while
  // inactive and for other adapters.
  TPortIo* SelectedIo() const { return CurrentIo; }
  // The selected port's backend; null while inactive.
  TLineBackend* SelectedLines() const { return Stream.Backend(); }

private:
  void Activate();
  void Deactivate();

  // Appends a port to the table.
  void AddEntry(const TDiscoveredPort& port, std::unique_ptr<TLineBackend> backend);
  // Points the stream and the raw operations at the selected port's
  // backend (none while it is not open).
  void AttachSelected();

  std::vector<std::unique_ptr<TPortSource>> Sources;
  std::vector<TAdapterDefinition> UserAdapters;
  std::array<std::unique_ptr<TLineBackend>, MaxPorts> Backends{};
  // The discovered ports opened when used, and their sources.
  std::array<TDiscoveredPort, MaxPorts> OnDemand{};
  std::array<TPortSource*, MaxPorts> OnDemandSource{};
  TPortIo* CurrentIo = nullptr;
  TLineStream Stream;
};
