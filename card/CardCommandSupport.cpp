#include "card/CardCommandSupport.h"

#include <algorithm>

#include "images/DeviceCatalogue.h"

int FirstDataBeyond(const uint8_t* data, int size, int chipSize) {
  if (!data) return -1;
  for (int i = std::max(chipSize, 0); i < size; ++i)
    if (data[i] != 0xFF) return i;
  return -1;
}

namespace {

// One image against one chip; false (after the message) when it does not fit.
bool CheckFit(TCardHost& host, const TImageRef& image, int chipSize, const char* imageName,
              const std::string& chipName, const char* memoryName, const char* after) {
  if (!image.HasData()) return true;
  const int offset = FirstDataBeyond(image.Data, image.Size, chipSize);
  if (offset < 0) return true;
  host.Beep();
  host.ShowMessageDialog(std::string("The ") + imageName + " image does not fit the " + chipName +
                             "!\n\nIt holds data at 0x" + HexText(offset, 1) +
                             ", beyond the chip's " + std::to_string(chipSize) + " bytes of " +
                             memoryName + ".\n" + after,
                         mkError, mbOK);
  return false;
}

}  // namespace

bool CheckImagesFit(TCardHost& host, const TCardChips& chips, const TCardImages& images,
                    const char* after) {
  const int processorRow = chips.ProcessorRow;
  const int eepromRow = chips.EepromRow;
  const ProcessorInfo* p = ProcessorAt(processorRow);
  const EepromInfo* e = EepromAt(eepromRow);
  const std::string processor = p ? p->Name : "selected processor";
  const std::string eeprom = e ? e->Name : "selected eeprom";
  const auto size = [&](TImageMemory m) { return ChipMemorySize(m, processorRow, eepromRow); };
  return CheckFit(host, images.Flash, size(imFlash), "flash", processor, "flash", after) &&
         CheckFit(host, images.IntEE, size(imIntEE), "internal eeprom", processor,
                  "internal eeprom", after) &&
         CheckFit(host, images.ExtEE, size(imExtEE), "external eeprom", eeprom, "memory", after);
}

TCardBackups ReadBackups(TAvrCommands& avr, TCardHost& host, const TCardImages& images,
                         const char* TAvrMemory::*text) {
  TCardBackups backups;
  for (const TAvrMemory* memory : AvrMemories) {
    const int size = avr.MemorySize(*memory);
    if (images.Of(*memory).HasData() || size <= 0) continue;
    host.SetStatusText(memory->*text);
    std::vector<uint8_t>& backup = backups.Of(*memory);
    backup.resize(static_cast<size_t>(size));
    avr.ReadMemory(*memory, backup.data(), size);
  }
  return backups;
}

void WriteBackBackups(TIspLink& link, TAvrCommands& avr, TCardHost& host, TCardBackups& left,
                      const char* TAvrMemory::*text) {
  if (!left.Any() || avr.Aborted()) return;
  try {
    link.PowerOff();
    link.Delay(50);
    link.PowerOn();
    if (!(avr.EnterProgrammingMode() && avr.ReadSignature() && avr.ChipErase())) return;
    for (const TAvrMemory* memory : AvrMemories) {
      std::vector<uint8_t>& backup = left.Of(*memory);
      if (backup.empty()) continue;
      host.SetStatusText(memory->*text);
      if (avr.ProgramMemory(*memory, backup.data(), static_cast<int>(backup.size())))
        backup.clear();
    }
  } catch (const ECardStopped&) {
    // Stopped once more, during the write-back itself: what has not gone
    // in yet stays with the caller.
  }
}
