#include "link/GpioDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "link/PortIo.h"

void TGpioDevice::Sleep(uint32_t ms) { RealSleep(ms); }
uint32_t TGpioDevice::TickCount() { return RealTickCount(); }
uint64_t TGpioDevice::NowNs() { return RealNowNs(); }

std::string TGpioDevice::Group(const std::string& path) {
  struct stat node {};
  if (::stat(path.c_str(), &node) != 0) return "";
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(4096);
  while (getgrgid_r(node.st_gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < 65536)
    buffer.resize(buffer.size() * 2);
  return found ? found->gr_name : "";
}

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
