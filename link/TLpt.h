#pragma once
// TLptPort: the program's only access to the hardware. It finds the
// machine's parallel ports, opens them, and then offers two operations on
// the selected port: write the data register and read status bit 6.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

  // The hot path: no checks, one indirect call. Only while active.
  void WriteData(uint8_t value) { CurrentIo->WritePort(SelectedAddress, value); }
  bool ReadAck() { return (CurrentIo->ReadPort(SelectedAddress + 1) & 0x40) != 0; }

  // The selected port's clock (real or virtual); real time while inactive.
  void Delay(uint32_t ms);
  uint32_t TickCount();

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

  // The I/O object of the selected port; null while inactive.
  TPortIo* SelectedIo() const { return CurrentIo; }

private:
  void Activate();
  void Deactivate();

  std::vector<std::unique_ptr<TPortSource>> Sources;
  std::array<std::unique_ptr<TPortIo>, MaxPorts> PortIo{};
  TPortIo* CurrentIo = nullptr;
};
