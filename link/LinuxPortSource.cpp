#include "link/LinuxPortSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "link/PpdevPortIo.h"
#include "link/RawPortIo.h"

namespace fs = std::filesystem;

TLinuxPortSource::TLinuxPortSource(std::string procRoot, std::string devRoot, bool allowRawIo)
    : ProcRoot(std::move(procRoot)), DevRoot(std::move(devRoot)), AllowRawIo(allowRawIo) {}

void TLinuxPortSource::FindPorts(std::vector<TDiscoveredPort>& ports) {
  const fs::path dir = fs::path(ProcRoot + "/proc/sys/dev/parport");
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return;

  // parportN entries, in numeric order of N.
  std::vector<std::pair<unsigned long, std::string>> entries;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind("parport", 0) != 0 || name.size() == 7) continue;
    const std::string digits = name.substr(7);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    if (digits.size() > 6) continue;
    entries.emplace_back(std::stoul(digits), name);
  }
  std::sort(entries.begin(), entries.end());

  for (const auto& [n, name] : entries) {
    std::ifstream in(dir / name / "base-addr");
    unsigned long base = 0;
    if (!(in >> base) || base == 0 || base > 0xFFFF) continue;
    TDiscoveredPort port;
    port.Address = static_cast<uint16_t>(base);
    port.Node = DevRoot + "/dev/" + name;
    port.TakesParallelWirings = true;
    ports.push_back(std::move(port));
  }
}

std::unique_ptr<TPortIo> TLinuxPortSource::Open(const TDiscoveredPort& port, std::string& error) {
  std::string ppdevError;
  if (auto io = TPpdevPortIo::Open(port.Node, port.Address, ppdevError)) return io;
  error = ppdevError;
  if (!AllowRawIo) return nullptr;
  std::string rawError;
  if (auto io = TRawPortIo::Open(port.Address, rawError)) return io;
  error += "; " + rawError;
  return nullptr;
}
