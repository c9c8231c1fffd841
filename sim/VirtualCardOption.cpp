#include "sim/VirtualCardOption.h"

#include "images/DeviceCatalogue.h"

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
    processor = FindProcessorRow(processorName);
    if (processor < 0) {
      error = "Unknown processor \"" + processorName +
              "\" for --virtual-card; valid processors: " + ProcessorNameList() + ".";
      return false;
    }
    if (comma != std::string::npos) {
      eeprom = FindEepromRow(eepromName);
      if (eeprom < 0) {
        error = "Unknown EEPROM \"" + eepromName +
                "\" for --virtual-card; valid EEPROMs: " + EepromNameList() + ".";
        return false;
      }
    }
  }
  config.ProcessorRow = processor;
  config.EepromRow = eeprom;
  error.clear();
  return true;
}

std::string VirtualCardOptionHelp(const std::string& lead, int indent, int width) {
  const TVirtualCardConfig defaults;
  const std::string text = lead + "PROCESSOR is one of " + ProcessorNameList() +
                           " and EEPROM one of " + EepromNameList() + " (default " +
                           ProcessorAt(defaults.ProcessorRow)->Name + "," +
                           EepromTable[static_cast<size_t>(defaults.EepromRow)].Name + ")";
  const std::string margin(static_cast<size_t>(indent), ' ');
  std::string lines;
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && static_cast<int>(indent + line.size() + 1 + word.size()) > width) {
      lines += margin + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    start = end + 1;
  }
  if (!line.empty()) lines += margin + line + "\n";
  return lines;
}
