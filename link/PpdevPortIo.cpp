#include "link/PpdevPortIo.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

std::unique_ptr<TPpdevPortIo> TPpdevPortIo::Open(const std::string& node, uint16_t base,
                                                 std::string& error) {
  if (node.empty()) {
    error = "no device node";
    return nullptr;
  }
  const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open " + node + ": " + std::strerror(errno);
    return nullptr;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    error = "cannot claim " + node + ": " + std::strerror(errno);
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<TPpdevPortIo>(new TPpdevPortIo(fd, base));
}

TPpdevPortIo::~TPpdevPortIo() {
  ::ioctl(Fd, PPRELEASE);
  ::close(Fd);
}

uint8_t TPpdevPortIo::ReadPort(uint16_t address) {
  unsigned char value = 0;
  if (address == Base + 1)
    ::ioctl(Fd, PPRSTATUS, &value);
  else if (address == Base)
    ::ioctl(Fd, PPRDATA, &value);
  else if (address == Base + 2)
    ::ioctl(Fd, PPRCONTROL, &value);
  return value;
}

void TPpdevPortIo::WritePort(uint16_t address, uint8_t value) {
  unsigned char v = value;
  if (address == Base)
    ::ioctl(Fd, PPWDATA, &v);
  else if (address == Base + 2)
    ::ioctl(Fd, PPWCONTROL, &v);
}
