#include "images/ElfFile.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "images/ImageFileIo.h"

namespace {

// libelf must be told the ELF version it is used with before anything else.
bool LibElfReady() {
  static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
  return ready;
}

class TElf {
public:
  TElf(char* image, size_t size) : FElf(elf_memory(image, size)) {}
  ~TElf() {
    if (FElf) elf_end(FElf);
  }
  TElf(const TElf&) = delete;
  TElf& operator=(const TElf&) = delete;
  Elf* Get() const { return FElf; }

private:
  Elf* FElf;
};

// Where in the memory's image the bytes of a segment at this load address
// go, or false when the segment belongs to another memory.
bool ImageOffset(TImageMemory memory, uint64_t address, uint64_t& offset) {
  switch (memory) {
    case imFlash: offset = address; return address < 0x800000;
    case imIntEE:
      offset = address - CardImageBase[imIntEE];
      return address >= CardImageBase[imIntEE] && address < CardImageLimit[imIntEE];
    case imExtEE: return false;
  }
  return false;
}

struct TSegment {
  uint64_t FileOffset;
  uint64_t ImageOffset;
  uint64_t Size;
};

}  // namespace

bool HasElfMagic(const char* Data, size_t Length) {
  return Length >= SELFMAG && std::memcmp(Data, ELFMAG, SELFMAG) == 0;
}

void ReadElfData(const char* Data, size_t Length, TImageMemory Memory, uint8_t* Buffer,
                 int32_t Size, const QString& SourceName) {
  auto fail = [&](const std::string& message) { throw EHexFileError(message, SourceName); };
  if (!HasElfMagic(Data, Length) || Length < EI_NIDENT || Data[EI_CLASS] != ELFCLASS32 ||
      Data[EI_DATA] != ELFDATA2LSB)
    fail(FileMsgNotAvrElf);
  if (!LibElfReady()) fail(elf_errmsg(-1));

  // libelf gets a copy of its own: it may convert the file in place.
  std::vector<char> image(Data, Data + Length);
  const TElf elf(image.data(), image.size());
  GElf_Ehdr header;
  if (!elf.Get() || elf_kind(elf.Get()) != ELF_K_ELF || !gelf_getehdr(elf.Get(), &header))
    fail(HexMsgFormatError);
  if (header.e_machine != EM_AVR) fail(FileMsgNotAvrElf);

  size_t count = 0;
  if (elf_getphdrnum(elf.Get(), &count) != 0) fail(HexMsgFormatError);
  // A table cut short by the end of the file is the file's fault, not a
  // lack of segments; libelf just reports none then.
  if (header.e_phnum != PN_XNUM) count = std::max<size_t>(count, header.e_phnum);
  if (count > 0 && (header.e_phentsize != sizeof(Elf32_Phdr) ||
                    header.e_phoff + uint64_t{count} * sizeof(Elf32_Phdr) > Length))
    fail(HexMsgFormatError);
  // Every segment lies inside the file, whichever memory it is for: a file
  // that points outside itself is damaged whatever is loaded from it, so
  // the whole table is checked before any segment is picked.
  std::vector<GElf_Phdr> table(count);
  for (size_t i = 0; i < count; ++i) {
    GElf_Phdr& segment = table[i];
    if (!gelf_getphdr(elf.Get(), static_cast<int>(i), &segment)) fail(HexMsgFormatError);
    // ELF32 fields: the sums here and below cannot overflow 64 bits.
    if (segment.p_offset + segment.p_filesz > Length) fail(HexMsgFormatError);
  }
  std::vector<TSegment> segments;
  const uint64_t imageSize = Size > 0 ? static_cast<uint64_t>(Size) : 0;
  for (const GElf_Phdr& segment : table) {
    uint64_t offset = 0;
    if (segment.p_type != PT_LOAD || segment.p_filesz == 0 ||
        !ImageOffset(Memory, segment.p_paddr, offset))
      continue;
    if (offset + segment.p_filesz > imageSize) fail(HexMsgOutOfAddress);
    segments.push_back({segment.p_offset, offset, segment.p_filesz});
  }
  if (segments.empty())
    fail(std::string("The ELF file holds nothing for the ") + ImageMemoryName(Memory) + "!");
  for (const TSegment& s : segments)
    std::memcpy(Buffer + s.ImageOffset, Data + s.FileOffset, s.Size);
}

void ReadElfFile(const QString& FileName, TImageMemory Memory, uint8_t* Buffer, int32_t Size) {
  const std::vector<char> bytes = ReadImageFileBytes(FileName);
  ReadElfData(bytes.data(), bytes.size(), Memory, Buffer, Size, FileName);
}
