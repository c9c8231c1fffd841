#include "cli/CountingPortSource.h"

namespace {

class TCountingPortIo : public TPortIo {
public:
  TCountingPortIo(std::unique_ptr<TPortIo> inner, uint64_t& accesses)
      : Inner(std::move(inner)), Accesses(accesses) {}
  uint8_t ReadPort(uint16_t address) override {
    ++Accesses;
    return Inner->ReadPort(address);
  }
  void WritePort(uint16_t address, uint8_t value) override {
    ++Accesses;
    Inner->WritePort(address, value);
  }
  void Sleep(uint32_t ms) override { Inner->Sleep(ms); }
  uint32_t TickCount() override { return Inner->TickCount(); }

private:
  std::unique_ptr<TPortIo> Inner;
  uint64_t& Accesses;
};

}  // namespace

std::unique_ptr<TPortIo> TCountingPortSource::Open(const TDiscoveredPort& port,
                                                   std::string& error) {
  std::unique_ptr<TPortIo> io = Inner->Open(port, error);
  if (!io) return nullptr;
  return std::make_unique<TCountingPortIo>(std::move(io), Accesses);
}
