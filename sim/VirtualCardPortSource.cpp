#include "sim/VirtualCardPortSource.h"

TVirtualCardPortSource::TVirtualCardPortSource(const TVirtualCardConfig& config)
    : Conf(config), Current(std::make_shared<TVirtualCard*>(nullptr)) {}

TVirtualCardPortSource::~TVirtualCardPortSource() {
  // A card that outlives its source must not reach back into it.
  if (TVirtualCard* card = *Current) card->OnDestroyed = nullptr;
}

void TVirtualCardPortSource::FindPorts(std::vector<TDiscoveredPort>& ports) {
  ports.push_back({PortAddress, PortName, ""});
}

std::unique_ptr<TPortIo> TVirtualCardPortSource::Open(const TDiscoveredPort& port, std::string&) {
  auto card = std::make_unique<TVirtualCard>(Conf, port.Address);
  *Current = card.get();
  card->OnDestroyed = [slot = Current](TVirtualCard* gone) {
    if (*slot == gone) *slot = nullptr;
  };
  return card;
}
