#include "link/TLpt.h"

#include <cstddef>
#include <cstdio>
#include <stdexcept>

#include "link/GpioPortSource.h"
#include "link/LinuxPortSource.h"
#include "link/ParallelLines.h"

TLptPort::TLptPort() {
  Sources.push_back(std::make_unique<TLinuxPortSource>());
  Sources.push_back(std::make_unique<TGpioPortSource>());
}

TLptPort::TLptPort(std::vector<std::unique_ptr<TPortSource>> sources)
    : Sources(std::move(sources)) {}

TLptPort::~TLptPort() { SetActive(false); }

void TLptPort::AddSource(std::unique_ptr<TPortSource> source) {
  Sources.push_back(std::move(source));
}

void TLptPort::SetAdapters(std::vector<TAdapterDefinition> adapters) {
  UserAdapters = std::move(adapters);
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
  for (auto& n : PortLabels) n.clear();
  for (auto& n : PortSystemPorts) n.clear();
  OpenErrors.clear();
  LastError.clear();

  std::vector<TDiscoveredPort> found;
  std::vector<TPortSource*> owner;
  try {
    for (auto& source : Sources) {
      source->UseAdapters(UserAdapters);
      source->FindPorts(found);
      owner.resize(found.size(), source.get());
    }
  } catch (const std::exception& e) {
    // Ports found before the error stay in the table; none is opened.
    for (size_t i = 0; i < found.size() && PortCount < MaxPorts; ++i) {
      PortAddresses[PortCount] = found[i].Address;
      PortNames[PortCount] = found[i].Name;
      PortNodes[PortCount] = found[i].Node;
      PortLabels[PortCount] = found[i].Label;
      ++PortCount;
    }
    LastError = e.what();
    return;
  }

  // Devices the user may not use are told, not listed.
  for (size_t i = found.size(); i-- > 0;) {
    if (found[i].Unusable.empty()) continue;
    OpenErrors.insert(OpenErrors.begin(), found[i].Unusable);
    found.erase(found.begin() + static_cast<std::ptrdiff_t>(i));
    owner.erase(owner.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (found.empty()) {
    LastError = "Cannot find any LPT ports.";
    return;
  }

  // Open every port found; the table keeps those that opened, in
  // discovery order, at most MaxPorts of them.
  for (size_t i = 0; i < found.size() && PortCount < MaxPorts; ++i) {
    if (found[i].OpenWhenUsed) {
      OnDemand[static_cast<size_t>(PortCount)] = found[i];
      OnDemandSource[static_cast<size_t>(PortCount)] = owner[i];
      AddEntry(found[i], nullptr);
      continue;
    }
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
    TPortIo* registers = io->PortIo();
    AddEntry(found[i], std::move(io));
    // The user's own parallel wirings of this port, over the same
    // registers (the port is claimed once).
    if (!found[i].TakesParallelWirings || !registers) continue;
    for (const TAdapterDefinition& adapter : UserAdapters) {
      if (adapter.Kind != TAdapterKind::Parallel || PortCount >= MaxPorts) continue;
      TDiscoveredPort wired = found[i];
      wired.Name = adapter.Name;
      wired.Adapter = &adapter;
      AddEntry(wired, std::make_unique<TParallelLines>(*registers, wired.Address, adapter));
    }
  }

  if (PortCount == 0) {
    LastError = "Cannot load library.";
    return;
  }
  Active = true;
  SelectPort(0);
}

void TLptPort::AddEntry(const TDiscoveredPort& port, std::unique_ptr<TLineBackend> backend) {
  PortAddresses[PortCount] = port.Address;
  PortNames[PortCount] = port.Name;
  PortNodes[PortCount] = port.Node;
  PortLabels[PortCount] = port.Label;
  PortSystemPorts[PortCount] = port.SystemPorts;
  Backends[PortCount] = std::move(backend);
  ++PortCount;
}

std::string TLptPort::PortLabel(int index) const {
  if (index < 0 || index >= PortCount) return "";
  if (!PortLabels[index].empty()) return PortLabels[index];
  char address[8];
  std::snprintf(address, sizeof address, "0x%04X", PortAddresses[index]);
  std::string text = address;
  if (!PortNames[index].empty()) text += " (" + PortNames[index] + ")";
  return text;
}

void TLptPort::Deactivate() {
  CurrentIo = nullptr;
  Stream.Attach(nullptr);
  for (auto& io : Backends) io.reset();  // releases claimed devices
  OnDemandSource.fill(nullptr);
  SelectedIndex = 0;
  SelectedAddress = 0;
  Active = false;
}

void TLptPort::SelectPort(int index) {
  if (!Active || index < 0 || index >= PortCount) return;
  SelectedIndex = index;
  SelectedAddress = PortAddresses[index];
  AttachSelected();
}

void TLptPort::AttachSelected() {
  TLineBackend* backend = Backends[static_cast<size_t>(SelectedIndex)].get();
  CurrentIo = backend ? backend->PortIo() : nullptr;
  Stream.Attach(backend);
}

bool TLptPort::OpenSelected(std::string& error) {
  if (!Active) return false;
  const auto index = static_cast<size_t>(SelectedIndex);
  if (Backends[index]) return true;
  TPortSource* source = OnDemandSource[index];
  if (!source) return false;
  if (!PortSystemPorts[index].empty() && ConfirmTake && !ConfirmTake(SelectedIndex)) {
    error = "The " + PortLabels[index] + " was left to the system (its serial port " +
            PortSystemPorts[index].front() + ").";
    return false;
  }
  try {
    Backends[index] = source->OpenLines(OnDemand[index], error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  AttachSelected();
  return Backends[index] != nullptr;
}

void TLptPort::ReleaseSelected() {
  const auto index = static_cast<size_t>(SelectedIndex);
  if (!Active || !OnDemandSource[index] || !Backends[index]) return;
  Stream.Attach(nullptr);
  CurrentIo = nullptr;
  // The backend switches the card off before it lets go of the device.
  Backends[index].reset();
}

uint16_t TLptPort::GetPortAddress(int index) const {
  if (!Active || index < 0 || index >= PortCount) return 0;
  return PortAddresses[index];
}
