#pragma once
// Parallel-port discovery from a Windows-style registry, for both system
// families, written over a small read-only registry view so that it is
// tested here and ready for a Windows build. On Linux the port object
// discovers ports from /proc instead (TLinuxPortSource).

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

enum TRegRoot { rrLocalMachine, rrDynData };

// Value types as the registry reports them.
enum TRegValueType {
  rvString = 1,        // REG_SZ
  rvExpandString = 2,  // REG_EXPAND_SZ
  rvBinary = 3,        // REG_BINARY
  rvDword = 4,         // REG_DWORD
  rvMultiString = 7,   // REG_MULTI_SZ
  rvFullResourceDescriptor = 9,
};

struct TRegValue {
  uint32_t Type = rvBinary;
  std::vector<uint8_t> Data;  // the raw bytes (text without its terminator)
};

class TRegistryView {
public:
  virtual ~TRegistryView() = default;
  // Whether the key opens read-only.
  virtual bool KeyExists(TRegRoot root, const std::string& path) const = 0;
  // Names of the key's subkeys in registry order; empty when it does not open.
  virtual std::vector<std::string> SubKeys(TRegRoot root, const std::string& path) const = 0;
  // The named value of the key, if both exist.
  virtual std::optional<TRegValue> Value(TRegRoot root, const std::string& path,
                                         const std::string& name) const = 0;
};

// Key paths compare without regard to case, as the registry does.
class TMemoryRegistry : public TRegistryView {
public:
  void AddKey(TRegRoot root, const std::string& path);
  void SetValue(TRegRoot root, const std::string& path, const std::string& name, TRegValue value);
  void SetString(TRegRoot root, const std::string& path, const std::string& name,
                 const std::string& text);
  void SetBinary(TRegRoot root, const std::string& path, const std::string& name,
                 std::vector<uint8_t> bytes, uint32_t type = rvBinary);

  bool KeyExists(TRegRoot root, const std::string& path) const override;
  std::vector<std::string> SubKeys(TRegRoot root, const std::string& path) const override;
  std::optional<TRegValue> Value(TRegRoot root, const std::string& path,
                                 const std::string& name) const override;

private:
  struct TKey {
    std::vector<std::string> Children;  // in insertion order
    std::map<std::string, TRegValue> Values;
  };
  static std::string Fold(TRegRoot root, const std::string& path);
  std::map<std::string, TKey> Keys;
};

struct TFoundPort {
  uint16_t Address;
  std::string Name;  // the registry's port name on the 9x family; empty on NT
};

// Each appends what it finds (at most `limit` ports in all) and throws
// std::runtime_error("Invalid data type for '<value>'") where the registry
// layer refuses a value.
void FindPortsNT(const TRegistryView& reg, std::vector<TFoundPort>& ports, size_t limit = 10);
void FindPorts9x(const TRegistryView& reg, std::vector<TFoundPort>& ports, size_t limit = 10);
