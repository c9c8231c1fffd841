#pragma once
// The line stream's backend on a parallel port (ppdev, raw I/O, the
// virtual card, or a test's port): immediate. A line state goes to the
// data register through the adapter's line map, MISO comes from its
// status bit. With the passive adapter's wiring the map is the identity:
// the stream then writes the data register directly (DirectIo), one
// indirect call per state as before there were other adapters.

#include <cstdint>
#include <memory>

#include "link/AdapterDefinition.h"
#include "link/LineBackend.h"
#include "link/PortIo.h"

class TParallelLines final : public TLineBackend {
public:
  // Over a port the backend owns.
  TParallelLines(std::unique_ptr<TPortIo> io, uint16_t address, const TAdapterDefinition& adapter);
  // Over a port another backend owns (a second wiring of the same port).
  TParallelLines(TPortIo& io, uint16_t address, const TAdapterDefinition& adapter);

  void Put(uint8_t lines) override { Io.WritePort(Address, Map.Out[lines]); }
  bool Miso() override { return Map.Miso(Io.ReadPort(static_cast<uint16_t>(Address + 1))); }

  void Sleep(uint32_t ms) override { Io.Sleep(ms); }
  uint32_t TickCount() override { return Io.TickCount(); }
  uint64_t NowNs() override { return Io.NowNs(); }

  TPortIo* PortIo() const override { return &Io; }
  TPortIo* DirectIo() const override { return Map.Identity ? &Io : nullptr; }
  uint16_t DirectAddress() const override { return Address; }

private:
  std::unique_ptr<TPortIo> Owned;
  TPortIo& Io;
  uint16_t Address;
  TByteLineMap Map;
};
