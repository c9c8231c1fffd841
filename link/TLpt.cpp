#include "link/TLpt.h"

#include <stdexcept>

#include "link/LinuxPortSource.h"

TLptPort::TLptPort() { Sources.push_back(std::make_unique<TLinuxPortSource>()); }

TLptPort::TLptPort(std::vector<std::unique_ptr<TPortSource>> sources)
    : Sources(std::move(sources)) {}

TLptPort::~TLptPort() { SetActive(false); }

void TLptPort::AddSource(std::unique_ptr<TPortSource> source) {
  Sources.push_back(std::move(source));
}

void TLptPort::SetActive(bool value) {
  if (value == Active) return;
  if (value)
    Activate();
  else
    Deactivate();
}

void TLptPort::Activate() {
  // A new activation starts from an empty table.
  PortCount = 0;
  PortAddresses.fill(0);
  for (auto& n : PortNames) n.clear();
  for (auto& n : PortNodes) n.clear();
  OpenErrors.clear();
  LastError.clear();

  std::vector<TDiscoveredPort> found;
  std::vector<TPortSource*> owner;
  try {
    for (auto& source : Sources) {
      source->FindPorts(found);
      owner.resize(found.size(), source.get());
    }
  } catch (const std::exception& e) {
    // Ports found before the error stay in the table; none is opened.
    for (size_t i = 0; i < found.size() && PortCount < MaxPorts; ++i) {
      PortAddresses[PortCount] = found[i].Address;
      PortNames[PortCount] = found[i].Name;
      PortNodes[PortCount] = found[i].Node;
      ++PortCount;
    }
    LastError = e.what();
    return;
  }

  if (found.empty()) {
    LastError = "Cannot find any LPT ports.";
    return;
  }

  // Open every port found; the table keeps those that opened, in
  // discovery order, at most MaxPorts of them.
  for (size_t i = 0; i < found.size() && PortCount < MaxPorts; ++i) {
    std::string error;
    std::unique_ptr<TLineBackend> io;
    try {
      io = owner[i]->OpenLines(found[i], error);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!io) {
      OpenErrors.push_back((found[i].Node.empty() ? found[i].Name : found[i].Node) + ": " + error);
      continue;
    }
    PortAddresses[PortCount] = found[i].Address;
    PortNames[PortCount] = found[i].Name;
    PortNodes[PortCount] = found[i].Node;
    Backends[PortCount] = std::move(io);
    ++PortCount;
  }

  if (PortCount == 0) {
    LastError = "Cannot load library.";
    return;
  }
  Active = true;
  SelectPort(0);
}

void TLptPort::Deactivate() {
  CurrentIo = nullptr;
  Stream.Attach(nullptr);
  for (auto& io : Backends) io.reset();  // releases claimed devices
  SelectedIndex = 0;
  SelectedAddress = 0;
  Active = false;
}

void TLptPort::SelectPort(int index) {
  if (!Active || index < 0 || index >= PortCount) return;
  SelectedIndex = index;
  SelectedAddress = PortAddresses[index];
  CurrentIo = Backends[index]->PortIo();
  Stream.Attach(Backends[index].get());
}

uint16_t TLptPort::GetPortAddress(int index) const {
  if (!Active || index < 0 || index >= PortCount) return 0;
  return PortAddresses[index];
}
