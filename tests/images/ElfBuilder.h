#pragma once
// Small ELF files made in memory, shaped as avr-gcc links them: a 32-bit
// little-endian header, the program headers, then each segment's bytes.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace elftest {

struct TSegment {
  uint32_t PhysAddr;
  uint32_t VirtAddr;
  std::vector<uint8_t> Bytes;
  uint32_t Type = 1;     // PT_LOAD
  uint32_t MemSize = 0;  // 0: the size of Bytes
};

inline constexpr uint16_t MachineAvr = 83;

inline std::string BuildElf(const std::vector<TSegment>& segments, uint16_t machine = MachineAvr) {
  std::string file;
  auto put = [&](uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  const uint32_t headerSize = 52, phSize = 32;
  uint32_t offset = headerSize + phSize * static_cast<uint32_t>(segments.size());
  file +=
      "\x7F"
      "ELF";
  file += '\x01';  // 32-bit
  file += '\x01';  // little-endian
  file += '\x01';  // version
  file += std::string(9, '\0');
  put(2, 2);  // executable
  put(machine, 2);
  put(1, 4);
  put(0, 4);  // entry
  put(segments.empty() ? 0 : headerSize, 4);
  put(0, 4);     // no section headers
  put(0x85, 4);  // flags as for avr2
  put(headerSize, 2);
  put(phSize, 2);
  put(segments.size(), 2);
  put(40, 2);
  put(0, 2);
  put(0, 2);
  for (const TSegment& s : segments) {
    const auto size = static_cast<uint32_t>(s.Bytes.size());
    put(s.Type, 4);
    put(offset, 4);
    put(s.VirtAddr, 4);
    put(s.PhysAddr, 4);
    put(size, 4);
    put(s.MemSize ? s.MemSize : size, 4);
    put(6, 4);
    put(1, 4);
    offset += size;
  }
  for (const TSegment& s : segments) file.append(s.Bytes.begin(), s.Bytes.end());
  return file;
}

}  // namespace elftest
