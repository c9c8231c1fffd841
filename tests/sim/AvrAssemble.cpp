#include "tests/sim/AvrAssemble.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A scratch directory removed when the assembly is done.
class TScratchDir {
public:
  TScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "pellar-avr-XXXXXX").string();
    if (mkdtemp(pattern.data())) Path = pattern;
  }
  ~TScratchDir() {
    std::error_code ec;
    if (!Path.empty()) fs::remove_all(Path, ec);
  }
  fs::path Path;
};

bool Run(const std::string& command, const fs::path& log, std::string& error) {
  const int rc = std::system((command + " >" + Quote(log.string()) + " 2>&1").c_str());
  if (rc == 0) return true;
  error = command + "\n" + ReadText(log);
  return false;
}

}  // namespace

bool AvrToolchainAvailable() {
  return std::string(PELLAR_AVR_AS).size() && std::string(PELLAR_AVR_LD).size() &&
         std::string(PELLAR_AVR_OBJCOPY).size();
}

TAvrAssembly AvrAssembleSource(const std::string& source, const std::string& mcu) {
  TAvrAssembly result;
  if (!AvrToolchainAvailable()) {
    result.Error = "binutils-avr (avr-as, avr-ld, avr-objcopy) not found at configure time";
    return result;
  }
  TScratchDir dir;
  if (dir.Path.empty()) {
    result.Error = "cannot create a scratch directory";
    return result;
  }
  const fs::path src = dir.Path / "prog.S", obj = dir.Path / "prog.o", elf = dir.Path / "prog.elf",
                 bin = dir.Path / "prog.bin", log = dir.Path / "log.txt";
  std::ofstream(src) << source << "\n";
  if (!Run(std::string(PELLAR_AVR_AS) + " -mmcu=" + Quote(mcu) + " -o " + Quote(obj.string()) +
               " " + Quote(src.string()),
           log, result.Error) ||
      !Run(std::string(PELLAR_AVR_LD) + " -Ttext=0 -o " + Quote(elf.string()) + " " +
               Quote(obj.string()),
           log, result.Error) ||
      !Run(std::string(PELLAR_AVR_OBJCOPY) + " -O binary -j .text " + Quote(elf.string()) + " " +
               Quote(bin.string()),
           log, result.Error))
    return result;
  const std::string bytes = ReadText(bin);
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const uint8_t lo = static_cast<uint8_t>(bytes[i]);
    const uint8_t hi = i + 1 < bytes.size() ? static_cast<uint8_t>(bytes[i + 1]) : 0xFF;
    result.Words.push_back(static_cast<uint16_t>(lo | (hi << 8)));
  }
  result.Ok = true;
  return result;
}

TAvrAssembly AvrAssembleFile(const std::string& path, const std::string& mcu) {
  fs::path p(path);
  if (p.is_relative()) p = fs::path(PELLAR_SOURCE_DIR) / p;
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    TAvrAssembly result;
    result.Error = "cannot read " + p.string();
    return result;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return AvrAssembleSource(text.str(), mcu);
}
