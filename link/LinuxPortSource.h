#pragma once
// The machine's real parallel ports on Linux. Discovery reads
// <proc>/sys/dev/parport/parportN/base-addr in N order (the first number
// is the base address) and keeps <dev>/dev/parportN beside each address.
// Opening tries ppdev on that node first, then raw I/O (ioperm, x86 and
// root only).

#include <string>

#include "link/PortSource.h"

class TLinuxPortSource : public TPortSource {
public:
  // `procRoot` and `devRoot` are prefixes put in front of /proc and /dev;
  // tests point them at a temporary tree.
  explicit TLinuxPortSource(std::string procRoot = "", std::string devRoot = "",
                            bool allowRawIo = true);

  void FindPorts(std::vector<TDiscoveredPort>& ports) override;
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort& port, std::string& error) override;

private:
  std::string ProcRoot;
  std::string DevRoot;
  bool AllowRawIo;
};
