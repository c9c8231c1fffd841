#include "sim/NvmTiming.h"

TNvmTiming NvmTimingOf(const ProcessorInfo& chip) {
  TNvmTiming t;
  t.FlashWriteNs = uint64_t{chip.Nvm.FlashWriteUs} * 1000;
  t.EepromWriteNs = uint64_t{chip.Nvm.EepromWriteUs} * 1000;
  t.ChipEraseNs = uint64_t{chip.Nvm.ChipEraseUs} * 1000;
  t.FlashPoll = chip.Nvm.FlashBusy;
  t.EepromPollErase = chip.Nvm.EepromBusyErase;
  t.EepromPollProgram = chip.Nvm.EepromBusyProgram;
  return t;
}
