#pragma once
// Port access through the kernel's ppdev driver: the device node is opened
// and claimed while the object lives, and released when it goes.

#include <memory>
#include <string>

#include "link/PortIo.h"

class TPpdevPortIo : public TRealClockPortIo {
public:
  static std::unique_ptr<TPpdevPortIo> Open(const std::string& node, uint16_t base,
                                            std::string& error);
  ~TPpdevPortIo() override;

  uint8_t ReadPort(uint16_t address) override;
  void WritePort(uint16_t address, uint8_t value) override;

private:
  TPpdevPortIo(int fd, uint16_t base) : Fd(fd), Base(base) {}
  int Fd;
  uint16_t Base;
};
