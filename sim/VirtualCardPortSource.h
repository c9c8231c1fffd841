#pragma once
// The port source of the virtual card: one port named "Virtual card" at
// address 0x0CA0, opened as a new card of the source's configuration.
//
// Card() reaches the card the port object opened, for tests and for the
// application (memories, virtual time, faults). It is valid while that
// port is open; once the port object closes it (deactivation, destruction)
// Card() returns null again.

#include <memory>
#include <string>
#include <vector>

#include "link/PortSource.h"
#include "sim/VirtualCard.h"
#include "sim/VirtualCardConfig.h"
#include "sim/VirtualCardOption.h"

class TVirtualCardPortSource : public TPortSource {
public:
  static constexpr uint16_t PortAddress = 0x0CA0;
  static constexpr const char* PortName = "Virtual card";

  explicit TVirtualCardPortSource(const TVirtualCardConfig& config = {});
  ~TVirtualCardPortSource() override;

  void FindPorts(std::vector<TDiscoveredPort>& ports) override;
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;

  TVirtualCard* Card() const { return *Current; }
  const TVirtualCardConfig& Config() const { return Conf; }

private:
  TVirtualCardConfig Conf;
  // Shared with the open card, which clears it when it goes.
  std::shared_ptr<TVirtualCard*> Current;
};
