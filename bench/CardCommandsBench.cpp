// The card commands on the virtual card, through the real port object, bit
// link, programming commands and loader link, with a quiet host in place
// of the window (no widgets, no event processing): what is measured is
// the command flow and the card link, not the toolkit.
//
// Counters: wall_s is the wall time of one run, virtual_s the time the
// same port accesses and waits take on the virtual card's clock (1 us per
// port access plus every millisecond wait), which is about what a real
// adapter would take, and card_cycles the card's clock cycles (ticks).
// The virtual time splits into chip_wait_s (the chips' write, erase,
// power and reset waits, polling included), round_trip_s (what a batched
// adapter's flushes cost beyond their states; flushes counts them) and
// traffic_s, the rest: line states on the wire.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "bench/BenchCard.h"
#include "card/ProgramAllCommand.h"

namespace {

template <typename Card, typename Run>
void Measure(benchmark::State& state, Card& card, Run run) {
  double wall = 0;
  double virtualTime = 0;
  double cycles = 0;
  TLineStream& lines = card.Port->Lines();
  lines.ResetTiming();
  for (auto _ : state) {
    const uint64_t ns = card.Card().VirtualTimeNs();
    const uint64_t edges = card.Card().ClockEdges();
    const auto start = std::chrono::steady_clock::now();
    if (!run()) {
      state.SkipWithError("the command failed");
      return;
    }
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    virtualTime += static_cast<double>(card.Card().VirtualTimeNs() - ns) / 1e9;
    cycles += static_cast<double>(card.Card().ClockEdges() - edges);
  }
  const auto n = static_cast<double>(state.iterations());
  const TLineTiming& timing = lines.Timing();
  state.counters["wall_s"] = wall / n;
  state.counters["virtual_s"] = virtualTime / n;
  state.counters["card_cycles"] = cycles / n;
  state.counters["chip_wait_s"] = static_cast<double>(timing.ChipWaitNs) / 1e9 / n;
  state.counters["round_trip_s"] = static_cast<double>(timing.RoundTripNs) / 1e9 / n;
  state.counters["traffic_s"] = virtualTime / n - state.counters["chip_wait_s"].value -
                                state.counters["round_trip_s"].value;
  state.counters["flushes"] = static_cast<double>(timing.Flushes) / n;
}

// Program and verify a full 8 KiB flash image of random bytes on an
// AT90S8515: power on, programming mode, chip erase, ProgramFlash,
// VerifyFlash, power off.
void BM_ProgramVerifyFlash8K(benchmark::State& state) {
  TBenchCard card(0, 0);
  const auto image = RandomBytes(8192, 1);
  Measure(state, card, [&] {
    card.Link->PowerOn();
    const bool ok = card.Avr->EnterProgrammingMode() && card.Avr->ChipErase() &&
                    card.Avr->ProgramFlash(image.data(), 8192) &&
                    card.Avr->VerifyFlash(image.data(), 8192);
    card.Link->PowerOff();
    return ok && card.Host.Messages == 0;
  });
}
BENCHMARK(BM_ProgramVerifyFlash8K)->Unit(benchmark::kMillisecond)->UseRealTime();

// Program All with all three images on an AT90S8515, verify on: the
// window's command flow from power-on to power-off, on the default card
// (a "2464/2465", 8 KiB) and on a "242048" (256 KiB).
template <typename Card>
void ProgramAllOn(benchmark::State& state, Card& card, int extSize) {
  std::vector<uint8_t> flash = RandomBytes(8192, 2);
  std::vector<uint8_t> eeprom = RandomBytes(512, 3);
  std::vector<uint8_t> ext = RandomBytes(static_cast<size_t>(extSize), 4);
  const TCardImages images{{flash.data(), 8192}, {eeprom.data(), 512}, {ext.data(), extSize}};
  Measure(state, card, [&] {
    TCardContext context{*card.Port, *card.Link, *card.Avr, *card.Loader, card.Host};
    TProgramAllCommand command(context);
    return command.Run(images, false, true) && card.Host.Messages == 0 &&
           card.Card().ExternalEeprom().Memory == ext;
  });
}
void ProgramAll(benchmark::State& state, int eepromRow, int extSize,
                const TBatchedModel* batched = nullptr, const TFtdiStandInModel* ftdi = nullptr) {
  TBenchCard card(0, eepromRow, batched, ftdi);
  ProgramAllOn(state, card, extSize);
}
void BM_ProgramAllDefaultCard(benchmark::State& state) { ProgramAll(state, 0, 8192); }
void BM_ProgramAll256K(benchmark::State& state) { ProgramAll(state, 5, 262144); }
BENCHMARK(BM_ProgramAllDefaultCard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
// The same behind a batched adapter: 2 us a line state, 1 ms a round trip.
void BM_ProgramAllDefaultCardBatched(benchmark::State& state) {
  const TBatchedModel model{2000, 1'000'000};
  ProgramAll(state, 0, 8192, &model);
}
BENCHMARK(BM_ProgramAllDefaultCardBatched)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
// The same over a stand-in FTDI board in synchronous bit-bang mode: an
// FT232R (2 us a state, 1 ms latency timer, 128 bytes outstanding) and an
// FT232H (0.1 us, 0.125 ms, 1 KiB); write waits on the host's clock.
void BM_ProgramAllDefaultCardFT232R(benchmark::State& state) {
  const TFtdiStandInModel model = TFtdiStandInModel::FT232R();
  ProgramAll(state, 0, 8192, nullptr, &model);
}
void BM_ProgramAllDefaultCardFT232H(benchmark::State& state) {
  const TFtdiStandInModel model = TFtdiStandInModel::FT232H();
  ProgramAll(state, 0, 8192, nullptr, &model);
}
BENCHMARK(BM_ProgramAllDefaultCardFT232R)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ProgramAllDefaultCardFT232H)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
// The same on the GPIO adapter (a Raspberry Pi's header): 2 us an ioctl,
// a Raspberry Pi 4's cost; ioctls counts them.
void BM_ProgramAllDefaultCardGpio(benchmark::State& state) {
  TBenchGpioCard card(0, 0, 2000);
  const uint64_t before = card.StandIn->Ioctls();
  ProgramAllOn(state, card, 8192);
  state.counters["ioctls"] =
      static_cast<double>(card.StandIn->Ioctls() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ProgramAllDefaultCardGpio)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ProgramAll256K)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
