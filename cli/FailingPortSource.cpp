#include "cli/FailingPortSource.h"

#include <stdexcept>

namespace {

class TFailingPortIo : public TPortIo {
public:
  TFailingPortIo(std::unique_ptr<TPortIo> inner, uint64_t failAfter)
      : Inner(std::move(inner)), FailAfter(failAfter) {}
  uint8_t ReadPort(uint16_t address) override {
    Count();
    return Inner->ReadPort(address);
  }
  void WritePort(uint16_t address, uint8_t value) override {
    Count();
    Inner->WritePort(address, value);
  }
  void Sleep(uint32_t ms) override { Inner->Sleep(ms); }
  uint32_t TickCount() override { return Inner->TickCount(); }

private:
  void Count() {
    if (Accesses++ >= FailAfter) throw std::runtime_error(TFailingPortSource::IoErrorText);
  }
  std::unique_ptr<TPortIo> Inner;
  uint64_t FailAfter;
  uint64_t Accesses = 0;
};

}  // namespace

std::unique_ptr<TPortIo> TFailingPortSource::Open(const TDiscoveredPort& port,
                                                  std::string& error) {
  std::unique_ptr<TPortIo> io = Inner->Open(port, error);
  if (!io) return nullptr;
  return std::make_unique<TFailingPortIo>(std::move(io), FailAfter);
}
