#pragma once
// A port that records every write and answers reads from a script, with a
// virtual clock, for tests of the layers above the port object.

#include <functional>
#include <memory>
#include <vector>

#include "link/TLpt.h"

struct TPortLog {
  std::vector<uint8_t> Writes;
  int Reads = 0;
  std::vector<uint32_t> Sleeps;
  uint32_t Now = 0;
  // Status register value for each read; default: MISO low.
  std::function<uint8_t()> Status = [] { return uint8_t{0}; };
};

class TRecordingPortIo : public TPortIo {
public:
  explicit TRecordingPortIo(std::shared_ptr<TPortLog> log) : Log(std::move(log)) {}
  uint8_t ReadPort(uint16_t) override {
    ++Log->Reads;
    return Log->Status();
  }
  void WritePort(uint16_t, uint8_t value) override { Log->Writes.push_back(value); }
  void Sleep(uint32_t ms) override {
    Log->Sleeps.push_back(ms);
    Log->Now += ms;
  }
  uint32_t TickCount() override { return Log->Now; }
  std::shared_ptr<TPortLog> Log;
};

class TRecordingSource : public TPortSource {
public:
  explicit TRecordingSource(std::shared_ptr<TPortLog> log,
                            std::vector<uint16_t> addresses = {0x378})
      : Log(std::move(log)), Addresses(std::move(addresses)) {}
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    for (uint16_t a : Addresses) ports.push_back({a, "recording", ""});
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string&) override {
    ++Opens;
    return std::make_unique<TRecordingPortIo>(Log);
  }
  std::shared_ptr<TPortLog> Log;
  std::vector<uint16_t> Addresses;
  int Opens = 0;
};

// An active port object over one recording port.
inline std::unique_ptr<TLptPort> MakeRecordingPort(std::shared_ptr<TPortLog> log) {
  std::vector<std::unique_ptr<TPortSource>> sources;
  sources.push_back(std::make_unique<TRecordingSource>(std::move(log)));
  auto port = std::make_unique<TLptPort>(std::move(sources));
  port->SetActive(true);
  return port;
}
