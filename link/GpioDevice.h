#pragma once
// The kernel's GPIO character device (/dev/gpiochipN, <linux/gpio.h>,
// uAPI v2) as the GPIO adapter reaches it: open a chip's node, ioctl on
// the chip or on a line request, close. Nothing else of the system is
// used, so a test can put a stand-in at this level (sim/GpioStandIn.h)
// that answers the same ioctls with the kernel's structures and error
// codes.
//
// The device also keeps the clock the adapter's waits run on: real time
// for a real chip, the virtual card's time behind a stand-in.

#include <cstdint>
#include <string>

class TGpioDevice {
public:
  virtual ~TGpioDevice() = default;

  // A file descriptor, or -errno (ENOENT: no such chip, EACCES: no
  // access).
  virtual int Open(const std::string& path) = 0;
  // 0, or -errno (ENODEV: the chip is gone).
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  virtual void Close(int fd) = 0;
  // The group that owns the node at `path` ("gpio"); "" when unknown. A
  // message about a chip the user may not open names it.
  virtual std::string Group(const std::string& path);

  virtual void Sleep(uint32_t ms);
  virtual uint32_t TickCount();
  virtual uint64_t NowNs();
};

// The system's: open(2) read-write, ioctl(2) (again after a signal),
// close(2), stat(2) for the group, and real time.
TGpioDevice& SystemGpioDevice();
