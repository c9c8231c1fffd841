#pragma once
// A port source that counts the port accesses of the ports it opens, for
// --timing on real ports (the virtual card counts its own). It wraps the
// source that finds and opens the ports; the count is one more indirect
// call per access, nothing next to the port's own microsecond.

#include <cstdint>
#include <memory>

#include "link/PortSource.h"

class TCountingPortSource : public TPortSource {
public:
  TCountingPortSource(std::unique_ptr<TPortSource> inner, uint64_t& accesses)
      : Inner(std::move(inner)), Accesses(accesses) {}

  void FindPorts(std::vector<TDiscoveredPort>& ports) override { Inner->FindPorts(ports); }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;

private:
  std::unique_ptr<TPortSource> Inner;
  uint64_t& Accesses;
};
