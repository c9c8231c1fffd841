#include "sim/BatchedCardLines.h"

TBatchedCardLines::TBatchedCardLines(std::unique_ptr<TPortIo> card, const TBatchedModel& model)
    : Owned(std::move(card)), Card(dynamic_cast<TVirtualCard&>(*Owned)), Model(model) {}

void TBatchedCardLines::Put(uint8_t lines) { Card.WritePort(Card.Address(), lines); }

bool TBatchedCardLines::Miso() { return Card.SampleMiso(); }

void TBatchedCardLines::Transfer(const uint8_t* states, size_t count, const uint32_t* sampleAt,
                                 size_t samples, uint8_t* levels, const TLineWait*, size_t) {
  Alive();
  size_t next = 0;
  for (size_t i = 0; i <= count; ++i) {
    while (next < samples && sampleAt[next] == i) levels[next++] = Card.SampleMiso() ? 1 : 0;
    if (i < count) Card.WritePort(Card.Address(), states[i]);
  }
  Card.Wait(Model.RoundTripNs);
  FStates += count;
  ++FTransfers;
}

TVirtualCardConfig TBatchedCardPortSource::WithStateTime(TVirtualCardConfig config,
                                                         const TBatchedModel& model) {
  config.Timing.AccessCostNs = static_cast<uint32_t>(model.StateNs);
  return config;
}

TBatchedCardPortSource::TBatchedCardPortSource(const TVirtualCardConfig& config,
                                               const TBatchedModel& model)
    : Inner(WithStateTime(config, model)), Model(model) {}

std::unique_ptr<TLineBackend> TBatchedCardPortSource::OpenLines(const TDiscoveredPort& port,
                                                                std::string& error) {
  std::unique_ptr<TPortIo> card = Inner.Open(port, error);
  if (!card) return nullptr;
  auto lines = std::make_unique<TBatchedCardLines>(std::move(card), Model);
  FLines = lines.get();
  return lines;
}
