#include "link/LoaderTiming.h"

void TLoaderModel::Reset() {
  FState = stCommand;
  FReady = 0;
  FAddress = 0;
  FPageLength = 0;
  FLeft = 0;
}

TLoaderModel::TNext TLoaderModel::Sent(uint8_t b, int64_t ack) {
  using namespace LoaderTiming;
  switch (FState) {
    case stCommand:
      switch (b & 0x07) {
        case 0:
        case 1:
        case 2:
          return nxReadAll;
        case 3:
          return nxReadBack;
        case 4:
          // Page length (b & 0xF8) * 4, from address 0.
          FPageLength = (b & 0xF8) * 4;
          FAddress = 0;
          FState = stPageFirst;
          FReady = ack + AfterStartWrite;
          return nxReady;
        case 5:
          FAddress += static_cast<uint32_t>(FPageLength);
          FState = stPageFirst;
          FReady = ack + AfterNextPage;
          return nxReady;
        case 6:
          FState = stPageFirst;
          FReady = ack + AfterRepeatPage;
          return nxReady;
        default:
          FReady = ack + AfterIgnored;
          return nxReady;
      }
    case stPageFirst: {
      const auto control = static_cast<uint8_t>(0xA0 | ((FAddress >> 16) & 0xFF) << 1);
      FReady = ack + AfterPageFirst + I2cWrite(control) + I2cWrite((FAddress >> 8) & 0xFF) +
               I2cWrite(FAddress & 0xFF) + I2cWrite(b);
      FLeft = FPageLength - 1;
      break;
    }
    case stPageData:
      FReady = ack + AfterPageByte + I2cWrite(b);
      --FLeft;
      break;
  }
  // A page byte: the next is the page's next byte, or a command.
  if (FLeft > 0) {
    FState = stPageData;
  } else {
    // The last byte's write ends the page instead of asking for more.
    FReady += AfterPageLast - AfterPageByte;
    FState = stCommand;
  }
  return nxReady;
}

void TLoaderModel::ReadBackDone(int64_t lastStart) {
  FState = stCommand;
  FReady = lastStart + LoaderTiming::AfterReadBack;
}
