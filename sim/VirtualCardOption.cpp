#include "sim/VirtualCardOption.h"

#include <algorithm>
#include <cctype>

#include "images/DeviceCatalogue.h"

namespace {

bool SameName(const std::string& a, const char* b) {
  const std::string other(b);
  return a.size() == other.size() &&
         std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

template <typename Table>
int FindRow(const Table& table, const std::string& name) {
  for (size_t i = 0; i < table.size(); ++i)
    if (SameName(name, table[i].Name)) return static_cast<int>(i);
  return -1;
}

template <typename Table>
std::string NameList(const Table& table) {
  std::string list;
  for (const auto& row : table) {
    if (!list.empty()) list += ", ";
    list += row.Name;
  }
  return list;
}

}  // namespace

bool ParseVirtualCardOption(const std::string& value, TVirtualCardConfig& config,
                            std::string& error) {
  const std::string usage =
      "--virtual-card takes =PROCESSOR,EEPROM (for example --virtual-card=AT90S8515,24256)";
  int processor = 0;
  int eeprom = 0;
  if (!value.empty()) {
    if (value[0] != '=') {
      error = "Unknown option --virtual-card" + value + "; " + usage + ".";
      return false;
    }
    const std::string rest = value.substr(1);
    const size_t comma = rest.find(',');
    const std::string processorName = rest.substr(0, comma);
    const std::string eepromName = comma == std::string::npos ? "" : rest.substr(comma + 1);
    processor = FindRow(ProcessorRows(), processorName);
    if (processor < 0) {
      error = "Unknown processor \"" + processorName +
              "\" for --virtual-card; valid processors: " + NameList(ProcessorRows()) + ".";
      return false;
    }
    if (comma != std::string::npos) {
      eeprom = FindRow(EepromTable, eepromName);
      if (eeprom < 0) {
        error = "Unknown EEPROM \"" + eepromName +
                "\" for --virtual-card; valid EEPROMs: " + NameList(EepromTable) + ".";
        return false;
      }
    }
  }
  config.ProcessorRow = processor;
  config.EepromRow = eeprom;
  error.clear();
  return true;
}
