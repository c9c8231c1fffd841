#pragma once
// The FTDI chip through libftdi1: one ftdi_context per object, freed (and
// the chip closed, when it is open) by the destructor.
//
// TLibFtdiBus lists the devices from sysfs (/sys/bus/usb/devices): their
// ids, serial numbers and the serial ports the kernel made for them, all
// readable without opening a device, so that discovery never touches a
// board that some other program or the system is using, and needs no
// permission on the device nodes.

#include <string>

#include "link/FtdiChip.h"

struct ftdi_context;

class TLibFtdiChip final : public TFtdiChip {
public:
  TLibFtdiChip();
  ~TLibFtdiChip() override;
  TLibFtdiChip(const TLibFtdiChip&) = delete;
  TLibFtdiChip& operator=(const TLibFtdiChip&) = delete;

  int Open(uint16_t vendor, uint16_t product, const std::string& serial,
           int interfaceIndex) override;
  TFtdiChipType Type() const override;
  int SetLatencyTimer(uint8_t ms) override;
  int SetBitMode(uint8_t outputMask, uint8_t mode) override;
  int SetBaudRate(int rate) override;
  int Flush() override;
  int WriteData(const uint8_t* data, int size) override;
  int ReadData(uint8_t* data, int size) override;
  int Close() override;
  std::string ErrorText() const override;
  TFtdiPace Pace(uint32_t rate) const override;
  void SleepNs(uint64_t ns) override;
  uint64_t NowNs() override;

private:
  ftdi_context* Context = nullptr;
  bool IsOpen = false;
};

class TLibFtdiBus final : public TFtdiBus {
public:
  // `sysfsDevices`: the folder of USB devices (a test's copy elsewhere).
  explicit TLibFtdiBus(std::string sysfsDevices = "/sys/bus/usb/devices")
      : Devices(std::move(sysfsDevices)) {}
  std::vector<TFtdiDeviceInfo> List(const std::vector<uint32_t>& ids) override;
  std::unique_ptr<TFtdiChip> NewChip() override;

private:
  std::string Devices;
};
