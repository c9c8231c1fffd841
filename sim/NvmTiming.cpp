#include "sim/NvmTiming.h"

TNvmTiming NvmTimingOf(const ProcessorInfo& chip) {
  return {.FlashWriteNs = uint64_t{chip.Nvm.FlashWriteUs} * 1000,
          .EepromWriteNs = uint64_t{chip.Nvm.EepromWriteUs} * 1000,
          .ChipEraseNs = uint64_t{chip.Nvm.ChipEraseUs} * 1000,
          .FlashPoll = chip.Nvm.FlashBusy,
          .EepromPollErase = chip.Nvm.EepromBusyErase,
          .EepromPollProgram = chip.Nvm.EepromBusyProgram};
}
