#include "sim/NvmTiming.h"

TNvmTiming NvmTimingFor(uint32_t signature) {
  TNvmTiming t;
  switch (signature) {
    case 0x1E9203:  // AT90S4433
    case 0x1E9103:  // AT90S2343
    case 0x1E9102:  // AT90S2323
      t.FlashPoll = 0xFF;
      t.EepromPollErase = 0xFF;
      t.EepromPollProgram = 0xFF;
      break;
    default:  // AT90S8515, AT90S4414
      break;
  }
  return t;
}
