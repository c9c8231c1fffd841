#include "link/RegistryPorts.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

std::string TMemoryRegistry::Fold(TRegRoot root, const std::string& path) {
  std::string key = std::to_string(static_cast<int>(root)) + ":";
  for (char c : path) key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

void TMemoryRegistry::AddKey(TRegRoot root, const std::string& path) {
  if (Keys.count(Fold(root, path))) return;
  Keys[Fold(root, path)];
  const auto slash = path.rfind('\\');
  if (slash == std::string::npos) return;
  const std::string parent = path.substr(0, slash);
  AddKey(root, parent);
  Keys[Fold(root, parent)].Children.push_back(path.substr(slash + 1));
}

void TMemoryRegistry::SetValue(TRegRoot root, const std::string& path, const std::string& name,
                               TRegValue value) {
  AddKey(root, path);
  Keys[Fold(root, path)].Values[name] = std::move(value);
}

void TMemoryRegistry::SetString(TRegRoot root, const std::string& path, const std::string& name,
                                const std::string& text) {
  SetValue(root, path, name, {rvString, std::vector<uint8_t>(text.begin(), text.end())});
}

void TMemoryRegistry::SetBinary(TRegRoot root, const std::string& path, const std::string& name,
                                std::vector<uint8_t> bytes, uint32_t type) {
  SetValue(root, path, name, {type, std::move(bytes)});
}

bool TMemoryRegistry::KeyExists(TRegRoot root, const std::string& path) const {
  return Keys.count(Fold(root, path)) != 0;
}

std::vector<std::string> TMemoryRegistry::SubKeys(TRegRoot root, const std::string& path) const {
  const auto it = Keys.find(Fold(root, path));
  return it == Keys.end() ? std::vector<std::string>{} : it->second.Children;
}

std::optional<TRegValue> TMemoryRegistry::Value(TRegRoot root, const std::string& path,
                                                const std::string& name) const {
  const auto it = Keys.find(Fold(root, path));
  if (it == Keys.end()) return std::nullopt;
  const auto v = it->second.Values.find(name);
  if (v == it->second.Values.end()) return std::nullopt;
  return v->second;
}

namespace {

[[noreturn]] void InvalidType(const std::string& name) {
  throw std::runtime_error("Invalid data type for '" + name + "'");
}

// A text value as the registry layer reads it: plain and expandable
// strings only.
std::string ReadString(const TRegValue& v, const std::string& name) {
  if (v.Type != rvString && v.Type != rvExpandString) InvalidType(name);
  std::string text(v.Data.begin(), v.Data.end());
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

// Binary data into a buffer of `capacity` bytes: binary values and types
// the layer does not classify, no longer than the buffer.
std::vector<uint8_t> ReadBinaryData(const TRegValue& v, const std::string& name, size_t capacity) {
  const bool classified = v.Type == rvString || v.Type == rvExpandString || v.Type == rvDword;
  if (classified || v.Data.size() > capacity) InvalidType(name);
  return v.Data;
}

}  // namespace

void FindPortsNT(const TRegistryView& reg, std::vector<TFoundPort>& ports, size_t limit) {
  const std::string base = "HARDWARE\\DESCRIPTION\\System\\MultifunctionAdapter";
  for (const std::string& a : reg.SubKeys(rrLocalMachine, base)) {
    const std::string adapter = base + "\\" + a;
    const std::string p = adapter + "\\ParallelController";
    if (!reg.KeyExists(rrLocalMachine, p)) continue;
    for (const std::string& m : reg.SubKeys(rrLocalMachine, p)) {
      const std::string key = p + "\\" + m;
      const auto v = reg.Value(rrLocalMachine, key, "Configuration Data");
      if (!v) continue;
      std::vector<uint8_t> buffer = ReadBinaryData(*v, "Configuration Data", 64);
      buffer.resize(64, 0);
      if (ports.size() >= limit) return;
      // Low half of the first resource's start address.
      ports.push_back({static_cast<uint16_t>(buffer[20] | buffer[21] << 8), ""});
    }
  }
}

void FindPorts9x(const TRegistryView& reg, std::vector<TFoundPort>& ports, size_t limit) {
  const std::string base = "Config Manager\\Enum";
  for (const std::string& k : reg.SubKeys(rrDynData, base)) {
    const std::string key = base + "\\" + k;
    if (!reg.KeyExists(rrDynData, key)) continue;
    const auto hardwareKey = reg.Value(rrDynData, key, "HardWareKey");
    const auto problem = reg.Value(rrDynData, key, "Problem");
    if (!hardwareKey || !problem || problem->Type != rvBinary) continue;
    if (std::any_of(problem->Data.begin(), problem->Data.end(), [](uint8_t b) { return b != 0; }))
      continue;

    const std::string enumKey = "Enum\\" + ReadString(*hardwareKey, "HardWareKey");
    if (!reg.KeyExists(rrLocalMachine, enumKey)) continue;
    const auto portName = reg.Value(rrLocalMachine, enumKey, "PortName");
    if (!portName) continue;
    const std::string name = ReadString(*portName, "PortName");
    if (name.find("LPT") == std::string::npos) continue;

    const auto allocation = reg.Value(rrDynData, key, "Allocation");
    if (!allocation || allocation->Type != rvBinary) continue;
    const std::vector<uint8_t>& bytes = allocation->Data;
    const size_t words = bytes.size() / 2;
    auto word = [&](size_t i) {
      return static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    };
    for (size_t i = 0; i + 1 < words; ++i) {
      if (word(i) == 12 && word(i + 1) != 0) {
        if (ports.size() >= limit) return;
        ports.push_back({word(i + 1), name});
        break;
      }
    }
  }
}
