#pragma once
// A port source whose ports fail with an I/O error from a given access on
// (the card state's "io-error-after" fault): the error an adapter gives
// when it is unplugged or its driver goes away, raised as an exception
// from the port access, so that a script can see how a run ends then.
// It wraps the source that finds and opens the ports.

#include <cstdint>
#include <memory>

#include "link/PortSource.h"

class TFailingPortSource : public TPortSource {
public:
  // The accesses of each opened port from number `failAfter` (counted from
  // 0) on raise std::runtime_error with IoErrorText.
  TFailingPortSource(std::unique_ptr<TPortSource> inner, uint64_t failAfter)
      : Inner(std::move(inner)), FailAfter(failAfter) {}

  void FindPorts(std::vector<TDiscoveredPort>& ports) override { Inner->FindPorts(ports); }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;

  static constexpr const char* IoErrorText =
      "The port failed: input/output error (the card state's \"io-error-after\" fault).";

private:
  std::unique_ptr<TPortSource> Inner;
  uint64_t FailAfter;
};
