#pragma once
// Direct port I/O with ioperm and inb/outb: x86 only, and only for root.

#include <memory>
#include <string>

#include "link/PortIo.h"

class TRawPortIo : public TRealClockPortIo {
public:
  static std::unique_ptr<TRawPortIo> Open(uint16_t base, std::string& error);
  ~TRawPortIo() override;

  uint8_t ReadPort(uint16_t address) override;
  void WritePort(uint16_t address, uint8_t value) override;

private:
  explicit TRawPortIo(uint16_t base) : Base(base) {}
  uint16_t Base;
};
