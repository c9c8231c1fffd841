#include "link/GpioDevice.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "link/PortIo.h"

void TGpioDevice::Sleep(uint32_t ms) { RealSleep(ms); }
uint32_t TGpioDevice::TickCount() { return RealTickCount(); }
uint64_t TGpioDevice::NowNs() { return RealNowNs(); }

namespace {

class TSystemGpioDevice final : public TGpioDevice {
public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    return fd >= 0 ? fd : -errno;
  }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    int result = 0;
    do result = ::ioctl(fd, request, arg);
    while (result < 0 && errno == EINTR);
    return result < 0 ? -errno : 0;
  }
  void Close(int fd) override { ::close(fd); }
};

}  // namespace

TGpioDevice& SystemGpioDevice() {
  static TSystemGpioDevice device;
  return device;
}
