#pragma once
// A batched adapter in front of the virtual card, for tests and
// benchmarks: the states a transfer carries are applied to the card one
// after another, each costing the card's port access time, every sample
// reads MISO between them (free, as a USB chip reads its pins with every
// byte it writes), and each transfer then costs a round trip of virtual
// time. The card is the one a virtual card port source opened.
//
// TBatchedCardPortSource lists one port ("Virtual card", 0x0CA0) and opens
// it as such a backend over a card of its configuration, whose port access
// time is the model's time per state.

#include <cstdint>
#include <memory>

#include "link/LineBackend.h"
#include "link/PortSource.h"
#include "sim/VirtualCard.h"
#include "sim/VirtualCardPortSource.h"

struct TBatchedModel {
  uint64_t StateNs = 2000;           // one line state on the wire
  uint64_t RoundTripNs = 1'000'000;  // what a transfer costs beyond its states
  // States per transfer at most: room for Verify Flash's clock check (a
  // million ticks of two states) in one.
  size_t MaxTransfer = size_t{1} << 21;
};

class TBatchedCardLines final : public TLineBackend {
public:
  TBatchedCardLines(std::unique_ptr<TPortIo> card, const TBatchedModel& model);

  // Only for a stream that is not batched (never, for this backend).
  void Put(uint8_t lines) override;
  bool Miso() override;

  bool Batched() const override { return true; }
  // Waits are never queued for it: the stream flushes before each.
  void Transfer(const uint8_t* states, size_t count, const uint32_t* sampleAt, size_t samples,
                uint8_t* levels, const TLineWait* waits, size_t waitCount) override;
  size_t MaxTransfer() const override { return Model.MaxTransfer; }
  uint64_t RoundTripNs() const override { return Model.RoundTripNs; }
  uint64_t StateNs() const override { return Model.StateNs; }

  void Sleep(uint32_t ms) override {
    Alive();
    Card.Sleep(ms);
  }
  uint32_t TickCount() override { return Card.TickCount(); }
  uint64_t NowNs() override { return Card.VirtualTimeNs(); }

  uint64_t Transfers() const { return FTransfers; }
  // From the transfer after the next `transfers` on, the adapter is gone:
  // every call throws EAdapterLost (a test's unplugged adapter).
  void FailAfter(uint64_t transfers) { FFailAt = FTransfers + transfers; }
  uint64_t States() const { return FStates; }

  static constexpr const char* LostText = "The USB adapter was lost (unplugged?).";

private:
  void Alive() const {
    if (FTransfers >= FFailAt) throw EAdapterLost(LostText);
  }
  std::unique_ptr<TPortIo> Owned;
  TVirtualCard& Card;
  TBatchedModel Model;
  uint64_t FTransfers = 0;
  uint64_t FStates = 0;
  uint64_t FFailAt = UINT64_MAX;
};

class TBatchedCardPortSource : public TPortSource {
public:
  TBatchedCardPortSource(const TVirtualCardConfig& config, const TBatchedModel& model);

  void FindPorts(std::vector<TDiscoveredPort>& ports) override { Inner.FindPorts(ports); }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override {
    return Inner.Open(port, error);
  }
  std::unique_ptr<TLineBackend> OpenLines(const TDiscoveredPort& port, std::string& error) override;

  // The open card and its backend; null while the port is not open.
  TVirtualCard* Card() const { return Inner.Card(); }
  TBatchedCardLines* Lines() const { return Inner.Card() ? FLines : nullptr; }

private:
  static TVirtualCardConfig WithStateTime(TVirtualCardConfig config, const TBatchedModel& model);
  TVirtualCardPortSource Inner;
  TBatchedModel Model;
  TBatchedCardLines* FLines = nullptr;
};
