// What TLptPort::WriteData adds over its backend: one indirect call.
#include <benchmark/benchmark.h>

#include "link/TLpt.h"

namespace {

class TNullPortIo : public TRealClockPortIo {
public:
  uint8_t ReadPort(uint16_t) override { return 0; }
  void WritePort(uint16_t, uint8_t value) override { benchmark::DoNotOptimize(value); }
};

class TNullSource : public TPortSource {
public:
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    ports.push_back({0x378, "null", ""});
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string&) override {
    return std::make_unique<TNullPortIo>();
  }
};

void BM_PortWriteData(benchmark::State& state) {
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TNullSource>());
  TLptPort port(std::move(sources));
  port.SetActive(true);
  uint8_t v = 0;
  for (auto _ : state) {
    port.WriteData(v);
    ++v;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PortWriteData);

}  // namespace
