#include "link/ParallelLines.h"

#include "link/PortSource.h"

TParallelLines::TParallelLines(std::unique_ptr<TPortIo> io, uint16_t address,
                               const TAdapterDefinition& adapter)
    : Owned(std::move(io)), Io(*Owned), Address(address), Map(CompileByteLineMap(adapter)) {}

TParallelLines::TParallelLines(TPortIo& io, uint16_t address, const TAdapterDefinition& adapter)
    : Io(io), Address(address), Map(CompileByteLineMap(adapter)) {}

std::unique_ptr<TLineBackend> TPortSource::OpenLines(const TDiscoveredPort& port,
                                                     std::string& error) {
  std::unique_ptr<TPortIo> io = Open(port, error);
  if (!io) return nullptr;
  return std::make_unique<TParallelLines>(std::move(io), port.Address,
                                          port.Adapter ? *port.Adapter : PassiveParallelAdapter());
}
