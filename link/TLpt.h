#pragma once
// TLptPort: the program's only access to the hardware. It finds the
// machine's parallel ports (and whatever other adapters its sources know),
// opens them, and then offers the card's line stream on the selected port
// (Lines(): line states and MISO samples, LineStream.h), plus the two raw
// operations of a parallel port: write the data register and read status
// bit 6.

#include <array>
#include <cstdint>
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
  // I/O).
  TLptPort();
  explicit TLptPort(std::vector<std::unique_ptr<TPortSource>> sources);
  ~TLptPort();
  TLptPort(const TLptPort&) = delete;
  TLptPort& operator=(const TLptPort&) = delete;

  // Adds a source before activation (the virtual card, for instance).
  void AddSource(std::unique_ptr<TPortSource> source);

  void SetActive(bool value);
  bool GetActive() const { return Active; }
  void SelectPort(int index);
  uint16_t GetPortAddress(int index) const;

  // The selected port's line stream: what the bit link writes and samples.
  TLineStream& Lines() { return Stream; }

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

  std::vector<std::unique_ptr<TPortSource>> Sources;
  std::array<std::unique_ptr<TLineBackend>, MaxPorts> Backends{};
  TPortIo* CurrentIo = nullptr;
  TLineStream Stream;
};
