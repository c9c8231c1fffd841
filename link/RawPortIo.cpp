#include "link/RawPortIo.h"

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define PELLAR_HAVE_RAW_IO 1
#endif

std::unique_ptr<TRawPortIo> TRawPortIo::Open(uint16_t base, std::string& error) {
#ifdef PELLAR_HAVE_RAW_IO
  if (::ioperm(base, 3, 1) != 0) {
    error = std::string("raw I/O refused: ") + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<TRawPortIo>(new TRawPortIo(base));
#else
  (void)base;
  error = "raw I/O is not available on this processor";
  return nullptr;
#endif
}

TRawPortIo::~TRawPortIo() {
#ifdef PELLAR_HAVE_RAW_IO
  ::ioperm(Base, 3, 0);
#endif
}

uint8_t TRawPortIo::ReadPort(uint16_t address) {
#ifdef PELLAR_HAVE_RAW_IO
  if (address >= Base && address < Base + 3) return ::inb(address);
#else
  (void)address;
#endif
  return 0;
}

void TRawPortIo::WritePort(uint16_t address, uint8_t value) {
#ifdef PELLAR_HAVE_RAW_IO
  if (address >= Base && address < Base + 3) ::outb(value, address);
#else
  (void)address;
  (void)value;
#endif
}
